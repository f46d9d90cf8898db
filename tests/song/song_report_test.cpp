#include "song/song_report.h"

#include <gtest/gtest.h>

#include "song/arrangement_bytes.h"

namespace kalo::song {
namespace {

TEST(SongReport, BeatsShowChordNamesAndFunctionTextsAndTheJsonEscapesText) {
  const std::string memo = "Twice\r\nSlow \"waltz\"\r\n\r\nAnne\r\n(c) \xA9\r\n";
  testing::FileBytes file;
  file.U8(253)
      .I32(static_cast<int32_t>(memo.size()))
      .Text(memo)
      .Fill(120)
      .StyleBlock("STYLES\\Walzer \xE4.vxs");
  file.Chords({2, 84, 12, 0}, {{50, 4, 0, 0},
                               {0, 0, 0, 0},
                               {0, 0, 252, 250},
                               {55, 17, 39, 12},
                               {0, 0, 40, 12},
                               {200, 99, 0, 0},
                               {128, 1, 251, 238},
                               {60, 0, 0, 0}});
  const ParsedArrangement song = ParseArrangementFile(file.Bytes);
  const config::ControlKeyNotes keys = config::ComputeControlKeyNotes(config::Settings{});

  const std::string text = SongInfoText(song, keys);
  for (const char* line :
       {"measure length: 12 (3/4)\n", "copyright: (c) \u00A9\n", "style: STYLES\\Walzer \u00E4.vxs\n",
        "1:1 @4 D min7\n", "2:1 @16 G sus7, To Basic\n", "2:2 @20 function 40/12\n",
        // Damaged bytes are no chord or function they happen to name.
        "2:3 @24 invalid chord (root 200, type 99)\n",
        "3:1 @28 invalid chord (root 128, type 1), invalid function 251/238\n"})
    EXPECT_NE(text.find(line), std::string::npos) << line << "\nin\n" << text;
  for (const char* absent : {"@8", "@32"})
    EXPECT_EQ(text.find(absent), std::string::npos)
        << "beats without a chord hold the chord and are left out";

  const std::string json = SongInfoJson(song, keys);
  for (const char* part : {"\"title\":\"Slow \\\"waltz\\\"\"", "\"comments\":\"Twice\"", "\"melodyEvents\":0",
                           "{\"measure\":1,\"beat\":3,\"position\":12,\"root\":0,\"type\":0,\"chord\":null,"
                           "\"function\":252,\"parameter\":250,\"functionText\":\"6 Down\",\"valid\":true}",
                           "\"root\":200,\"type\":99,\"chord\":null,\"function\":0,\"parameter\":0,"
                           "\"functionText\":null,\"valid\":false}"})
    EXPECT_NE(json.find(part), std::string::npos) << part << "\nin\n" << json;
}

TEST(SongReport, AFileCutShortIsSaidAndItsTextsReachTheTerminalEscaped) {
  const std::string memo = "notes\r\nTitle\x1b]0;PWNED\x07\r\nSub\r\nAnne\r\n(c)\r\n";
  testing::FileBytes file;
  file.U8(253).I32(static_cast<int32_t>(memo.size())).Text(memo).Fill(120);
  file.Chords({2, 84, 16, 0}, {{48, 1, 0, 0}, {55, 1, 0, 0}});
  const auto keys = config::ComputeControlKeyNotes(config::Settings{});
  const std::vector<uint8_t> whole = file.Bytes;
  for (const size_t cut : {whole.size(), whole.size() - 2, size_t{40}}) {
    const ParsedArrangement song = ParseArrangementFile(std::span(whole).first(cut));
    const std::string text = SongInfoText(song, keys);
    EXPECT_EQ(text.find("cut short") != std::string::npos, cut != whole.size()) << cut << "\n" << text;
    EXPECT_EQ(text.find('\x1b'), std::string::npos) << text;
  }
  EXPECT_NE(SongInfoText(ParseArrangementFile(whole), keys).find("title: Title\\x1B]0;PWNED\\x07\n"),
            std::string::npos);
}

}  // namespace
}  // namespace kalo::song
