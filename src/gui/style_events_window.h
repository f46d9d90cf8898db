#pragma once
// The "Style - Events" window: steps through the note-ons of the part being marked (previous, next),
// shows the note found as name, octave and velocity and sounds it while the button is held, and edits
// it: the velocity slider, "Change" (the note and octave boxes), "Clear" and "Undo". The notes of the
// channel chosen in its channel list are visited ("All": every channel), never those of a channel the
// main window mutes. Main thread.

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QWidget>
#include <optional>

#include "app/arranger.h"
#include "app/style_creator_side.h"

namespace kalo::gui {

inline constexpr const char* kStyleEventsTitle = "Style - Events";

class StyleEventsWindow final : public QWidget {
  Q_OBJECT

 public:
  // A tool window of `owner`'s window.
  StyleEventsWindow(app::Arranger& arranger, QWidget* owner);

  // "Stylepart - Events": the cursor at the play window's start, the window shown.
  void Open();
  QPushButton* Button(const QString& caption) const { return findChild<QPushButton*>(caption); }
  QComboBox* NoteBox() const { return note_; }
  QComboBox* OctaveBox() const { return octave_; }
  QComboBox* ChannelBox() const { return channel_; }
  QSlider* Velocity() const { return velocity_; }
  QLabel* Display() const { return display_; }

 Q_SIGNALS:
  // A note was edited: the style changed.
  void Edited();

 private:
  QPushButton* AddButton(const QString& caption, std::function<void()> command);
  void Step(bool forward);
  // Shows a found note (and sounds it while its button is held), or the empty state.
  void Show(const std::optional<styles::EditorNote>& note);
  int Channel() const { return channel_->currentIndex() - 1; }
  std::array<bool, 16> Muted() const { return arranger_.HandMuted; }

  app::Arranger& arranger_;
  app::StyleCreatorSide& side_;
  QComboBox* note_ = nullptr;
  QComboBox* octave_ = nullptr;
  QComboBox* channel_ = nullptr;
  QSlider* velocity_ = nullptr;
  QLabel* velocityValue_ = nullptr;
  QLabel* display_ = nullptr;
  std::optional<styles::EditorNote> sounding_;
  bool showing_ = false;
  bool placed_ = false;
};

}  // namespace kalo::gui
