#pragma once
// Turns the keys held in the accompaniment zone into a chord: fingered chords (any voicing of three or
// more keys scored against the 17 interval sets) and two-finger chords (the distance between two keys
// selects the type). Main thread only, once per note message of the accompaniment zone; the caller has
// already decided that the key belongs to the zone.

#include <array>
#include <cstdint>
#include <optional>
#include <span>

#include "perform/chord_state.h"

namespace kalo::perform {

// The keyboard reaction, settings key K_Smart.
inline constexpr int kSmartReaction = 0;   // "smart (note on/off)": released keys leave the list
inline constexpr int kStaticReaction = 1;  // "static (note on)": released keys stay until the list wraps

// Fingered chords below this root note sound an octave higher.
inline constexpr int kLowestFingeredRoot = 44;

// The best match of a set of held pitch classes against the chord-type table.
struct ChordCandidate {
  int Type = 0;            // 1..17, 0 = none
  int RootPitchClass = 0;  // 0..11
  int Score = 0;           // interval entries of the type that are held, 0..4
  friend bool operator==(const ChordCandidate&, const ChordCandidate&) = default;
};

// Scores every root 0..11 and, within a root, every type from 17 down to 1; only a strictly higher score
// replaces the best, or an equal score whose chord tones account for more of the held pitch classes (so
// A C# E G is A 7th, not C# dim with a stray A, and D F A C# is D mM7, not F aug); remaining ties go to
// the lowest root and then to the highest type number (C E G A stays C 6th, not A min7). An interval entry
// counts once however often its pitch class is held; the doubled root of three-note types counts twice,
// which makes a complete triad beat the four-note types containing it. No keys: none; one key: that pitch
// class as "maj".
ChordCandidate ScoreChord(std::span<const uint8_t> heldPitchClasses);

// The root note fingered recognition gives a chord with this root pitch class: the first note at or above
// the lowest accompaniment key with that pitch class, an octave higher when it lies below
// kLowestFingeredRoot. With the factory lowest key E2 (40) the roots lie on Ab2..G3 (44..55).
int FingeredRootNote(int pitchClass, int lowestAccompanimentKey);

class ChordRecognizer {
 public:
  static constexpr int kMaxHeld = 6;

  // `chords` must outlive the recognizer; "2-Finger-Chords" is read from its options.
  explicit ChordRecognizer(ChordState& chords) : chords_(chords) {}

  // Settings, set by the configuration and the keyboard panel.
  int KSmart = kSmartReaction;
  int LowestAccompanimentKey = 36;  // "First Acc. Key", a note number
  int Transpose = 0;                // the keyboard panel's transpose, -11..11 semitones

  // A key of the accompaniment zone pressed / released (a note-on with velocity 0 is a release). Both
  // return whether a chord is pending afterwards: then the key is consumed as a chord key.
  bool NoteOn(int key);
  bool NoteOff(int key);

  // After a two-finger key and after every release: stores the pending chord again as it stands. It
  // applies no option twice, so calling it again (as the input dispatch does after any chord key) changes
  // nothing.
  void CommonStep();

  // The held pitch classes in the order pressed (the list restarts at the front on a seventh entry).
  std::span<const uint8_t> Held() const { return {held_.data(), static_cast<size_t>(count_)}; }
  // The two-finger first key (transposed note number), if one is held.
  std::optional<int> FirstKey() const { return firstKey_; }
  // The first note at or above the lowest accompaniment key with the given pitch class.
  int PlaceRoot(int pitchClass) const;

 private:
  void FingeredNoteOn(int key);
  void TwoFingerNoteOn(int key);

  ChordState& chords_;
  std::array<uint8_t, kMaxHeld> held_{};
  int count_ = 0;
  std::optional<int> firstKey_;
};

}  // namespace kalo::perform
