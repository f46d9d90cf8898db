#include "perform/keyboard_split.h"

#include <algorithm>

namespace kalo::perform {

int SplitUpperKey(int noteName, int octave) {
  const int name = std::clamp(noteName, 0, 11);
  return name + 12 * std::clamp(octave, 1, 8) - (name > 0 ? 12 : 0);
}

SplitZones ComputeSplitZones(const std::array<SplitZoneChoice, kSplitZones>& choices) {
  SplitZones zones;
  int lowest = 0;
  for (int i = 0; i < kSplitZones; ++i) {
    const SplitZoneChoice& choice = choices[i];
    SplitZone& zone = zones[i];
    zone.UpperKey = SplitUpperKey(choice.NoteName, choice.Octave);
    zone.Channel = static_cast<uint8_t>(std::clamp(choice.Channel, 1, 16) - 1);
    zone.Enabled = choice.Enabled;
    // Keys run from 0 to 95 and a shift moves them at most eight octaves, so each loop ends within a
    // few steps; an empty zone (upper key not above the previous one) needs no correction.
    int shift = std::clamp(choice.OctaveShift, -8, 8);
    const int highest = zone.UpperKey - 1;
    if (highest >= lowest) {
      while (lowest + 12 * shift < 0) ++shift;
      while (highest + 12 * shift > 127) --shift;
    }
    zone.Transpose = 12 * shift;
    lowest = zone.UpperKey;
  }
  return zones;
}

std::optional<SplitZone> ZoneOfKey(const SplitZones& zones, int key) {
  for (const SplitZone& zone : zones) {
    if (zone.UpperKey > key) return zone;
  }
  return std::nullopt;
}

}  // namespace kalo::perform
