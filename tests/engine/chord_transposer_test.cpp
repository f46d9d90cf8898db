// Moving pattern notes into the chord: the stream rule, the re-voicing rule, the octave offset below
// the section's C, "Adjust Octave" and notes pushed out of the MIDI range. (That every moved note is a
// MIDI note is also checked over random play in tests/app.)

#include "engine/chord_transposer.h"

#include <gtest/gtest.h>

#include <string>

#include "perform/chord.h"

namespace kalo::engine {
namespace {

using namespace perform;  // chord type names

struct Row {
  std::string Name;
  int Root, Type;
  int LowestSectionKey;
  bool Adjust;
  int Note;
  int Streamed;  // TransposeNote
  int Revoiced;  // RevoicedNote in the same chord
};

TEST(ChordTransposerTest, MovesPatternNotesIntoTheChord) {
  const Row rows[] = {
      // E4 against A minor played as A3, section C 48: E-1 gives Eb, A's root gives C5, the minor third.
      {"A min, E4", 57, kMin, 40, false, 64, 72, 72},
      {"C maj at the section C leaves notes alone", 60, kMaj, 40, false, 67, 67, 67},
      {"C maj re-voices B as Bb", 60, kMaj, 40, false, 71, 71, 70},
      {"C min7: G up to Bb", 60, kMin7, 40, false, 67, 70, 70},
      {"C min7: A from the stream rises, held it falls", 60, kMin7, 40, false, 69, 70, 68},
      {"D dim: E to Eb, then the root", 62, kDim, 40, false, 64, 65, 65},
      {"C add9: G up to D", 60, kAdd9, 40, false, 67, 74, 74},
      {"root F2 with the section from F2: an octave down", 41, kMaj, 41, false, 60, 53, 53},
      {"Adjust Octave, root A: 66 stays", 69, kMaj, 40, true, 57, 66, 54},
      {"Adjust Octave, root A: 67 folds", 69, kMaj, 40, true, 58, 55, 55},
      {"Adjust Octave, root F: nothing folds", 65, kMaj, 40, true, 64, 69, 69},
      {"a type from a chord code beyond the table keeps its scale, takes the root", 62, 18, 40, false, 64, 66,
       66},
      {"pushed above 127: down by octaves", 60, kMajor7, 40, false, 127, 119, 119},
      {"pushed below 0: up by octaves", 48, kMaj, 52, false, 2, 2, 2},
      {"no chord yet: unchanged", kNoRoot, 0, 40, false, 64, 64, 64},
  };
  for (const Row& row : rows) {
    ChordTransposer t;
    t.SectionC = SectionCFor(row.LowestSectionKey);
    t.SetAdjustOctave(row.Adjust);
    t.ApplyChord(row.Root, row.Type, row.Adjust);
    EXPECT_EQ(t.TransposeNote(row.Note), row.Streamed) << row.Name;
    if (row.Type != 0) {
      EXPECT_EQ(t.RevoicedNote(row.Note, row.Root, row.Type), row.Revoiced) << row.Name;
    }
  }
}

}  // namespace
}  // namespace kalo::engine
