#pragma once
// A tool panel of the main window (Mixer, Keyboard, Chordpads, the configuration, ...): the controls of
// one subject, shown on demand in a floating tool window captioned with the panel's title. Main thread.

#include <QString>
#include <QWidget>

namespace kalo::gui {

class ToolPanel : public QWidget {
  Q_OBJECT

 public:
  explicit ToolPanel(const QString& title, QWidget* parent = nullptr);

  // The caption of the panel's tool window.
  const QString& Title() const { return title_; }
  void SetTitle(const QString& title);

  // Shows the session's current state again. The panels call each other's through SessionChanged, so
  // that a change made in one (a channel chosen in the mixer, a list loaded by the configuration)
  // appears in all.
  virtual void Refresh() {}

 Q_SIGNALS:
  // This panel changed something that other panels show.
  void SessionChanged();
  void TitleChanged(const QString& title);

 private:
  QString title_;
};

}  // namespace kalo::gui
