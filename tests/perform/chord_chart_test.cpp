#include "perform/chord_chart.h"

#include <gtest/gtest.h>

#include <string>

#include "perform/chord.h"

namespace kalo::perform {
namespace {

struct TextCase {
  const char* Text;
  const char* Expected;  // a chord name, "" for a refused symbol; a chart description; an error text
};

TEST(ChordSymbol, RootsTypesAndTheirNearestTypes) {
  const TextCase cases[] = {
      {"Cmaj", "C maj"},  {"G7th", "G 7th"},  {"Bm5b", "B m5b"},  {"C", "C maj"},      {"CM", "C maj"},
      {"Cm", "C min"},    {"CM7", "C M7"},    {"Cm7", "C min7"},  {"C∆", "C M7"},      {"Bø", "B m5b"},
      {"Bm7b5", "B m5b"}, {"B°", "B dim"},    {"Bdim7", "B dim"}, {"C9", "C 7th"},     {"Cm9", "C min9"},
      {"C7b5", "C 5b"},   {"C7#5", "C aug7"}, {"C+", "C aug"},    {"C7sus", "C sus7"}, {"Cm(maj7)", "C mM7"},
      {"Db", "C# maj"},   {"D#m", "Eb min"},  {"Fb", "E maj"},    {"E#", "F maj"},     {"Cb", "B maj"},
      {"B#", "C maj"},    {"F♯m", "F# min"},  {"B♭7", "Bb 7th"},  {"Am7/G", "A min7"}, {"F/Bb", "F maj"},
      {"", ""},           {"H", ""},          {"cm", ""},         {"Cmaj13", ""},      {"C/", ""},
      {"C/H", ""},        {"C6/9", ""},       {"C/E/G", ""},      {"C##", ""},         {"Cb5", ""},
      {"C7 ", ""}};
  for (const TextCase& c : cases) {
    const std::optional<ChartChord> chord = ParseChordSymbol(c.Text);
    EXPECT_EQ(chord ? ChordName(chord->RootPitchClass, chord->Type) : "", c.Expected) << '"' << c.Text << '"';
  }
}

// "<measures> | <beat>:<chord name or [Request]> ..." or the error text.
std::string Describe(const std::variant<ChordChart, std::string>& parsed) {
  if (const auto* error = std::get_if<std::string>(&parsed)) return *error;
  const ChordChart& chart = std::get<ChordChart>(parsed);
  std::string out = std::to_string(chart.Measures) + " |";
  for (const ChartItem& item : chart.Items) {
    out += " " + std::to_string(item.Beat) + ":";
    switch (item.What) {
      case ChartItem::Kind::kChord:
        out += ChordName(item.RootPitchClass, item.Type);
        if (item.RootNote != 0) out += "@" + std::to_string(item.RootNote);
        break;
      case ChartItem::Kind::kRawChord:
        out += "@" + std::to_string(item.RootNote) + ":" + std::to_string(item.Type);
        break;
      case ChartItem::Kind::kRequest:
        out += ChartRequestToken(item.Request);
        break;
      case ChartItem::Kind::kFunction:
        out += ChartFunctionToken(item.Code, item.Parameter);
        break;
    }
  }
  return out;
}

TEST(ChordChart, ChordsShareTheirMeasureAndRequestsStandWhereWritten) {
  const TextCase in4[] = {
      {"C Am | F G7", "2 | 0:C maj 2:A min 4:F maj 6:G 7th"},
      {"| C\tAm |\r\nF||G |", "3 | 0:C maj 2:A min 4:F maj 8:G maj"},
      {"C F G", "1 | 0:C maj 2:F maj 3:G maj"},
      {"C Am | % | %", "3 | 0:C maj 2:A min 4:C maj 6:A min 8:C maj 10:A min"},
      {"Dm7 [Fill] | G7", "2 | 0:D min7 4:[Fill] 4:G 7th"},
      {"C [ToExtended] Am | F G7 [Ending]", "2 | 0:C maj 2:[ToExtended] 2:A min 4:F maj 6:G 7th 8:[Ending]"},
      {"[fill] C | [To Basic] % [ ending ]", "2 | 0:[Fill] 0:C maj 4:[ToBasic] 4:C maj 8:[Ending]"},
      {"C Hm7 | F", "unknown chord \"Hm7\" at measure 1, token 2 (column 3)"},
      {"C∆ | Bø | X", "unknown chord \"X\" at measure 3, token 1 (column 11)"},
      {"C | [Break] F",
       "unknown request \"[Break]\" at measure 2, token 1 (column 5): the requests are [Fill], [ToExtended], "
       "[ToBasic], [Ending] and [Intro], the song functions [Tempo N], [Loop Nx], [LoopEnd], [Transpose +N], "
       "[Transpose -N], [Solo N], [Mute N], [Play N], [Play All], [Mute All], [Mute Melody], [Play Melody], "
       "[Stop] and [Function CODE PARAMETER]"},
      {"C . G / | [Intro] % [Tempo 90]",
       "2 | 0:C maj 2:G maj 3:G maj 4:[Intro] 4:C maj 6:G maj 7:G maj 8:[Tempo 90]"},
      {"[To Ext.] C@36 [Loop 2x] @50:0 | [Transpose -3] [Solo 4] .",
       "2 | 0:[ToExtended] 0:C maj@36 2:[Loop 2x] 2:@50:0 4:[Transpose -3] 4:[Solo 4]"},
      {"{title: x} {time: 3/4} C G | D", "2 | 0:C maj 2:G maj 3:D maj"},
      {"C\n# H is no chord\nH", "unknown chord \"H\" at measure 1, token 2 (line 3, column 1)"},
      {"C [Tempo 300]",
       "unknown request \"[Tempo 300]\" at measure 1, token 2 (column 3): the requests are [Fill], "
       "[ToExtended], [ToBasic], [Ending] and [Intro], the song functions [Tempo N], [Loop Nx], [LoopEnd], "
       "[Transpose +N], [Transpose -N], [Solo N], [Mute N], [Play N], [Play All], [Mute All], [Mute Melody], "
       "[Play Melody], [Stop] and [Function CODE PARAMETER]"},
      {"C [Fill | F", "\"[Fill | F\" at measure 1, token 2 (column 3) has no closing ]"},
      {"% | C", "\"%\" at measure 1, token 1 (column 1) has no measure before it to repeat"},
      {"C | % F", "\"F\" at measure 2, token 2 (column 7) follows a % in its measure"},
      {"C | F %", "\"%\" at measure 2, token 2 (column 7) must be the only chord of its measure"},
      {"C | | F", "measure 2 (column 5) has no chord; write % to repeat the measure before"},
      {"C | [Fill] | F", "measure 2 (column 5) has no chord; write % to repeat the measure before"},
      {"C D E F G", "measure 1 (column 1) has 5 chords but only 4 beats"},
      {" || ", "the chart has no measure"}};
  for (const TextCase& c : in4) {
    EXPECT_EQ(Describe(ParseChordChart(c.Text, 4)), c.Expected) << c.Text;
  }
  EXPECT_EQ(Describe(ParseChordChart("C G | D", 3)), "2 | 0:C maj 2:G maj 3:D maj");
  EXPECT_EQ(Describe(ParseChordChart("C D E F G", 6)), "1 | 0:C maj 2:D maj 3:E maj 4:F maj 5:G maj");
  EXPECT_EQ(Describe(ParseChordChart("C | G", 1)), "2 | 0:C maj 1:G maj");
  EXPECT_EQ(Describe(ParseChordChart("C", 0)), "beats per measure must lie within 1..64, not 0");
}

TEST(ChordChart, EveryFunctionTokenReadsBackAsItsCodeAndParameter) {
  for (int code = 0; code <= 255; ++code) {
    for (int parameter = 0; parameter <= 255; ++parameter) {
      const std::string token = ChartFunctionToken(code, parameter);
      const std::optional<ChartMark> mark = ParseChartMark(token);
      ASSERT_TRUE(mark && !mark->IsRequest && mark->Code == code && mark->Parameter == parameter) << token;
    }
  }
  for (int type = 1; type <= kChordTypeCount; ++type) {
    for (int root = 0; root < 12; ++root) {
      const std::string token = ChartChordToken(root, type);
      EXPECT_EQ(ParseChordSymbol(token), (ChartChord{root, type})) << token;
    }
  }
}

}  // namespace
}  // namespace kalo::perform
