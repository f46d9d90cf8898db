#include "perform/chord.h"

#include <gtest/gtest.h>

#include <string>

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

// The triads of the white and black keys in C major and in C natural minor (roots lowered where the
// minor key's triad lies a semitone below); any note number selects by its pitch class.
TEST(TriadTables, EveryKeyGivesItsTriadInCMajorAndInCNaturalMinor) {
  std::string major, minor;
  for (int key = 60; key < 72; ++key) {
    major += ChordName(key - MajorKeyTriad(key).RootLowering, MajorKeyTriad(key).Type) + ",";
    minor += ChordName(key - MinorKeyTriad(key).RootLowering, MinorKeyTriad(key).Type) + ",";
  }
  EXPECT_EQ(major, "C maj,C# maj,D min,Eb maj,E min,F maj,F# maj,G maj,Ab maj,A min,Bb maj,B dim,");
  EXPECT_EQ(minor, "C min,C# min,D dim,Eb min,Eb maj,F min,F# min,G min,Ab min,Ab maj,Bb min,Bb maj,");
  EXPECT_EQ(MinorKeyTriad(-1).RootLowering, 1);
}

}  // namespace
}  // namespace kalo::perform
