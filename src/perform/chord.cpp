#include "perform/chord.h"

namespace kalo::perform {

const std::array<std::array<int8_t, 4>, kChordTypeCount + 1> kChordIntervals = {{
    {0, 0, 0, 0},   // none
    {0, 4, 7, 12},  // maj
    {0, 3, 7, 12},  // min
    {0, 4, 7, 10},  // 7th
    {0, 3, 7, 10},  // min7
    {0, 3, 6, 12},  // dim
    {0, 5, 7, 12},  // sus4
    {0, 4, 7, 14},  // add9
    {0, 4, 6, 12},  // 5b
    {0, 4, 7, 11},  // M7
    {0, 4, 8, 12},  // aug
    {0, 4, 7, 9},   // 6th
    {0, 3, 7, 11},  // mM7
    {0, 3, 7, 9},   // min6
    {0, 3, 7, 14},  // min9
    {0, 3, 6, 10},  // m5b
    {0, 4, 8, 10},  // aug7
    {0, 5, 7, 10},  // sus7
}};

const std::array<const char*, kChordTypeCount + 1> kChordTypeNames = {
    "maj", "maj", "min", "7th", "min7", "dim",  "sus4", "add9", "5b",
    "M7",  "aug", "6th", "mM7", "min6", "min9", "m5b",  "aug7", "sus7",
};

const std::array<const char*, 12> kNoteNames = {"C",  "C#", "D",  "Eb", "E",  "F",
                                                "F#", "G",  "Ab", "A",  "Bb", "B"};

namespace {

// Identity today; kept as a table so that positions and types can be decoupled later.
constexpr std::array<int8_t, kChordTypeCount + 1> kChordTypeOrder = {0, 1,  2,  3,  4,  5,  6,  7,  8,
                                                                     9, 10, 11, 12, 13, 14, 15, 16, 17};

constexpr std::array<int8_t, 12> kMajorKeyTypes = {kMaj, kMaj, kMin, kMaj, kMin, kMaj,
                                                   kMaj, kMaj, kMaj, kMin, kMaj, kDim};
constexpr std::array<int8_t, 12> kMinorKeyTypes = {kMin, kMin, kDim, kMin, kMaj, kMin,
                                                   kMin, kMin, kMin, kMaj, kMin, kMaj};
constexpr std::array<int8_t, 12> kMinorKeyLowering = {0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 1};

}  // namespace

std::string ChordName(int root, int type) {
  const int shown = IsChordType(type) ? type : kMaj;
  return std::string(kNoteNames[PitchClass(root)]) + " " + kChordTypeNames[shown];
}

int OrderedChordType(int position) { return IsChordType(position) ? kChordTypeOrder[position] : kMaj; }

Triad MajorKeyTriad(int pitchClass) {
  const int pc = PitchClass(pitchClass);
  return {kMajorKeyTypes[pc], 0};
}

Triad MinorKeyTriad(int pitchClass) {
  const int pc = PitchClass(pitchClass);
  return {kMinorKeyTypes[pc], kMinorKeyLowering[pc]};
}

}  // namespace kalo::perform
