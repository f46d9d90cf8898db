#pragma once
// TKeys, the on-screen piano keyboard, without its drawing: the published properties, the geometry
// (where each key lies, which key a point hits and with which velocity) and the mouse rules that raise
// OnNoteOn and OnNoteOff. The window that shows it draws the rectangles KeyRect gives and forwards its
// mouse events. Main thread only.

#include <bitset>
#include <cstdint>
#include <functional>
#include <optional>

namespace kalo::perform {

enum class KeysOrientation { kbHorizontal, kbVertical };

// A rectangle in the control's pixels, y downwards.
struct KeyRect {
  int X = 0, Y = 0, Width = 0, Height = 0;
  friend bool operator==(const KeyRect&, const KeyRect&) = default;
};

// Where a note lies within its octave: the white key (0 = C .. 6 = B), or for a black key the white
// key on its left.
struct KeyPlace {
  int Octave = 0;
  int WhiteIndex = 0;
  bool Black = false;
  friend bool operator==(const KeyPlace&, const KeyPlace&) = default;
};

struct KeyHit {
  int Note = 0;
  int Velocity = 0;
  friend bool operator==(const KeyHit&, const KeyHit&) = default;
};

class TKeys {
 public:
  // Sender, note 0..127, velocity (0 for OnNoteOff).
  using NoteEvent = std::function<void(TKeys& sender, int note, int velocity)>;

  // --- Published properties ------------------------------------------------------------------------
  KeysOrientation Orientation = KeysOrientation::kbHorizontal;
  int NoteWidth = 10;  // pixels per white key
  int BaseOctave = 3;  // octave of the first drawn key
  int Height = 50;
  int Width = 200;
  uint32_t BlackBrush = 0x000000;  // 0x00BBGGRR
  uint32_t WhiteBrush = 0xFFFFFF;
  bool VelocityMode = true;  // velocity from where the key is touched; otherwise always 127
  NoteEvent OnNoteOn;
  NoteEvent OnNoteOff;

  // --- Geometry --------------------------------------------------------------------------------------
  // Along the key axis: the width (horizontal), or the height counted from the bottom (vertical).
  int AxisLength() const { return Orientation == KeysOrientation::kbHorizontal ? Width : Height; }
  int CrossLength() const { return Orientation == KeysOrientation::kbHorizontal ? Height : Width; }
  // Black keys are 3/5 of the cross length long and 3/5 of a white key wide, made odd.
  int BlackKeyLength() const { return CrossLength() * 3 / 5; }
  int BlackKeyWidth() const;
  static KeyPlace NotePlace(int note);
  // The key's rectangle; none for a note below the first drawn octave or outside 0..127.
  std::optional<KeyRect> KeyRectOf(int note) const;
  // The note at a point of the control and the velocity of touching it there: the depth into the key
  // scaled to its own length (a black key's is shorter), at least 1. None outside the control and for
  // notes outside 0..127.
  std::optional<KeyHit> HitTest(int x, int y) const;

  // --- Mouse (only the left button plays) --------------------------------------------------------------
  // Down takes the mouse and presses the note hit; moving to another note releases the old one and
  // presses the new one (glissando); up releases it.
  void MouseDown(int x, int y, bool leftButton);
  void MouseMove(int x, int y, bool leftButton);
  void MouseUp(bool leftButton);

  // --- Pressed notes ---------------------------------------------------------------------------------
  // Marks the note pressed and raises OnNoteOn. True when the mark is new and the key must be redrawn.
  bool PressNote(int note, int velocity);
  // Clears the mark and raises OnNoteOff with velocity 0.
  void ReleaseNote(int note);
  bool Pressed(int note) const { return note >= 0 && note < 128 && pressed_[note]; }
  int NoteUnderMouse() const { return underMouse_; }
  bool MouseCaptured() const { return captured_; }

 private:
  std::bitset<128> pressed_;
  int underMouse_ = -1;
  bool captured_ = false;
};

}  // namespace kalo::perform
