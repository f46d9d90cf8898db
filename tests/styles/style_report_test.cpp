#include "styles/style_report.h"

#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <string>

#include "styles/style_test_support.h"

namespace kalo::styles {
namespace {

using testing::MakeSampleStyle;

TEST(StyleReport, EventsOfAPartCountTicksFromThePartsStart) {
  const ParsedStyleFile style = ParseStyleFile(MakeSampleStyle().FileBytes());
  EXPECT_EQ(StyleEventsText(style, kBasic),
            "0 144 61 100\n24 144 61 0\n24 153 36 100\n48 153 38 100\n72 153 42 100\n");
  const std::string all = StyleEventsText(style, std::nullopt);
  EXPECT_EQ(all.substr(0, 23), "0 176 7 90\n0 192 5 0\n0 ");
  EXPECT_NE(all.find("\n96 144 61 100\n"), std::string::npos);  // Basic follows the 96-tick Intro
}

TEST(StyleReport, EventsStopAtAMessageCutOffByTheEndAndSkipStrayBytes) {
  ParsedStyleFile style;
  style.Image.Stream = {0x05, 0xF3, 0xF9, 0x90, 60, 1, 0xF8, 0x80, 60};
  EXPECT_EQ(StyleEventsText(style, std::nullopt), "2 144 60 1\n");
}

TEST(StyleReport, InfoNamesMetreChannelsAndParts) {
  auto sample = MakeSampleStyle();
  sample.Header.MeasureLength = -12;
  sample.Parts[kBasic].Mute[9] = 1;
  sample.Parts[kEnding] = testing::MakePart(1, 1, 0, 100000);
  const std::string text = StyleInfoText(ParseStyleFile(sample.FileBytes()));
  for (const char* line :
       {"version word: 0x02736F2A\n", "tempo: 120\n", "measure length: -12 (6/8, eighth-note beat)\n",
        "used channels: 1 10\n", "  channel 1: program 5 controllers 7=90\n",
        "part Ending: empty (its offsets lie outside the stream)\n", "muted 10, cut notes -, 96 ticks\n"})
    EXPECT_NE(text.find(line), std::string::npos) << line << "\nin\n" << text;
  const std::string json = StyleInfoJson(ParseStyleFile(sample.FileBytes()));
  EXPECT_NE(json.find("\"metre\":\"6/8\""), std::string::npos);
  EXPECT_NE(json.find("\"name\":\"Fill in Basic\",\"exists\":true"), std::string::npos);
}

// The line of `text` that starts with `prefix`, without its line end; empty when there is none.
std::string LineOf(const std::string& text, const std::string& prefix) {
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);)
    if (line.starts_with(prefix)) return line;
  return {};
}

TEST(StyleReport, InfoShowsStoredHeaderValuesBesideWhatALoadMakesOfThem) {
  struct Case {
    const char* What;
    std::function<void(testing::SampleStyle&)> Change;
    const char* Prefix;  // of the line to look at
    const char* Ending;  // of that line
  };
  const Case cases[] = {
      {"a measure length the metre list lacks", [](auto& s) { s.Header.MeasureLength = 13; },
       "measure length:", "measure length: 13, played as 16 (4/4)"},
      {"a measure length of 0", [](auto& s) { s.Header.MeasureLength = 0; },
       "measure length:", "measure length: 0, played as 16 (4/4)"},
      {"a tempo out of the field's range", [](auto& s) { s.Header.Tempo = 900; },
       "tempo:", "tempo: 900 (not taken by Tempo Detection: outside 25 to 250)"},
      {"a part ending at the delay byte that completes its measure",
       [](auto& s) { s.Parts[kBasic].EndOffset -= 1; }, "part Basic:", ", 96 ticks"},
      {"a part whose end is not after its start",
       [](auto& s) { s.Parts[kEnding] = testing::MakePart(1, 1, 20, 20); },
       "part Ending:", "part Ending: empty (its end offset is not after its start offset)"},
      {"a broken Basic",
       [](auto& s) {
         s.Stream.push_back(0);
         s.Parts[kBasic].StartOffset = static_cast<int32_t>(s.Stream.size()) - 1;
         s.Parts[kBasic].EndOffset = static_cast<int32_t>(s.Stream.size());
       },
       "no part plays:",
       "no part plays: the byte at the start offset of Basic is 0, so a load treats the style as broken and "
       "drops its part table"},
  };
  for (const Case& c : cases) {
    auto sample = MakeSampleStyle();
    c.Change(sample);
    const std::string line = LineOf(StyleInfoText(ParseStyleFile(sample.FileBytes())), c.Prefix);
    EXPECT_TRUE(line.ends_with(c.Ending)) << c.What << ": " << line;
  }
}

}  // namespace
}  // namespace kalo::styles
