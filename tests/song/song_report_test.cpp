#include "song/song_report.h"

#include <gtest/gtest.h>

#include "song/arrangement_bytes.h"

namespace kalo::song {
namespace {

using testing::FileBytes;

ParsedArrangement Waltz() {
  FileBytes file;
  const std::string memo = "Twice\r\nSlow \"waltz\"\r\n\r\nAnne\r\n(c) \xA9\r\n";
  file.U8(255).I32(8).Event(0, 0x90, 60, 90, 1);
  file.U8(253).I32(static_cast<int32_t>(memo.size())).Text(memo).Fill(120);
  file.StyleBlock("STYLES\\Walzer \xE4.vxs");
  file.Chords({2, 84, 12, 0}, {{50, 4, 0, 0},
                               {0, 0, 0, 0},
                               {0, 0, 252, 250},
                               {0, 0, 0, 0},
                               {55, 17, 39, 12},
                               {0, 0, 40, 12},
                               {0, 0, 255, 0}});
  return ParseArrangementFile(file.Bytes);
}

TEST(SongReport, TheTextNamesChordsFunctionsAndTheMemo) {
  const config::ControlKeyNotes keys = config::ComputeControlKeyNotes(config::Settings{});
  const std::string text = SongInfoText(Waltz(), keys);
  for (const char* line :
       {"measure length: 12 (3/4)\n", "length: 32 bytes\n", "measures: 2\n", "title: Slow \"waltz\"\n",
        "copyright: (c) \u00A9\n", "comments:\n  Twice\n", "style: STYLES\\Walzer \u00E4.vxs\n",
        "melody events: 1\n", "1:1 @4 D min7\n", "1:3 @12 6 Down\n", "2:2 @20 G sus7, To Basic\n",
        "2:3 @24 function 40/12\n", "3:1 @28 STOP\n"})
    EXPECT_NE(text.find(line), std::string::npos) << line << "\nin\n" << text;
  EXPECT_EQ(text.find("@8"), std::string::npos) << "empty beats hold the chord and are left out";
}

TEST(SongReport, TheJsonEscapesTextAndMarksMissingValues) {
  const config::ControlKeyNotes keys = config::ComputeControlKeyNotes(config::Settings{});
  const std::string json = SongInfoJson(Waltz(), keys);
  for (const char* part : {"\"title\":\"Slow \\\"waltz\\\"\"", "\"comments\":\"Twice\"", "\"measures\":2",
                           "{\"measure\":1,\"beat\":3,\"position\":12,\"root\":0,\"type\":0,\"chord\":null,"
                           "\"function\":252,\"parameter\":250,\"functionText\":\"6 Down\"}"})
    EXPECT_NE(json.find(part), std::string::npos) << part << "\nin\n" << json;
  EXPECT_NE(SongInfoJson(ParseArrangementFile(std::vector<uint8_t>{254}), keys).find("\"style\":null"),
            std::string::npos);
}

}  // namespace
}  // namespace kalo::song
