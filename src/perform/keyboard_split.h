#pragma once
// The keyboard split: up to four zones of the player's keyboard, each with its own channel and
// transposition. Zone i covers the keys below its upper key that no earlier zone covers. Pure values.

#include <array>
#include <cstdint>
#include <optional>

namespace kalo::perform {

inline constexpr int kSplitZones = 4;

// One zone as the "Keyboard Split" dialog gives it.
struct SplitZoneChoice {
  int NoteName = 0;     // C..B, 0..11
  int Octave = 4;       // 1..8
  int Channel = 1;      // 1..16
  int OctaveShift = 0;  // -8..8
  bool Enabled = false;
};

// One zone as the dispatch uses it.
struct SplitZone {
  int UpperKey = 0;     // the zone holds keys below this one
  uint8_t Channel = 0;  // 0..15
  int Transpose = 0;    // semitones, a whole number of octaves
  bool Enabled = false;
  friend bool operator==(const SplitZone&, const SplitZone&) = default;
};

using SplitZones = std::array<SplitZone, kSplitZones>;

// The upper key of a zone: note name + 12 x octave, an octave lower for any name but C (C in octave 4
// is key 48, C# in octave 4 is key 37, B in octave 4 is key 47).
int SplitUpperKey(int noteName, int octave);

// The zones of the dialog's choices ("Set values and activate Split"). Values outside their ranges are
// brought into them. Each zone's octave shift is corrected an octave at a time until its keys (from the
// previous zone's upper key, 0 for the first, to its own upper key - 1) stay within 0..127.
SplitZones ComputeSplitZones(const std::array<SplitZoneChoice, kSplitZones>& choices);

// The first zone whose upper key is above `key`; none when the key is above every zone.
std::optional<SplitZone> ZoneOfKey(const SplitZones& zones, int key);

}  // namespace kalo::perform
