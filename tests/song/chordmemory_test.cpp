#include "song/chordmemory.h"

#include <gtest/gtest.h>

#include <span>
#include <tuple>

#include "config/settings.h"
#include "song/function_text.h"
#include "song/play_range.h"
#include "song/song.h"

namespace kalo::song {
namespace {

TEST(Chordmemory, NewAndClearAskOverASongAndLeaveAnEmptySongWithStopOnBeatOne) {
  const auto state = [](const Song& song) {
    return std::tuple(song.Chords.Length, song.Chords.Header(), song.Chords.RecordAt(4),
                      song.Chords.RecordAt(40), song.Melody.Count(), song.Memo.Title);
  };
  const auto cleared = std::tuple(int16_t{4}, ChordmemoryHeader{}, BeatRecord{0, 0, kStopFunction, 0},
                                  BeatRecord{}, 0, std::string());
  // Chordmemory length, answer, whether asked, whether cleared.
  const std::tuple<int16_t, bool, bool, bool> cases[] = {
      {40, false, true, false}, {40, true, true, true}, {4, false, false, true}};
  for (const auto& [length, answer, asked, isCleared] : cases) {
    Song song;
    song.Chords = {.Length = length};
    song.Chords.SetHeader({3, 120, 16, 5});
    song.Chords.Write(4, {50, 2, 0, 0});
    song.Melody.Load(std::vector<MelodyEvent>(3, MelodyEvent{10, 0x90, 60, 100, 1}));
    song.Memo.Title = "Tune";
    const auto before = state(song);
    host::RecordingDialogs dialogs;
    dialogs.QueueAnswer(answer);
    EXPECT_EQ(song.ClearAsked(dialogs), isCleared) << length << answer;
    EXPECT_EQ(dialogs.Questions().size(), asked ? 1u : 0u) << length << answer;
    EXPECT_TRUE(state(song) == (isCleared ? cleared : before)) << length << answer;
    EXPECT_EQ(song.RequireSong(dialogs), !isCleared) << length << answer;
    EXPECT_EQ(dialogs.Messages().size(), isCleared ? 1u : 0u) << "\"Chordmemory is empty !\"";
  }
}

TEST(Chordmemory, AReReadRecordWithoutAChordTakesTheChordInForce) {
  Chordmemory memory = Chordmemory::Cleared();
  memory.Write(4, {48, 1, 36, 12});     // 1:1 C maj, Fill In
  memory.Write(12, {55, 1, 253, 103});  // 1:3 G maj, a loop start
  memory.Write(16, {200, 99, 0, 0});    // 1:4 damaged bytes
  memory.Write(36, {0, 0, 254, 90});    // 3:1 only a tempo change
  memory.Write(52, {57, 2, 0, 0});      // 4:1 A min
  // At 1:2 the part key comes with the chord; a loop mark marks its own place and does not; at 3:1
  // G on beat 3 is in force, not C a whole measure back.
  const std::pair<int, BeatRecord> cases[] = {{8, {48, 1, 36, 12}},
                                              {16, {55, 1, 0, 0}},
                                              {36, {55, 1, 254, 90}},
                                              {52, {57, 2, 0, 0}},
                                              {56, {57, 2, 0, 0}}};
  for (const auto& [position, expected] : cases)
    EXPECT_EQ(memory.ReReadRecord(position), expected) << position;
  EXPECT_EQ(Chordmemory::Cleared().ReReadRecord(20), BeatRecord{}) << "no chord anywhere before";
}

TEST(PlayRange, PositionsFollowMeasuresAndTheMeasureLength) {
  EXPECT_EQ(PositionOf(2, 3, 12), 24);
  EXPECT_EQ(std::pair(MeasureOf(12000, 24), BeatOf(12000, 24)), std::pair(500, 6));
  PlayRange range;
  range.SetFromMeasure(3);
  range.SetRecordStartMeasure(-900);
  EXPECT_TRUE(range.ChangeMeasureLength(12, 52));
  EXPECT_EQ(std::tuple(range.FromMeasure(), range.ToMeasure(), range.PlayEnd(), range.RecordStart()),
            std::tuple(1, 4, 51, -6008));
  EXPECT_FALSE(range.ChangeMeasureLength(10, 52));
  EXPECT_TRUE(range.ChangeMeasureLength(16, 20));
  EXPECT_EQ(range.ToMeasure(), 1);
  EXPECT_EQ(MetrumIndexForLength(12, true), 3) << "only a length of 4 prefers the eighth-note item";
  EXPECT_EQ(MetrumIndexForLength(4, true), 8);
  EXPECT_EQ(MetrumIndexForLength(0, false), std::nullopt);
}

TEST(FunctionText, EveryFunctionIsNamedAsTheEditorShowsIt) {
  const config::ControlKeyNotes keys = config::ComputeControlKeyNotes(config::Settings{});
  // The last rows hold parameters outside their tables: they name nothing (and playback ignores them).
  const std::tuple<int, int, const char*> coded[] = {
      {251, 0, "Play All"},    {251, 16, "Solo C.16"}, {251, 220, "Mute M."},   {251, 221, "Play M."},
      {251, 222, "Mute C.16"}, {251, 237, "Mute C.1"}, {251, 239, "Play C.16"}, {251, 254, "Play C.1"},
      {251, 255, "Mute All"},  {252, 0, "0 Up/Down"},  {252, 11, "11 Up"},      {252, 245, "11 Down"},
      {252, 250, "6 Down"},    {253, 0, "LoopEnd"},    {253, 103, "Loop 3x"},   {253, 200, "Loop 100x"},
      {254, 25, "Tempo 25"},   {255, 0, "STOP"},       {251, 17, ""},           {251, 238, ""},
      {252, 12, ""},           {252, 244, ""},         {253, 201, ""},          {254, 24, ""},
      {254, 251, ""}};
  const std::tuple<int, int, const char*> keyed[] = {
      {keys.FillIn, 12, "Fill In"},     {keys.Intro, 12, "Intro"},   {keys.ToBasic, 12, "To Basic"},
      {keys.ToExtended, 12, "To Ext."}, {keys.Ending, 12, "Ending"}, {keys.Ending + 12, 12, ""}};
  using Rows = std::span<const std::tuple<int, int, const char*>>;
  for (const Rows cases : {Rows(coded), Rows(keyed)})
    for (const auto& [code, parameter, text] : cases)
      EXPECT_EQ(FunctionText(static_cast<uint8_t>(code), static_cast<uint8_t>(parameter), keys), text)
          << code << "/" << parameter;
}

}  // namespace
}  // namespace kalo::song
