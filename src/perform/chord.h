#pragma once
// The chord value shared by every way of entering a chord, the 17-type table with its intervals, the note
// names and the fixed tables that map positions and one-finger keys to chord types. Pure data and pure
// functions: safe on any thread.

#include <array>
#include <cstdint>
#include <string>

namespace kalo::perform {

// Root 128 with type 0: no chord.
inline constexpr int16_t kNoRoot = 128;
inline constexpr int kChordTypeCount = 17;

// A root (MIDI note number; only root mod 12 names the chord) and a type 1..17 (0 = none).
struct Chord {
  int16_t Root = kNoRoot;
  int16_t Type = 0;
  friend bool operator==(const Chord&, const Chord&) = default;
};

// The chord types by number.
inline constexpr int kNoChordType = 0;
inline constexpr int kMaj = 1;
inline constexpr int kMin = 2;
inline constexpr int kSeventh = 3;
inline constexpr int kMin7 = 4;
inline constexpr int kDim = 5;
inline constexpr int kSus4 = 6;
inline constexpr int kAdd9 = 7;
inline constexpr int kFlatFive = 8;
inline constexpr int kMajor7 = 9;
inline constexpr int kAug = 10;
inline constexpr int kSixth = 11;
inline constexpr int kMinMajor7 = 12;
inline constexpr int kMin6 = 13;
inline constexpr int kMin9 = 14;
inline constexpr int kMinFlatFive = 15;
inline constexpr int kAug7 = 16;
inline constexpr int kSus7 = 17;

// True for the types 1..17 that the table knows.
constexpr bool IsChordType(int type) { return type >= 1 && type <= kChordTypeCount; }

// Four semitone offsets above the root per type, index 1..17 (index 0 is unused and all zero). Three-note
// types list the root twice (offset 12), so every type has exactly four entries.
extern const std::array<std::array<int8_t, 4>, kChordTypeCount + 1> kChordIntervals;

// Displayed type names, index 1..17 ("maj" .. "sus7"); index 0 repeats "maj".
extern const std::array<const char*, kChordTypeCount + 1> kChordTypeNames;

// Note names by pitch class 0..11.
extern const std::array<const char*, 12> kNoteNames;

// Pitch class 0..11 of any note number, negative ones included.
constexpr int PitchClass(int note) { return ((note % 12) + 12) % 12; }

// "<note name of root mod 12> <type name>", e.g. "E min7" for (64, 4). Types outside 1..17 are named as
// type 1, so the name is always defined.
std::string ChordName(int root, int type);

// The chord-type order table: type numbers computed from positions (two-finger distances, chord-type keys,
// chord buttons) pass through it. Numbers outside 1..17 give 1.
int OrderedChordType(int position);

// "Major <> Minor": exchanges 1 and 2, and 3 and 4; other types are returned unchanged.
constexpr int SwapMajorMinor(int type) {
  switch (type) {
    case kMaj:
      return kMin;
    case kMin:
      return kMaj;
    case kSeventh:
      return kMin7;
    case kMin7:
      return kSeventh;
    default:
      return type;
  }
}

// "Triad chords": the triad that a single key of pitch class 0..11 stands for, in C major or, with
// "Major <> Minor", in C natural minor (whose root is then lowered by RootLowering semitones).
struct Triad {
  int Type;
  int RootLowering;
};
Triad MajorKeyTriad(int pitchClass);
Triad MinorKeyTriad(int pitchClass);

}  // namespace kalo::perform
