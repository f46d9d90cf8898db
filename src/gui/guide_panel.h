#pragma once
// The guide window: a text for the player, such as the greeting of the very first start. Main thread.

#include <QPlainTextEdit>

#include "gui/tool_panel.h"

namespace kalo::gui {

// What the guide shows on the very first start.
inline constexpr const char* kFirstStartGuide =
    "Hello, this is the first time that you have started KALO.\n\n"
    "Please listen to the song. Then close this window, stop playing and enter chords / styles, using the "
    "controls of the keyboard window below or an external MIDI controller.\n\n"
    "Have much fun !";

class GuidePanel final : public ToolPanel {
  Q_OBJECT

 public:
  explicit GuidePanel(QWidget* parent = nullptr);
  void ShowText(const QString& text) { text_->setPlainText(text); }
  QString Text() const { return text_->toPlainText(); }

 private:
  QPlainTextEdit* text_ = nullptr;
};

}  // namespace kalo::gui
