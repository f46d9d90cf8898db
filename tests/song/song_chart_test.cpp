// Songs to charts and back: what a song's chart reads, and that reading it gives the same bytes.

#include "song/song_chart.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "song/arrangement_file.h"

namespace kalo::song {
namespace {

config::ControlKeyNotes Keys() { return config::ComputeControlKeyNotes(config::Settings{}); }

ChartReading Reading() {
  ChartReading reading;
  reading.Keys = Keys();
  reading.LowestAccompanimentKey = Keys().SectionFirst;
  return reading;
}

Chordmemory Read(const std::string& chart, const ChartReading& reading = Reading()) {
  auto song = SongFromChart(chart, reading);
  if (const auto* error = std::get_if<std::string>(&song)) ADD_FAILURE() << *error << "\n" << chart;
  return std::holds_alternative<ChartSong>(song) ? std::get<ChartSong>(song).Chords : Chordmemory{};
}

std::string ChartOf(const Chordmemory& chords, const SongMemo& memo = {}) {
  return ChartOfSong(chords, memo, Keys(), Keys().SectionFirst);
}

// A song whose measures hold beat records given as {root, type, function, parameter}, STOP after them
// (where `stop`), in 4/4 at 100 bpm unless the header says otherwise.
Chordmemory Song(const std::vector<BeatRecord>& beats, bool stop = true,
                 ChordmemoryHeader header = {0, 100, 16, 0}) {
  Chordmemory chords = Chordmemory::Cleared();
  chords.Write(4, {});
  chords.SetHeader(header);
  int position = 4;
  for (const BeatRecord& beat : beats) {
    chords.Write(position, beat);
    position += 4;
  }
  const int measures = (static_cast<int>(beats.size()) + 3) / 4;
  chords.Length = static_cast<int16_t>(4 + measures * 16);
  if (stop) {
    chords.Write(chords.Length, {0, 0, kStopFunction, 0});
    chords.Length = static_cast<int16_t>(chords.Length + 16);
  }
  return chords;
}

TEST(SongChart, ATypedChartComesBackAsTypedWithItsHeaderAndMemo) {
  const std::string typed = "C Am | F [Fill] G7 | [ToExtended] Dm7 G7 | % | [ToBasic] C [Ending]";
  ChartReading reading = Reading();
  reading.DefaultTempo = 96;
  reading.MelodyProgram = 80;
  SongMemo memo;
  memo.Title = "Open {Road}";
  memo.Author = "Me";
  EXPECT_EQ(ChartOf(Read(typed, reading), memo),
            "{title: Open {Road)}\n{artist: Me}\n{time: 4/4}\n{tempo: 96}\n{program: 80}\n"
            "C Am | F [Fill] G7 | [ToExtended] Dm7 G7 | Dm7 G7 |\n[ToBasic] C\n");
}

TEST(SongChart, EveryBeatRecordReadsBackToTheSameBytes) {
  const config::ControlKeyNotes keys = Keys();
  const auto part = [](int key) { return BeatRecord{0, 0, static_cast<uint8_t>(key), kPartKeyParameter}; };
  // Every function with the parameters the editor writes, and beats that no typed chart would give.
  std::vector<BeatRecord> every = {
      {48, 1, 0, 0},     part(keys.Intro), part(keys.FillIn), part(keys.ToExtended), part(keys.ToBasic),
      part(keys.Ending), {0, 0, 251, 0},   {0, 0, 251, 5},    {0, 0, 251, 220},      {0, 0, 251, 221},
      {0, 0, 251, 233},  {0, 0, 251, 250}, {0, 0, 251, 255},  {0, 0, 252, 0},        {0, 0, 252, 11},
      {0, 0, 252, 245},  {0, 0, 253, 0},   {0, 0, 253, 101},  {0, 0, 253, 200},      {0, 0, 254, 25},
      {0, 0, 254, 250},  {57, 2, 255, 0},  {60, 9, 0, 0},     {60, 9, 0, 0},         {36, 3, 0, 0},
      {50, 0, 0, 0},     {0, 7, 0, 0},     {200, 1, 0, 0},    {55, 40, 0, 0},        {0, 0, 251, 100},
      {0, 0, 253, 50},   {0, 0, 254, 0},   {0, 0, 255, 3},    {0, 0, 99, 12},        {44, 17, 40, 5},
      {0, 0, 0, 9}};
  for (int type = 1; type <= 17; ++type)
    every.push_back({static_cast<uint8_t>(43 + type), static_cast<uint8_t>(type), 0, 0});
  Chordmemory withoutStop = Song({{48, 1, 0, 0}, {}, {52, 1, 0, 0}, {}, {53, 2, 0, 0}}, false);
  withoutStop.Length = 30;  // not even a whole record
  Chordmemory recorded = Song({{48, 1, 0, 0}, {48, 1, 0, 0}, {48, 1, 0, 0}, {48, 1, 0, 0}}, true);
  recorded.Write(20, {55, 1, kStopFunction, 0});  // an end mark written over a recorded beat
  recorded.Write(24, {55, 1, 0, 0});
  const std::pair<const char*, Chordmemory> songs[] = {
      {"every function and odd beats", Song(every)},
      {"no end mark, a length of its own", withoutStop},
      {"an end mark on a recorded beat", recorded},
      {"3/4 with a start measure",
       Song({{48, 1, 0, 0}, {50, 2, 0, 0}, {}, {55, 3, 0, 0}}, true, {2, 140, 12, 5})},
      {"a header no directive names", Song({{48, 1, 0, 0}}, true, {9, 0, 7, 200})},
  };
  for (const auto& [name, song] : songs) {
    const std::string chart = ChartOf(song);
    const Chordmemory back = Read(chart);
    EXPECT_EQ(back.Length, song.Length) << name << "\n" << chart;
    EXPECT_TRUE(std::equal(song.Bytes.begin(), song.Bytes.begin() + song.Length, back.Bytes.begin()))
        << name << "\n"
        << chart << "\n"
        << ChartOf(back);
  }
}

TEST(SongChart, TheDemoSongReadsBackToItsBytes) {
  std::ifstream file(std::filesystem::path(KALO_SHIPPED_SONGS_DIR) / "demo3.vxa", std::ios::binary);
  const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(file), {}};
  const ParsedArrangement demo = ParseArrangementFile(bytes);
  ASSERT_GT(demo.Chords.Length, 100);
  auto back = SongFromChart(ChartOf(demo.Chords, demo.Memo), Reading());
  ASSERT_TRUE(std::holds_alternative<ChartSong>(back));
  const ChartSong& song = std::get<ChartSong>(back);
  EXPECT_TRUE(song.Chords == demo.Chords);
  EXPECT_EQ(song.Memo.Title, demo.Memo.Title);
}

TEST(SongChart, ChordProSheetsAndDirectivesAndTheirMistakes) {
  struct Row {
    const char* Text;
    std::vector<BeatRecord> Beats;  // from beat 1; or empty with the error
    const char* Error;
  };
  const Row rows[] = {
      {"{title: Home}\n{time: 3/4}\n[C]Sweet [G]home\n\n[Am]so far a|way | [F]home |\n", {}, nullptr},
      {"# a comment\n[C]one | two [G] | three\n", {{48, 1, 0, 0}, {}, {}, {}, {55, 1, 0, 0}}, nullptr},
      {"[Tempo 90] [C] [N.C.] [Fill] [G7]\n", {{48, 1, 254, 90}, {}, {}, {55, 3, 36, 12}}, nullptr},
      {"[C]la [Cmaj13]la\n", {}, "unknown chord \"Cmaj13\" at measure 1, token 2 (column 8)"},
      {"{time: 3/4}\nC / . | .", {{48, 1, 0, 0}, {48, 1, 0, 0}}, nullptr},
      {"{time: 7/4}\nC",
       {},
       "unknown time \"{time: 7/4}\" (line 1, column 1): the metres are 6/4, 5/4, 4/4, 3/4, "
       "2/4, 1/4, 6/8, 2/8 and 1/8"},
      {"{tempo: fast}\nC", {}, "{tempo: fast}: the tempo must be a number from 25 to 250"},
      {"C@49", {}, "unknown chord \"C@49\" at measure 1, token 1 (column 1)"},
      {"/ C", {}, "\"/\" at measure 1, token 1 (column 1) has no chord before it to repeat"},
  };
  for (const Row& row : rows) {
    auto song = SongFromChart(row.Text, Reading());
    if (row.Error != nullptr) {
      ASSERT_TRUE(std::holds_alternative<std::string>(song)) << row.Text;
      EXPECT_EQ(std::get<std::string>(song), row.Error);
      continue;
    }
    ASSERT_TRUE(std::holds_alternative<ChartSong>(song)) << row.Text << std::get<std::string>(song);
    const Chordmemory& chords = std::get<ChartSong>(song).Chords;
    for (size_t i = 0; i < row.Beats.size(); ++i)
      EXPECT_EQ(chords.RecordAt(4 + 4 * static_cast<int>(i)), row.Beats[i]) << row.Text << " beat " << i + 1;
  }
  // The sheet: 3/4 from its directive, "a|way" a measure of its own without a chord, the title kept.
  const ChartSong home = std::get<ChartSong>(SongFromChart(rows[0].Text, Reading()));
  EXPECT_EQ(ChartOf(home.Chords), "{time: 3/4}\n{tempo: 120}\nC G | Am | . | F\n");
  EXPECT_EQ(home.Memo.Title, "Home");
  ChartReading style = Reading();
  style.MeasureLength = 16;  // a 4/4 style
  EXPECT_EQ(std::get<std::string>(SongFromChart(rows[0].Text, style)),
            "the chart's {time: 3/4} does not fit the style, whose measures have 4 beats");
}

}  // namespace
}  // namespace kalo::song
