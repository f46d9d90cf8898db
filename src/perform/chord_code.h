#pragma once
// Chord codes: one controller-change message per chord, by which chords travel to and from another
// device or a sequencer track. Types 1..10 go on controller 20, types 11..17 on controller 19; the values
// 120 and 121 on either controller switch "Melody Ad Lib" off and on. Pure functions.

#include <cstdint>
#include <optional>

#include "perform/chord.h"

namespace kalo::perform {

inline constexpr uint8_t kChordCodeController = 20;          // types 1..10
inline constexpr uint8_t kExtendedChordCodeController = 19;  // types 11..17
inline constexpr uint8_t kAdLibOffCode = 120;
inline constexpr uint8_t kAdLibOnCode = 121;

struct ChordCode {
  uint8_t Controller;
  uint8_t Value;
  friend bool operator==(const ChordCode&, const ChordCode&) = default;
};

// The code of a chord; none for a type outside 1..17. Only root mod 12 is coded.
std::optional<ChordCode> EncodeChordCode(int root, int type);

enum class ChordCodeKind {
  kNotACode,  // not controller 19 or 20
  kChord,     // a chord: see DecodedChordCode::Value
  kAdLibOff,  // "Melody Ad Lib" off
  kAdLibOn,   // "Melody Ad Lib" on
  kIgnored,   // a controller 19/20 value that means nothing (122..127, or a type beyond the table)
};

struct DecodedChordCode {
  ChordCodeKind Kind = ChordCodeKind::kNotACode;
  Chord Value;
};

// Decodes controller `controller` with value `value`. The root is the coded pitch class placed in the
// octave above the one that holds the lowest accompaniment key (kept at or below note 127). Values 84..119
// on controller 19 would name types 18..20, which no table knows; they are ignored.
DecodedChordCode DecodeChordCode(int controller, int value, int lowestAccompanimentKey);

}  // namespace kalo::perform
