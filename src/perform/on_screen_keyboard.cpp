#include "perform/on_screen_keyboard.h"

#include <algorithm>
#include <array>

namespace kalo::perform {

namespace {

// Semitone of each white key of the octave, C .. B.
constexpr std::array<int, 7> kWhiteSemitones = {0, 2, 4, 5, 7, 9, 11};
// How far the black key after each white key is moved from the boundary, in pixels.
constexpr std::array<int, 7> kBlackShift = {-1, 1, 0, -1, 0, 1, 0};
// White keys followed by a black key: C, D, F, G, A.
constexpr std::array<bool, 7> kBlackAfter = {true, true, false, true, true, true, false};

}  // namespace

int TKeys::BlackKeyWidth() const {
  const int width = NoteWidth * 3 / 5;
  return width % 2 == 0 ? width + 1 : width;
}

KeyPlace TKeys::NotePlace(int note) {
  const int semitone = note % 12;
  const int step = semitone >= 5 ? semitone + 1 : semitone;
  return {note / 12, step / 2, step % 2 == 1};
}

std::optional<KeyRect> TKeys::KeyRectOf(int note) const {
  if (note < 0 || note > 127 || NoteWidth <= 0) return std::nullopt;
  const KeyPlace place = NotePlace(note);
  const int white = (place.Octave - BaseOctave) * 7 + place.WhiteIndex;
  if (white < 0) return std::nullopt;
  int start = white * NoteWidth;
  int size = NoteWidth;
  int depth = CrossLength();
  if (place.Black) {
    start += NoteWidth - BlackKeyWidth() / 2 + kBlackShift[place.WhiteIndex];
    size = BlackKeyWidth();
    depth = BlackKeyLength();
  }
  if (Orientation == KeysOrientation::kbHorizontal) return KeyRect{start, 0, size, depth};
  return KeyRect{0, AxisLength() - start - size, depth, size};
}

std::optional<KeyHit> TKeys::HitTest(int x, int y) const {
  const bool horizontal = Orientation == KeysOrientation::kbHorizontal;
  const int along = horizontal ? x : AxisLength() - y - 1;
  const int across = horizontal ? y : x;
  if (NoteWidth <= 0 || along < 0 || along >= AxisLength() || across < 0 || across >= CrossLength()) {
    return std::nullopt;
  }
  const int whiteNumber = along / NoteWidth;
  const int octave = whiteNumber / 7;
  const int white = whiteNumber % 7;
  const int offset = along % NoteWidth;
  const int half = BlackKeyWidth() / 2;
  int semitone = kWhiteSemitones[white];
  int length = CrossLength();
  if (across < BlackKeyLength()) {
    const int left = white == 0 ? 6 : white - 1;
    if (offset >= NoteWidth - half + kBlackShift[white] && kBlackAfter[white]) {
      semitone += 1;
      length = BlackKeyLength();
    } else if (offset < BlackKeyWidth() - half + kBlackShift[left] && white != 0 && white != 3) {
      semitone = kWhiteSemitones[left] + 1;
      length = BlackKeyLength();
    }
  }
  const int note = (octave + BaseOctave) * 12 + semitone;
  if (note < 0 || note > 127) return std::nullopt;
  const int velocity = VelocityMode ? std::max(1, across * 127 / std::max(1, length)) : 127;
  return KeyHit{note, velocity};
}

void TKeys::MouseDown(int x, int y, bool leftButton) {
  if (!leftButton) return;
  captured_ = true;
  if (const std::optional<KeyHit> hit = HitTest(x, y)) {
    underMouse_ = hit->Note;
    PressNote(hit->Note, hit->Velocity);
  }
}

void TKeys::MouseMove(int x, int y, bool leftButton) {
  if (!captured_ || !leftButton) return;
  const std::optional<KeyHit> hit = HitTest(x, y);
  if (!hit || hit->Note == underMouse_) return;
  if (underMouse_ >= 0) ReleaseNote(underMouse_);
  underMouse_ = hit->Note;
  PressNote(hit->Note, hit->Velocity);
}

void TKeys::MouseUp(bool leftButton) {
  if (!leftButton) return;
  captured_ = false;
  if (underMouse_ >= 0) ReleaseNote(underMouse_);
  underMouse_ = -1;
}

bool TKeys::PressNote(int note, int velocity) {
  if (note < 0 || note > 127) return false;
  const bool fresh = !pressed_[note];
  pressed_[note] = true;
  if (OnNoteOn) OnNoteOn(*this, note, velocity);
  return fresh;
}

void TKeys::ReleaseNote(int note) {
  if (note < 0 || note > 127) return;
  pressed_[note] = false;
  if (OnNoteOff) OnNoteOff(*this, note, 0);
}

}  // namespace kalo::perform
