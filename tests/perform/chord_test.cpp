#include "perform/chord.h"

#include <gtest/gtest.h>

namespace kalo::perform {
namespace {

TEST(ChordName, NamesThePitchClassOfTheRootAndTheType) {
  struct Case {
    int Root, Type;
    const char* Name;
  };
  const Case cases[] = {
      {64, kMin7, "E min7"}, {61, kAug7, "C# aug7"}, {60, kMaj, "C maj"},    {70, kSus7, "Bb sus7"},
      {0, kMin, "C min"},    {127, kMajor7, "G M7"}, {56, kMin6, "Ab min6"}, {-1, kMaj, "B maj"},
      {48, 0, "C maj"},      {48, -3, "C maj"},      {48, 18, "C maj"},
  };
  for (const Case& c : cases) EXPECT_EQ(ChordName(c.Root, c.Type), c.Name) << c.Root << " " << c.Type;
}

TEST(TriadTables, WhiteKeysGiveTheTriadsOfCMajorAndCNaturalMinor) {
  const int whiteKeys[] = {0, 2, 4, 5, 7, 9, 11};
  const int majorTypes[] = {kMaj, kMin, kMin, kMaj, kMaj, kMin, kDim};
  // Roots and types of Cm, Ddim, Eb, Fm, Gm, Ab, Bb.
  const int minorRoots[] = {0, 2, 3, 5, 7, 8, 10};
  const int minorTypes[] = {kMin, kDim, kMaj, kMin, kMin, kMaj, kMaj};
  for (int i = 0; i < 7; ++i) {
    const int pc = whiteKeys[i];
    EXPECT_EQ(MajorKeyTriad(pc).Type, majorTypes[i]) << pc;
    EXPECT_EQ(MajorKeyTriad(pc).RootLowering, 0) << pc;
    EXPECT_EQ(MinorKeyTriad(pc).Type, minorTypes[i]) << pc;
    EXPECT_EQ(pc - MinorKeyTriad(pc).RootLowering, minorRoots[i]) << pc;
  }
  // Any note number selects by its pitch class.
  EXPECT_EQ(MajorKeyTriad(71).Type, kDim);
  EXPECT_EQ(MinorKeyTriad(-1).RootLowering, 1);
}

}  // namespace
}  // namespace kalo::perform
