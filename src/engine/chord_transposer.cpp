#include "engine/chord_transposer.h"

#include "perform/chord_offset_tables.h"

namespace kalo::engine {

namespace {

constexpr std::array<uint8_t, 128> MakeSustainingPrograms() {
  std::array<uint8_t, 128> table{};
  constexpr int kRanges[][2] = {{16, 23}, {40, 44}, {48, 95}, {97, 97}, {99, 99}, {101, 103}, {109, 111}};
  for (const auto& range : kRanges)
    for (int p = range[0]; p <= range[1]; ++p) table[static_cast<size_t>(p)] = 1;
  return table;
}

}  // namespace

const std::array<uint8_t, 128> kSustainingPrograms = MakeSustainingPrograms();

int ChordTransposer::TransposeNote(int note) const {
  if (StyleType == 0) return note;
  int moved = note + perform::ChordOffset(perform::kChordToneOffsets, StyleType, perform::PitchClass(note));
  moved += perform::ChordOffset(perform::kScaleToneOffsets, StyleType, perform::PitchClass(moved));
  const int rootClass = perform::PitchClass(StyleRoot);
  moved += rootClass + OctaveOffset;
  if (rootClass > FoldAbove && moved > kFoldAboveNote) moved -= 12;
  return IntoMidiRange(moved);
}

int ChordTransposer::RevoicedNote(int note, int root, int type) const {
  int moved = note + perform::ChordOffset(perform::kChordToneOffsets, type, perform::PitchClass(note));
  moved += perform::ChordOffset(perform::kHeldScaleToneOffsets, type, perform::PitchClass(moved));
  const int rootClass = perform::PitchClass(root);
  moved += rootClass + OctaveOffset;
  if (rootClass > FoldAbove) moved -= 12;
  return IntoMidiRange(moved);
}

void ChordTransposer::ApplyChord(int root, int type, bool adjustOctave) {
  StyleRoot = root;
  StyleType = type;
  if (!adjustOctave) OctaveOffset = root < SectionC ? -12 : 0;
}

void ChordTransposer::SetAdjustOctave(bool on) {
  if (on) OctaveOffset = 0;
  FoldAbove = on ? kAdjustOctaveFold : kNeverFold;
}

}  // namespace kalo::engine
