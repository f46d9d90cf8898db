#include "styles/style_report.h"

#include <gtest/gtest.h>

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
       {"version word: 0x02736F2A\n", "tempo: 120\n", "measure length: 12 (6/8, eighth-note beat)\n",
        "used channels: 1 10\n", "  channel 1: program 5 controllers 7=90\n",
        "part Ending: empty (its offsets lie outside the stream)\n", "muted 10, cut notes -, 96 ticks\n"})
    EXPECT_NE(text.find(line), std::string::npos) << line << "\nin\n" << text;
  const std::string json = StyleInfoJson(ParseStyleFile(sample.FileBytes()));
  EXPECT_NE(json.find("\"metre\":\"6/8\""), std::string::npos);
  EXPECT_NE(json.find("\"name\":\"Fill in Basic\",\"exists\":true"), std::string::npos);
}

}  // namespace
}  // namespace kalo::styles
