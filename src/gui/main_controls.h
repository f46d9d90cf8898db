#pragma once
// The main window's playing controls: the transport buttons, the clock switch, the beat indicator
// with the measure and beat display, the tempo, transposition, play range ("From", "To") and
// record-start fields, the style-part buttons (showing the part that plays and the part asked for),
// the "Play Chords" button and the sixteen channel boxes ("cb0" .. "cb15", ticked = muted by hand).
// Commands go to the arranger; the beat indicator, measure and beat follow the WindowDisplay; the
// fields, boxes and part buttons follow the arranger's state on Refresh and, for what the engine
// changes while playing (parts, tempo functions, channel activity), every kFollowMs. Main thread.

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <array>

#include "app/arranger.h"
#include "gui/part_buttons.h"
#include "gui/window_display.h"

namespace kalo::gui {

// The beat indicator: a lamp in the colour the clock gives, with its text ("P", "R", "1" ...).
// A click is the sync start's switch.
class BeatLamp final : public QWidget {
  Q_OBJECT

 public:
  explicit BeatLamp(QWidget* parent = nullptr);
  void Show(const QColor& colour, const QString& text);
  const QColor& Colour() const { return colour_; }
  const QString& Text() const { return text_; }
  QSize sizeHint() const override;

 Q_SIGNALS:
  void Clicked();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  QColor colour_ = Qt::black;
  QString text_;
};

class MainControls final : public QWidget {
  Q_OBJECT

 public:
  MainControls(app::Arranger& arranger, WindowDisplay& display, QWidget* parent = nullptr);

  // Shows the arranger's state again: tempo, record start, channel boxes, the "Play Chords" button.
  void Refresh();

  // How often the controls look at what the engine changed without a message of its own.
  static constexpr int kFollowMs = 50;

  QPushButton* Button(const QString& text) const;
  PartButton* Part(PartButtonId id) const { return parts_[static_cast<size_t>(id)]; }
  QLabel* BeatNumber() const { return beatNumber_; }
  QSpinBox* Tempo() const { return tempo_; }
  QSpinBox* RecordStart() const { return recordStart_; }
  QSpinBox* From() const { return from_; }
  QSpinBox* To() const { return to_; }
  QSpinBox* Transposition() const { return transposition_; }
  BeatLamp* Beat() const { return beat_; }
  QLabel* Measure() const { return measure_; }
  QCheckBox* ChannelBox(int channel) const { return channels_.at(static_cast<size_t>(channel)); }
  QPushButton* PlayChordsButton() const { return playChords_; }

 Q_SIGNALS:
  // A control changed state that menus show (the "Play Chords" check mark).
  void SessionChanged();
  // The "Editor" button: the chord editor at the position field's measure.
  void EditorRequested();

 private:
  QPushButton* AddButton(class QLayout* layout, const QString& text, std::function<void()> command,
                         const QString& tip);
  void AddPartButton(class QLayout* layout, PartButtonId id, const QString& text, const QString& tip,
                     int config::ControlKeyNotes::*key);
  void FollowEngine();
  // The part buttons: the part that plays and the part asked for.
  void FollowParts();
  // The beat, and in live play the measure of the part, from the style's position.
  void ShowPosition(const QString& position);

  app::Arranger& arranger_;
  QSpinBox* tempo_ = nullptr;
  QSpinBox* recordStart_ = nullptr;
  QSpinBox* from_ = nullptr;
  QSpinBox* to_ = nullptr;
  QSpinBox* transposition_ = nullptr;
  BeatLamp* beat_ = nullptr;
  QLabel* measure_ = nullptr;
  QLabel* beatNumber_ = nullptr;
  std::array<PartButton*, kPartButtonCount> parts_{};
  QPushButton* playChords_ = nullptr;
  std::array<QCheckBox*, 16> channels_{};
  QTimer follow_;
};

}  // namespace kalo::gui
