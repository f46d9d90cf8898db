#include "perform/chord_chart.h"

#include <gtest/gtest.h>

#include <string>

#include "perform/chord.h"

namespace kalo::perform {
namespace {

struct SymbolCase {
  const char* Symbol;
  std::optional<ChartChord> Expected;
};

TEST(ChordSymbol, NamesAndSymbolsGiveRootAndType) {
  const SymbolCase cases[] = {
      // The program's own names.
      {"Cmaj", {{0, kMaj}}},
      {"Amin", {{9, kMin}}},
      {"G7th", {{7, kSeventh}}},
      {"Dmin7", {{2, kMin7}}},
      {"C5b", {{0, kFlatFive}}},
      {"Bm5b", {{11, kMinFlatFive}}},
      {"Csus7", {{0, kSus7}}},
      {"Cmin9", {{0, kMin9}}},
      {"Caug7", {{0, kAug7}}},
      {"C6th", {{0, kSixth}}},
      // Common symbols, case deciding between major and minor.
      {"C", {{0, kMaj}}},
      {"CM", {{0, kMaj}}},
      {"Cm", {{0, kMin}}},
      {"C-", {{0, kMin}}},
      {"CM7", {{0, kMajor7}}},
      {"Cmaj7", {{0, kMajor7}}},
      {"C∆", {{0, kMajor7}}},
      {"CΔ7", {{0, kMajor7}}},
      {"Cm7", {{0, kMin7}}},
      {"Bo", {{11, kDim}}},
      {"B°", {{11, kDim}}},
      {"Bdim7", {{11, kDim}}},
      {"Bm7b5", {{11, kMinFlatFive}}},
      {"Bø", {{11, kMinFlatFive}}},
      {"Csus", {{0, kSus4}}},
      {"C7sus4", {{0, kSus7}}},
      {"C7sus", {{0, kSus7}}},
      {"Cadd9", {{0, kAdd9}}},
      {"C9", {{0, kSeventh}}},
      {"C6", {{0, kSixth}}},
      {"Cm6", {{0, kMin6}}},
      {"Cm(maj7)", {{0, kMinMajor7}}},
      {"Cm9", {{0, kMin9}}},
      {"C+", {{0, kAug}}},
      {"C7#5", {{0, kAug7}}},
      {"C+7", {{0, kAug7}}},
      {"C7b5", {{0, kFlatFive}}},
      // Roots with sharps and flats, enharmonic spellings included.
      {"C#", {{1, kMaj}}},
      {"Db", {{1, kMaj}}},
      {"D#m", {{3, kMin}}},
      {"Eb7", {{3, kSeventh}}},
      {"Fb", {{4, kMaj}}},
      {"E#", {{5, kMaj}}},
      {"Gbm7", {{6, kMin7}}},
      {"Ab", {{8, kMaj}}},
      {"A#dim", {{10, kDim}}},
      {"Bbsus4", {{10, kSus4}}},
      {"Cb", {{11, kMaj}}},
      {"B#", {{0, kMaj}}},
      {"F♯m", {{6, kMin}}},
      {"B♭7", {{10, kSeventh}}},
      // A bass note is read and left out.
      {"C/E", {{0, kMaj}}},
      {"Am7/G", {{9, kMin7}}},
      {"F/Bb", {{5, kMaj}}},
      // Refused.
      {"", std::nullopt},
      {"H", std::nullopt},
      {"c", std::nullopt},
      {"cm", std::nullopt},
      {"Cmaj13", std::nullopt},
      {"C/", std::nullopt},
      {"C/H", std::nullopt},
      {"C6/9", std::nullopt},
      {"C/E/G", std::nullopt},
      {"C##", std::nullopt},
      {"Cb5", std::nullopt},
      {"C7 ", std::nullopt},
  };
  for (const SymbolCase& c : cases) {
    const std::optional<ChartChord> chord = ParseChordSymbol(c.Symbol);
    EXPECT_EQ(chord.has_value(), c.Expected.has_value()) << '"' << c.Symbol << '"';
    if (chord && c.Expected) {
      EXPECT_EQ(chord->RootPitchClass, c.Expected->RootPitchClass) << c.Symbol;
      EXPECT_EQ(chord->Type, c.Expected->Type) << c.Symbol;
    }
  }
}

// "<measures> | <beat>:<chord name or [Request]> ..." for a readable comparison.
std::string Describe(const ChordChart& chart) {
  static const char* const kRequests[] = {"[Fill]", "[ToExtended]", "[ToBasic]", "[Ending]"};
  std::string out = std::to_string(chart.Measures) + " |";
  for (const ChartItem& item : chart.Items) {
    out += " " + std::to_string(item.Beat) + ":";
    out += item.What == ChartItem::Kind::kChord ? ChordName(item.RootPitchClass, item.Type)
                                                : kRequests[static_cast<int>(item.Request)];
  }
  return out;
}

struct ChartCase {
  const char* Text;
  int BeatsPerMeasure;
  const char* Expected;
};

TEST(ChordChart, ChordsShareTheirMeasureAndRequestsStandWhereWritten) {
  const ChartCase cases[] = {
      {"C Am | F G7", 4, "2 | 0:C maj 2:A min 4:F maj 6:G 7th"},
      {"| C | F |", 4, "2 | 0:C maj 4:F maj"},
      {"C|F||G", 3, "3 | 0:C maj 3:F maj 6:G maj"},
      {"C\tAm\n|\r\nF", 2, "2 | 0:C maj 1:A min 2:F maj"},
      {"C F G", 4, "1 | 0:C maj 2:F maj 3:G maj"},
      {"C G", 3, "1 | 0:C maj 2:G maj"},
      {"C D E F G", 6, "1 | 0:C maj 2:D maj 3:E maj 4:F maj 5:G maj"},
      {"C G | D", 3, "2 | 0:C maj 2:G maj 3:D maj"},
      {"C | G", 1, "2 | 0:C maj 1:G maj"},
      {"C Am | % | F", 4, "3 | 0:C maj 2:A min 4:C maj 6:A min 8:F maj"},
      {"C Am | % | %", 4, "3 | 0:C maj 2:A min 4:C maj 6:A min 8:C maj 10:A min"},
      {"Dm7 [Fill] | G7", 4, "2 | 0:D min7 4:[Fill] 4:G 7th"},
      {"C | [Fill] F", 4, "2 | 0:C maj 4:[Fill] 4:F maj"},
      {"C [ToExtended] Am | F G7 [Ending]", 4,
       "2 | 0:C maj 2:[ToExtended] 2:A min 4:F maj 6:G 7th 8:[Ending]"},
      {"[fill] C", 4, "1 | 0:[Fill] 0:C maj"},
      {"C [Fill] | [ToBasic] F", 4, "2 | 0:C maj 4:[Fill] 4:[ToBasic] 4:F maj"},
      {"C [Fill] | % [ Ending ]", 4, "2 | 0:C maj 4:[Fill] 4:C maj 8:[Ending]"},
      {"C | [To Basic] %", 4, "2 | 0:C maj 4:[ToBasic] 4:C maj"},
  };
  for (const ChartCase& c : cases) {
    const auto parsed = ParseChordChart(c.Text, c.BeatsPerMeasure);
    if (const auto* error = std::get_if<std::string>(&parsed)) {
      ADD_FAILURE() << c.Text << ": " << *error;
      continue;
    }
    EXPECT_EQ(Describe(std::get<ChordChart>(parsed)), c.Expected) << c.Text;
  }
}

TEST(ChordChart, AnErrorNamesTheTokenAndItsPlace) {
  const ChartCase cases[] = {
      {"C Hm7 | F", 4, "unknown chord \"Hm7\" at measure 1, token 2 (column 3)"},
      {"C | F Xyz", 4, "unknown chord \"Xyz\" at measure 2, token 2 (column 7)"},
      {"C∆ | Bø | X", 4, "unknown chord \"X\" at measure 3, token 1 (column 11)"},
      {"C | [Break] F", 4, "unknown request \"[Break]\" at measure 2, token 1 (column 5)"},
      {"C [Fill | F", 4, "\"[Fill | F\" at measure 1, token 2 (column 3) has no closing ]"},
      {"% | C", 4, "\"%\" at measure 1, token 1 (column 1) has no measure before it to repeat"},
      {"C | % F", 4, "\"F\" at measure 2, token 2 (column 7) follows a % in its measure"},
      {"C | F %", 4, "\"%\" at measure 2, token 2 (column 7) must be the only chord of its measure"},
      {"C | | F", 4, "measure 2 (column 5) has no chord"},
      {"C | [Fill] | F", 4, "measure 2 (column 5) has no chord"},
      {"C D E F G", 4, "measure 1 (column 1) has 5 chords but only 4 beats"},
      {"", 4, "the chart has no measure"},
      {" || ", 4, "the chart has no measure"},
      {"C", 0, "beats per measure must lie within 1..64, not 0"},
  };
  for (const ChartCase& c : cases) {
    const auto parsed = ParseChordChart(c.Text, c.BeatsPerMeasure);
    const auto* error = std::get_if<std::string>(&parsed);
    ASSERT_NE(error, nullptr) << c.Text;
    EXPECT_EQ(error->find(c.Expected), 0u) << c.Text << ": " << *error;
  }
}

}  // namespace
}  // namespace kalo::perform
