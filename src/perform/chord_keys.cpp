#include "perform/chord_keys.h"

#include <algorithm>
#include <bit>
#include <cstdint>

#include "perform/chord.h"
#include "perform/chord_recognizer.h"

namespace kalo::perform {

namespace {

constexpr int kMinKeys = 3;  // recognition starts at the third held key

int FirstKeyAtOrAbove(int lowest, int pitchClass) {
  return lowest + (pitchClass + 12 - PitchClass(lowest)) % 12;
}

// The keys for one set of the chord's pitch classes, or none when they do not fit into the zone.
std::optional<std::vector<int>> Voice(const std::vector<int>& pitchClasses, AccompanimentZone zone) {
  std::vector<int> keys;
  for (int pc : pitchClasses) {
    const int key = FirstKeyAtOrAbove(zone.Lowest, pc);
    if (key > zone.Highest) return std::nullopt;
    keys.push_back(key);
  }
  // Fewer than three tones: double them an octave (then two) up to reach the third key.
  for (int octave = 12; keys.size() < static_cast<size_t>(kMinKeys) && octave <= 24; octave += 12) {
    for (size_t i = 0; i < pitchClasses.size() && keys.size() < static_cast<size_t>(kMinKeys); ++i) {
      const int key = FirstKeyAtOrAbove(zone.Lowest, pitchClasses[i]) + octave;
      if (key <= zone.Highest) keys.push_back(key);
    }
  }
  if (keys.size() < static_cast<size_t>(kMinKeys)) return std::nullopt;
  std::sort(keys.begin(), keys.end());
  return keys;
}

}  // namespace

std::optional<std::vector<int>> ChordKeys(int rootPitchClass, int type, AccompanimentZone zone) {
  if (!IsChordType(type) || zone.Lowest < 0 || zone.Highest > 127 || zone.Lowest > zone.Highest) {
    return std::nullopt;
  }
  const int root = PitchClass(rootPitchClass);
  std::vector<int> tones;  // distinct pitch classes, root first
  for (int interval : kChordIntervals[type]) {
    const int pc = (root + interval) % 12;
    if (std::find(tones.begin(), tones.end(), pc) == tones.end()) tones.push_back(pc);
  }

  // Sets of tones from the largest down; among equal sizes those with the root first.
  std::vector<unsigned> masks;
  for (unsigned mask = 1; mask < (1u << tones.size()); ++mask) masks.push_back(mask);
  std::stable_sort(masks.begin(), masks.end(), [](unsigned a, unsigned b) {
    if (std::popcount(a) != std::popcount(b)) return std::popcount(a) > std::popcount(b);
    return (a & 1u) > (b & 1u);
  });

  for (unsigned mask : masks) {
    std::vector<int> chosen;
    for (size_t i = 0; i < tones.size(); ++i) {
      if (mask & (1u << i)) chosen.push_back(tones[i]);
    }
    std::optional<std::vector<int>> keys = Voice(chosen, zone);
    if (!keys) continue;
    std::vector<uint8_t> held;
    for (int key : *keys) held.push_back(static_cast<uint8_t>(PitchClass(key)));
    const ChordCandidate recognized = ScoreChord(held);
    if (recognized.RootPitchClass == root && recognized.Type == type) return keys;
  }
  return std::nullopt;
}

}  // namespace kalo::perform
