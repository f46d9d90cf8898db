#pragma once
// How the notes of a pattern recorded in C move into a chord: for each chord type, the semitones
// added to a note of each pitch class. Table A moves the chord tones (C, E, G, B of C major) to the
// tones of the type; table B moves the scale tones of a note played from a style; table C moves the
// scale tones of a held note that is re-voiced, and of a melody note in "Melody Ad Lib". Pure data.

#include <array>
#include <cstdint>

#include "perform/chord.h"

namespace kalo::perform {

// Rows by chord type 1..17 (row 0, "no chord", is all zero), columns by pitch class 0..11.
using ChordOffsetTable = std::array<std::array<int8_t, 12>, kChordTypeCount + 1>;

extern const ChordOffsetTable kChordToneOffsets;      // table A
extern const ChordOffsetTable kScaleToneOffsets;      // table B
extern const ChordOffsetTable kHeldScaleToneOffsets;  // table C

// The offset for a note of `pitchClass` (0..11) in chord type `type`. Types outside 1..17 (a chord
// code can name types 18 to 20) have no row: their notes keep their place in the scale (offset 0).
constexpr int ChordOffset(const ChordOffsetTable& table, int type, int pitchClass) {
  if (!IsChordType(type) || pitchClass < 0 || pitchClass > 11) return 0;
  return table[static_cast<size_t>(type)][static_cast<size_t>(pitchClass)];
}

}  // namespace kalo::perform
