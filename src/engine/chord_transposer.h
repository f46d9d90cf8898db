#pragma once
// The style's chord and the rules that move a pattern note (recorded in C) into it: table A for the
// chord tones, then table B for a note played from the stream or table C for a held note that is
// re-voiced, then the root, the octave offset and the fold of high notes. Main thread (the tick).

#include <array>
#include <cstdint>

#include "perform/chord.h"

namespace kalo::engine {

// Root pitch class above which notes are folded down an octave: never, or with "Adjust Octave"
// for roots G to B.
inline constexpr int kNeverFold = 12;
inline constexpr int kAdjustOctaveFold = 6;
// With "Adjust Octave", a transposed note from the stream above this one is folded.
inline constexpr int kFoldAboveNote = 66;

// 1 for the General MIDI programs (0-based) whose held notes are re-voiced to a new chord: strings,
// pads, organs, brass and the like; 0 for every other program.
extern const std::array<uint8_t, 128> kSustainingPrograms;

// Whether the channel's program sustains; a program never set (255) does not.
inline bool SustainingProgram(int program) {
  return program >= 0 && program < 128 && kSustainingPrograms[static_cast<size_t>(program)] != 0;
}

// A note moved by whole octaves into 0..127; notes already in range are returned unchanged.
constexpr int IntoMidiRange(int note) {
  while (note < 0) note += 12;
  while (note > 127) note -= 12;
  return note;
}

// The first C strictly above the lowest key of the accompaniment section.
constexpr int SectionCFor(int lowestSectionKey) {
  return lowestSectionKey % 12 == 0 ? lowestSectionKey + 12 : (lowestSectionKey / 12 + 1) * 12;
}

class ChordTransposer {
 public:
  // The current chord of the style: root note (only its pitch class moves notes; 128 after a reset)
  // and type (0 = no chord yet: notes pass unchanged; types above 17 keep their notes' place in the
  // scale and only move to the root).
  int StyleRoot = perform::kNoRoot;
  int StyleType = 0;
  int OctaveOffset = 0;  // 0 or -12, added to every moved note
  int FoldAbove = kNeverFold;
  int SectionC = 48;
  // The chord that the last re-voicing applied.
  int LastRoot = -1;
  int LastType = -1;

  // The stream rule: the note to send for pattern note `note` (0..127), always 0..127.
  int TransposeNote(int note) const;
  // The re-voicing rule: the note a held pattern note `note` moves to in (root, type). High notes
  // are not tested here: with a root above FoldAbove every note moves down an octave.
  int RevoicedNote(int note, int root, int type) const;

  // The root of a newly applied chord: the style takes it, and unless "Adjust Octave" is on the
  // whole accompaniment moves down an octave for roots below SectionC.
  void ApplyChord(int root, int type, bool adjustOctave);
  // "Adjust Octave" switched.
  void SetAdjustOctave(bool on);
  // Forgets the chord (engine reset).
  void Clear() {
    StyleRoot = perform::kNoRoot;
    StyleType = 0;
  }
};

}  // namespace kalo::engine
