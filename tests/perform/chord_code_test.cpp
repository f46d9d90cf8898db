#include "perform/chord_code.h"

#include <gtest/gtest.h>

namespace kalo::perform {
namespace {

TEST(EncodeChordCode, PutsTypesOneToTenOnController20AndTheRestOn19) {
  struct Case {
    int Root, Type;
    ChordCode Code;
  };
  const Case cases[] = {
      {64, kMin7, {20, 40}},  // E min7
      {70, kSus7, {19, 82}},  // Bb sus7
      {48, kMaj, {20, 0}},   {59, kAug, {20, 119}},
      {60, kSixth, {19, 0}}, {-2, kMin, {20, 22}},  // pitch class of a negative root is 10
  };
  for (const Case& c : cases) EXPECT_EQ(EncodeChordCode(c.Root, c.Type), c.Code) << c.Root << " " << c.Type;
  EXPECT_FALSE(EncodeChordCode(60, 0));
  EXPECT_FALSE(EncodeChordCode(60, 18));
}

TEST(DecodeChordCode, PlacesTheRootInTheOctaveAboveTheLowestAccompanimentKey) {
  struct Case {
    int Controller, Value, LowestKey;
    Chord Expected;
  };
  const Case cases[] = {
      {19, 13, 36, {49, kMinMajor7}},  // C# mM7
      {20, 40, 36, {52, kMin7}},       // E min7
      {20, 40, 47, {52, kMin7}},       // lowest key B2: the octave from C3
      {20, 40, 48, {64, kMin7}},       // lowest key C3: the octave from C4
      {20, 0, 0, {12, kMaj}},         {19, 83, 36, {59, kSus7}},
      {20, 11, 120, {119, kMaj}},  // would be 143: kept below 128 by whole octaves
  };
  for (const Case& c : cases) {
    const DecodedChordCode decoded = DecodeChordCode(c.Controller, c.Value, c.LowestKey);
    EXPECT_EQ(decoded.Kind, ChordCodeKind::kChord) << c.Value;
    EXPECT_EQ(decoded.Value, c.Expected) << c.Controller << " " << c.Value;
  }
}

TEST(DecodeChordCode, TellsCommandsAndMeaninglessValuesApartFromChords) {
  EXPECT_EQ(DecodeChordCode(20, 120, 36).Kind, ChordCodeKind::kAdLibOff);
  EXPECT_EQ(DecodeChordCode(19, 121, 36).Kind, ChordCodeKind::kAdLibOn);
  EXPECT_EQ(DecodeChordCode(20, 122, 36).Kind, ChordCodeKind::kIgnored);
  EXPECT_EQ(DecodeChordCode(20, 127, 36).Kind, ChordCodeKind::kIgnored);
  // Types 18..20 do not exist.
  EXPECT_EQ(DecodeChordCode(19, 84, 36).Kind, ChordCodeKind::kIgnored);
  EXPECT_EQ(DecodeChordCode(19, 119, 36).Kind, ChordCodeKind::kIgnored);
  EXPECT_EQ(DecodeChordCode(21, 0, 36).Kind, ChordCodeKind::kNotACode);
  EXPECT_EQ(DecodeChordCode(7, 100, 36).Kind, ChordCodeKind::kNotACode);
}

TEST(ChordCode, EveryChordSurvivesTheRoundTripWithItsPitchClassAndType) {
  for (int type = 1; type <= kChordTypeCount; ++type) {
    for (int root = 36; root < 48; ++root) {
      const auto code = EncodeChordCode(root, type);
      ASSERT_TRUE(code);
      const DecodedChordCode decoded = DecodeChordCode(code->Controller, code->Value, 40);
      ASSERT_EQ(decoded.Kind, ChordCodeKind::kChord);
      EXPECT_EQ(decoded.Value.Type, type);
      EXPECT_EQ(PitchClass(decoded.Value.Root), PitchClass(root));
    }
  }
}

}  // namespace
}  // namespace kalo::perform
