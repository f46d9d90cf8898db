#include "song/arrangement_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <tuple>

#include "song/arrangement_bytes.h"
#include "song/memo_text.h"

namespace kalo::song {
namespace {

using testing::FileBytes;

TEST(ArrangementFile, AFileWrittenFromTheLayoutReadsBackEveryField) {
  const std::string memo =
      "Bridge twice\r\nMoon River\r\nfrom the film\r\nHenry Mancini\r\nCopyright \xA9 1961 \x80\r\n";
  FileBytes file;
  file.U8(255).I32(16).Event(96, 0x90, 60, 100, 1).Event(-5, 0xB3, 7, 90, 0);
  file.U8(253).I32(static_cast<int32_t>(memo.size())).Text(memo);
  file.Fill(120, 0x55);
  file.StyleBlock("C:\\KALO\\STYLES\\pop.vxs");
  file.Chords({3, 96, 12, 25}, {{48, 1, 0, 0}, {0, 0, 0, 0}, {55, 3, 36, 12}, {0, 0, 255, 0}});

  const ParsedArrangement parsed = ParseArrangementFile(file.Bytes);
  EXPECT_TRUE(parsed.HasMelodyBlock && parsed.SizedMemo && parsed.HasStyleBlock && !parsed.OldestLayout);
  EXPECT_EQ(parsed.Melody, (std::vector<MelodyEvent>{{96, 0x90, 60, 100, 1}, {-5, 0xB3, 7, 90, 0}}));
  EXPECT_EQ(parsed.Memo, (SongMemo{"Moon River", "from the film", "Henry Mancini",
                                   "Copyright \u00A9 1961 \u20AC", "Bridge twice"}));
  EXPECT_EQ(parsed.StylePath, "C:\\KALO\\STYLES\\pop.vxs");
  EXPECT_EQ(parsed.Chords.Length, 20);
  EXPECT_EQ(parsed.Chords.Header(), (ChordmemoryHeader{3, 96, 12, 25}));
  for (const auto& [position, record] : {std::pair{4, BeatRecord{48, 1, 0, 0}},
                                         {8, BeatRecord{}},
                                         {12, BeatRecord{55, 3, 36, 12}},
                                         {16, BeatRecord{0, 0, 255, 0}},
                                         {20, BeatRecord{}}})
    EXPECT_EQ(parsed.Chords.RecordAt(position), record) << position;
}

TEST(ArrangementFile, EachMarkerCombinationFindsItsBlocks) {
  struct Case {
    int MarkerA;  // 255, 254, or 0 for none
    bool SizedMemo;
    bool StyleBlock;
  };
  const Case cases[] = {{255, true, true},   {255, true, false}, {255, false, true},
                        {255, false, false}, {0, true, true},    {0, true, false},
                        {0, false, true},    {0, false, false},  {254, false, false}};
  // Five lines: a sized memo ends with the title lines, a fixed one predates them and is all comment.
  const std::string kMemo = "chorus: loud\r\nverse: soft\r\nbridge\r\ncoda\r\nfine";
  const SongMemo sized{"verse: soft", "bridge", "coda", "fine", "chorus: loud"};
  const SongMemo fixed{"", "", "", kDefaultCopyright, kMemo};
  for (const Case& c : cases) {
    FileBytes file;
    if (c.MarkerA == 254) {
      file.U8(254);
    } else {
      if (c.MarkerA == 255) file.U8(255).I32(8).Event(24, 0x90, 62, 80, 1);
      if (c.SizedMemo)
        file.U8(253).I32(static_cast<int32_t>(kMemo.size())).Text(kMemo);
      else
        file.Text(kMemo).Fill(kFixedMemoSize - kMemo.size());
      file.Fill(120);
      if (c.StyleBlock) file.StyleBlock("pop.vxs");
    }
    file.Chords({0, 96, 16, 0}, {{48, 1, 0, 0}, {0, 0, 255, 0}});
    const ParsedArrangement parsed = ParseArrangementFile(file.Bytes);
    const std::string row = std::to_string(c.MarkerA) + (c.SizedMemo ? " sized" : " fixed") +
                            (c.StyleBlock ? " style" : " no style");
    EXPECT_EQ(parsed.Melody.size(), c.MarkerA == 255 ? 1u : 0u) << row;
    EXPECT_EQ(parsed.Memo, c.MarkerA == 254 ? SongMemo{} : c.SizedMemo ? sized : fixed) << row;
    EXPECT_EQ(parsed.StylePath, c.StyleBlock ? "pop.vxs" : "") << row;
    EXPECT_EQ(parsed.Chords.Length, 12) << row;
    EXPECT_EQ(parsed.Chords.Header().Tempo, 96) << row;
    EXPECT_EQ(parsed.Chords.RecordAt(8).Function, kStopFunction) << row;
  }
}

TEST(ArrangementFile, DeclaredLengthsBeyondTheBuffersAreReadAsFarAsTheyHold) {
  struct Case {
    const char* Name;
    int32_t MelodyBytes;  // declared; the file holds max(0, MelodyBytes) bytes
    int32_t MemoBytes;    // likewise
    int StyleLengthByte;
    size_t Events;
    size_t CommentBytes;
    size_t PathLength;
  };
  const Case cases[] = {
      {"5000 events", 40000, 4, 7, 4000, 4, 7},           {"a 3000-byte memo", 8, 3000, 7, 1, 1500, 7},
      {"negative lengths", -8, -20, 7, 0, 0, 7},          {"an event and a half", 12, 4, 7, 1, 4, 7},
      {"a style length above 159", 8, 4, 200, 1, 4, 159},
  };
  for (const Case& c : cases) {
    FileBytes file;
    file.U8(255).I32(c.MelodyBytes);
    for (int32_t i = 0; i + 8 <= c.MelodyBytes; i += 8) file.Event(i, 0x90, 60, 1, 1);
    file.Fill(static_cast<size_t>(std::max(c.MelodyBytes, 0) % 8));
    file.U8(253).I32(c.MemoBytes).Fill(static_cast<size_t>(std::max(c.MemoBytes, 0)), 'm');
    file.Fill(120);
    file.U8(252).U8(c.StyleLengthByte).Fill(159, 's');
    file.Chords({1, 96, 16, 0}, {{48, 1, 0, 0}});
    const ParsedArrangement parsed = ParseArrangementFile(file.Bytes);
    EXPECT_EQ(parsed.Melody.size(), c.Events) << c.Name;
    EXPECT_EQ(parsed.Memo.Comments.size(), c.CommentBytes) << c.Name;
    EXPECT_EQ(parsed.StylePath.size(), c.PathLength) << c.Name;
    EXPECT_EQ(parsed.Chords.Length, 8) << c.Name;
    EXPECT_EQ(parsed.Chords.RecordAt(4), (BeatRecord{48, 1, 0, 0})) << c.Name;
  }
}

Song SampleSong() {
  Song song;
  song.Chords.SetHeader({2, 132, 12, 41});
  song.Chords.Write(4, {50, 4, 0, 0});
  song.Chords.Write(8, {0, 0, 253, 103});
  song.Chords.Write(16, {55, 3, 0, 0});
  song.Chords.Write(28, {0, 0, 255, 0});
  song.Chords.Length = 40;
  song.Melody.Load(
      std::vector<MelodyEvent>{{0, 0x90, 72, 99, 1}, {23, 0x90, 72, 0, 1}, {30, 0xB0, 11, 64, 0}});
  song.Memo = {"Caf\u00E9 \u20AC", "Sub", "Me", "(c) 2024", "line one\r\nline two\r\n"};
  return song;
}

std::vector<uint8_t> BytesOf(const Song& song, const std::string& style) {
  return SerializeArrangementFile(song.Chords, song.Melody.Events(), song.Memo, style);
}

TEST(ArrangementFile, AWrittenSongReadsBackTheSame) {
  const Song song = SampleSong();
  const std::vector<uint8_t> bytes = BytesOf(song, "/home/me/STYLES/ballad.vxs");
  const ParsedArrangement parsed = ParseArrangementFile(bytes);
  EXPECT_EQ(parsed.Chords, song.Chords);
  EXPECT_EQ(parsed.Melody, std::vector(song.Melody.Events().begin(), song.Melody.Events().end()));
  EXPECT_EQ(parsed.Memo, song.Memo);
  EXPECT_EQ(parsed.StylePath, "/home/me/STYLES/ballad.vxs");
  EXPECT_EQ(SerializeArrangementFile(parsed.Chords, parsed.Melody, parsed.Memo, parsed.StylePath), bytes);
  const std::string tooLong = "/" + std::string(170, 'd') + "/jazz.vxs";
  EXPECT_EQ(ParseArrangementFile(BytesOf(song, tooLong)).StylePath, "jazz.vxs")
      << "the look-up finds it by name";
}

TEST(ArrangementFile, EveryPrefixOfAFileGivesWhatThePrefixHolds) {
  const Song song = SampleSong();
  const std::vector<uint8_t> bytes = BytesOf(song, "pop.vxs");
  const size_t chordStart = bytes.size() - 40;
  for (size_t n = 0; n <= bytes.size(); ++n) {
    const ParsedArrangement parsed = ParseArrangementFile(std::span(bytes).first(n));
    const size_t whole = n > 5 ? (std::min<size_t>(n, 5 + 24) - 5) / 8 : 0;
    ASSERT_EQ(parsed.Melody.size(), whole) << n;
    ASSERT_EQ(parsed.Chords.Length, n > chordStart ? static_cast<int>(n - chordStart) : 0) << n;
    const auto pathBytes =
        std::clamp<int64_t>(static_cast<int64_t>(n) - static_cast<int64_t>(chordStart - 159), 0, 7);
    ASSERT_EQ(parsed.StylePath, std::string("pop.vxs").substr(0, static_cast<size_t>(pathBytes))) << n;
  }
}

TEST(ArrangementFile, FilesThatAreNoArrangementAreToldFromDamagedSongs) {
  std::vector<uint8_t> noise(6000);
  uint32_t seed = 12345;
  for (uint8_t& b : noise) b = static_cast<uint8_t>((seed = seed * 1103515245u + 12345u) >> 24);
  const std::string text(3000, 'k');
  FileBytes damaged;
  damaged.U8(253).I32(0).Fill(120).Chords(
      {0, 120, 16, 0}, {{48, 1, 0, 0}, {200, 99, 0, 0}, {55, 1, 40, 12}, {0, 0, 251, 238}, {0, 0, 255, 0}});
  const std::tuple<const char*, std::vector<uint8_t>, bool> cases[] = {
      {"noise", noise, false},
      {"a text", std::vector<uint8_t>(text.begin(), text.end()), false},
      {"a song with two damaged records of five", damaged.Bytes, true}};
  for (const auto& [name, bytes, song] : cases)
    EXPECT_EQ(NotAnArrangementReason(ParseArrangementFile(bytes)).empty(), song) << name;
}

TEST(MemoText, CharactersTheFileTextCannotHoldAreNamedOnce) {
  EXPECT_EQ(UnstorableCharacters("Caf\u00E9 \u20AC \u0160 ?"), "");
  EXPECT_EQ(UnstorableCharacters("\u03A9\u2713\u03A9 a\xFF"), "\u03A9\u2713\uFFFD");
}

TEST(MemoText, MoreThanThreeLinesEndWithTitleSubtitleAuthorAndCopyright) {
  struct Case {
    const char* Text;
    SongMemo Memo;
  };
  const Case cases[] = {
      {"T\r\nS\r\nA\r\nC", {"T", "S", "A", "C", ""}},
      {"T\r\nS\r\nA\r\nC\r\n", {"T", "S", "A", "C", ""}},
      {"one\r\ntwo\r\nthree", {"", "", "", kDefaultCopyright, "one\r\ntwo\r\nthree"}},
      {"c1\r\n\r\nT\r\nS\r\nA\r\nC", {"T", "S", "A", "C", "c1\r\n"}},
      {"c1\nT\rS\nA\nC", {"T", "S", "A", "C", "c1"}},
      {"\r\n\r\n\r\n\r\n", {"", "", "", "", ""}},
      {"", {"", "", "", kDefaultCopyright, ""}},
  };
  for (const Case& c : cases) EXPECT_EQ(MemoFromText(c.Text), c.Memo) << c.Text;
}

TEST(MemoText, AWrittenMemoReadsBackAndFitsTheReadersBuffer) {
  const std::string x1000(1000, 'x');
  const std::tuple<SongMemo, bool, SongMemo> cases[] = {
      {{"One\r\nTwo", "S", "A", "C", "a\r"}, false, {"One  Two", "S", "A", "C", "a\r"}},
      {{"T", "S", "A", "C", x1000 + x1000}, true, {"T", "S", "A", "C", std::string(1486, 'x')}},
      {{x1000, x1000, "A", "C", "x"}, true, {std::string(255, 'x'), std::string(255, 'x'), "A", "C", "x"}}};
  for (const auto& [memo, cut, read] : cases) {
    bool shortened = false;
    const std::vector<uint8_t> bytes = MemoFileBytes(memo, shortened);
    EXPECT_LE(bytes.size(), kMemoBufferSize);
    EXPECT_EQ(shortened, cut);
    EXPECT_EQ(MemoFromText(DecodeFileText(bytes)), read);
  }
}

}  // namespace
}  // namespace kalo::song
