#include "perform/chord.h"

#include <gtest/gtest.h>

#include <array>
#include <iterator>
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

TEST(ChordTypeTable, EveryTypeHasItsNameAndItsFourIntervals) {
  struct Row {
    int Type;
    const char* Name;
    std::array<int8_t, 4> Intervals;
  };
  const Row rows[] = {
      {1, "maj", {0, 4, 7, 12}},   {2, "min", {0, 3, 7, 12}},   {3, "7th", {0, 4, 7, 10}},
      {4, "min7", {0, 3, 7, 10}},  {5, "dim", {0, 3, 6, 12}},   {6, "sus4", {0, 5, 7, 12}},
      {7, "add9", {0, 4, 7, 14}},  {8, "5b", {0, 4, 6, 12}},    {9, "M7", {0, 4, 7, 11}},
      {10, "aug", {0, 4, 8, 12}},  {11, "6th", {0, 4, 7, 9}},   {12, "mM7", {0, 3, 7, 11}},
      {13, "min6", {0, 3, 7, 9}},  {14, "min9", {0, 3, 7, 14}}, {15, "m5b", {0, 3, 6, 10}},
      {16, "aug7", {0, 4, 8, 10}}, {17, "sus7", {0, 5, 7, 10}},
  };
  ASSERT_EQ(std::size(rows), static_cast<size_t>(kChordTypeCount));
  for (const Row& row : rows) {
    EXPECT_EQ(ChordName(60, row.Type), std::string("C ") + row.Name) << "type " << row.Type;
    EXPECT_EQ(kChordIntervals[static_cast<size_t>(row.Type)], row.Intervals) << row.Name;
  }
}

TEST(TriadTables, EveryKeyGivesItsTriadInCMajorAndInCNaturalMinor) {
  struct Row {
    int PitchClass;
    int MajorType;
    int MinorType;
    int MinorRoot;  // pitch class of the minor-key root after lowering
  };
  // White keys: C, Dm, Em, F, G, Am, Bdim and Cm, Ddim, Eb, Fm, Gm, Ab, Bb; black keys: major
  // triads in C major, minor triads in C minor, none lowered.
  const Row rows[] = {
      {0, kMaj, kMin, 0}, {1, kMaj, kMin, 1}, {2, kMin, kDim, 2},   {3, kMaj, kMin, 3},
      {4, kMin, kMaj, 3}, {5, kMaj, kMin, 5}, {6, kMaj, kMin, 6},   {7, kMaj, kMin, 7},
      {8, kMaj, kMin, 8}, {9, kMin, kMaj, 8}, {10, kMaj, kMin, 10}, {11, kDim, kMaj, 10},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(MajorKeyTriad(row.PitchClass).Type, row.MajorType) << "pitch class " << row.PitchClass;
    EXPECT_EQ(MajorKeyTriad(row.PitchClass).RootLowering, 0) << "pitch class " << row.PitchClass;
    EXPECT_EQ(MinorKeyTriad(row.PitchClass).Type, row.MinorType) << "pitch class " << row.PitchClass;
    EXPECT_EQ(row.PitchClass - MinorKeyTriad(row.PitchClass).RootLowering, row.MinorRoot)
        << "pitch class " << row.PitchClass;
  }
  // Any note number selects by its pitch class.
  EXPECT_EQ(MajorKeyTriad(71).Type, kDim);
  EXPECT_EQ(MinorKeyTriad(-1).RootLowering, 1);
}

}  // namespace
}  // namespace kalo::perform
