#include "song/chordmemory_recorder.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

namespace kalo::song {
namespace {

constexpr perform::Chord kC{48, 1};
constexpr perform::Chord kG{55, 1};
constexpr perform::Chord kAm{57, 2};
constexpr perform::Chord kNone{perform::kNoRoot, 0};

// A 4/4 song of four measures with C on every first beat, STOP after it, and a melody.
Song FourMeasures() {
  Song song;
  for (int m = 0; m < 4; ++m) song.Chords.Write(4 + 16 * m, {48, 1, 0, 0});
  song.Chords.Write(68, {0, 0, kStopFunction, 0});
  song.Chords.Length = 84;
  song.Melody.Load(std::vector<MelodyEvent>(2, MelodyEvent{0, 0x90, 60, 90, 1}));
  return song;
}

TEST(ChordmemoryRecorder, StartingAsksTheQuestionThatFitsTheRecordStart) {
  struct Case {
    bool Empty;
    bool Edit;
    int Measure;  // record start
    bool Answer;
    const char* Question;  // nullptr: none asked
    int Position;          // 99: not started
    bool Cleared;
  };
  const Case cases[] = {
      {true, false, 1, false, nullptr, 4, false},
      {false, false, 4, true, "Start Recording at Measure 4", 52, false},  // the last two measures append
      {false, false, 2, true, "Replace current chords ?", 20, true},       // earlier replaces
      {false, false, 0, true, "Replace current chords ?", -12, true},
      {false, false, 2, false, "Replace current chords ?", 99, false},
      {false, false, 5, false, "Start Recording at Measure 5", 99, false},
      {false, true, 3, true, "Replace current chords, starting at measure 3", 36, false},
      {false, true, 0, true, "Replace current chords, starting at measure 0", 4, false},
  };
  for (const Case& c : cases) {
    Song song = c.Empty ? Song{} : FourMeasures();
    const Chordmemory before = song.Chords;
    song.Position = 99;
    song.Range.SetRecordStartMeasure(c.Measure);
    host::RecordingDialogs dialogs;
    dialogs.QueueAnswer(c.Answer);
    const std::string row = std::string(c.Question ? c.Question : "empty") + (c.Answer ? " yes" : " no");
    EXPECT_EQ(ChordmemoryRecorder(song, dialogs).Start(c.Edit), c.Position != 99) << row;
    EXPECT_EQ(dialogs.Questions().size(), c.Question ? 1u : 0u) << row;
    EXPECT_EQ(song.Position, c.Position) << row;
    EXPECT_EQ(song.Chords == before && song.Melody.Count() == (c.Empty ? 0 : 2), !c.Cleared) << row;
  }
}

TEST(ChordmemoryRecorder, TheEndMarkClosesTheFirstIncompleteMeasure) {
  struct Case {
    const char* Name;
    int MeasureLength;
    int Position;
    bool Rests;  // nothing before beat 3
    int16_t Length;
    int StopAt;  // 0: none
    int ToMeasure;
  };
  const Case cases[] = {
      {"two and a half measures of 4/4", 16, 44, false, 52, 36, 2},
      {"three measures of 3/4 and two beats", 12, 48, false, 52, 40, 3},
      {"less than a measure", 16, 12, false, 20, 4, 1},
      {"rests before the first chord", 16, 28, true, 36, 20, 1},
      {"a full buffer has no room for STOP", 16, 12004, false, 12004, 0, 500},
      {"a recording inside the song", 16, 80, false, 84, 68, 1},
  };
  for (const Case& c : cases) {
    Song song;
    song.SetMeasureLength(c.MeasureLength);
    host::RecordingDialogs dialogs;
    ChordmemoryRecorder recorder(song, dialogs);
    ASSERT_TRUE(recorder.Start(false));
    if (c.Position == 80) song = FourMeasures();
    for (int p = 4; p < std::min(c.Position, 80) && c.Position != 80; p += 4) {
      recorder.StoreBeat({c.Rests && p < 12 ? kNone : (p % 8 == 4 ? kAm : kG), 36, 12}, false);
      recorder.Advance();
    }
    song.Position = c.Position;
    EXPECT_EQ(recorder.Finish().has_value(), c.Position != 80) << c.Name;
    EXPECT_EQ(song.Chords.Length, c.Length) << c.Name;
    EXPECT_EQ(song.Chords.RecordAt(c.StopAt > 0 ? c.StopAt : 12004).Function, c.StopAt > 0 ? 255 : 0)
        << c.Name;
    EXPECT_EQ(song.Chords.RecordAt(4).Root, c.Position == 80 ? 48 : 57) << c.Name;
    EXPECT_EQ(song.Range.ToMeasure(), c.ToMeasure) << c.Name;
  }
}

TEST(ChordmemoryRecorder, AChordDuringTheCountInGoesToBeatOneAndLateEntriesOverwriteThePassedBeat) {
  Song song;
  host::RecordingDialogs dialogs;
  ChordmemoryRecorder recorder(song, dialogs);
  ASSERT_TRUE(recorder.Start(false));
  song.Position = 4 - 32;  // a count-in measure; measure 0 is skipped
  for (int beat = 0; beat < 3; ++beat) {
    EXPECT_FALSE(recorder.StoreBeat({kNone}, true));
    recorder.Advance();
  }
  EXPECT_TRUE(recorder.TakeFirstChord(kG));
  recorder.Advance();
  EXPECT_FALSE(recorder.StoreBeat({kG}, false)) << "beat one is already written";
  EXPECT_EQ(song.Position, 4);
  EXPECT_FALSE(recorder.StoreLate({kAm})) << "below the first write position";
  recorder.Advance();
  EXPECT_TRUE(recorder.StoreBeat({kC, 36, 12}, false));
  recorder.Advance();
  EXPECT_TRUE(recorder.StoreLate({kAm}));
  EXPECT_FALSE(recorder.TakeFirstChord(kAm)) << "only during the count-in";
  EXPECT_EQ(song.Chords.RecordAt(4), (BeatRecord{55, 1, 0, 0}));
  EXPECT_EQ(song.Chords.RecordAt(8), (BeatRecord{57, 2, 0, 0}));
  song.Position = 12000;
  EXPECT_TRUE(recorder.Advance()) << "the buffer is full at 12,004";
  EXPECT_FALSE(recorder.StoreBeat({kC}, false));
}

TEST(ChordmemoryRecorder, StepTapsLandOnBeatsAndEveryMeasureStartsWithTapOne) {
  struct Case {
    int MeasureLength;
    int Taps;
    std::vector<int> Positions;  // of the chords entered one after another
  };
  const Case cases[] = {
      {16, 4, {4, 8, 12, 16, 20}},     {16, 2, {4, 12, 20, 28}},    {16, 3, {4, 8, 12, 20, 24}},
      {16, 6, {4, 8, 12, 16, 20, 24}}, {12, 2, {4, 8, 16, 20, 28}}, {24, 4, {4, 8, 16, 20, 28}},
  };
  for (const Case& c : cases) {
    Song song;
    song.SetMeasureLength(c.MeasureLength);
    host::RecordingDialogs dialogs;
    ChordmemoryRecorder recorder(song, dialogs);
    ASSERT_TRUE(recorder.StartStep(false, c.Taps));
    for (size_t i = 0; i < c.Positions.size(); ++i) {
      EXPECT_EQ(song.Position, c.Positions[i]) << c.MeasureLength << "/" << c.Taps << " chord " << i;
      recorder.Step({i % 2 ? kG : kC}, false);
      EXPECT_EQ(song.Chords.RecordAt(c.Positions[i]).Root, i % 2 ? 55 : 48);
    }
  }
}

TEST(ChordmemoryRecorder, StepEntriesCountTapsAndKeepRepeatedChordsOut) {
  Song song;
  song.Range.SetRecordStartMeasure(-3);
  host::RecordingDialogs dialogs;
  ChordmemoryRecorder recorder(song, dialogs);
  ASSERT_TRUE(recorder.StartStep(false, 2));
  struct Step {
    BeatEntry Entry;
    bool Preview;
    BeatRecord Written;  // at the position before the step
    int Tap;
    int ShownMeasure;
    bool Click;
  };
  const Step steps[] = {{{kC}, false, {48, 1, 0, 0}, 2, 1, false},
                        {{kC}, false, {0, 0, 0, 0}, 1, 1, false},  // the same chord again holds
                        {{kNone, 36, 12}, false, {0, 0, 36, 12}, 1, 1, true},
                        {{kG, 38, 12}, false, {55, 1, 38, 12}, 2, 2, false},
                        {{kAm}, true, {0, 0, 0, 0}, 2, 2, false}};
  for (const Step& s : steps) {
    const int at = song.Position;
    const StepOutcome outcome = recorder.Step(s.Entry, s.Preview);
    EXPECT_EQ(song.Chords.RecordAt(at), s.Written) << at;
    EXPECT_EQ(std::tuple(outcome.Tap, outcome.ShownMeasure, outcome.Click),
              std::tuple(s.Tap, s.ShownMeasure, s.Click))
        << at;
  }
  EXPECT_EQ(song.Position, 28);
}

TEST(ChordmemoryRecorder, AnOverwriteCompletesTheEntryFromThePlayedRecord) {
  const std::pair<BeatEntry, std::optional<BeatRecord>> cases[] = {
      {{kNone, 38, 12}, BeatRecord{55, 1, 38, 12}},
      {{kAm}, BeatRecord{57, 2, 36, 12}},
      {{kAm, 40, 12}, BeatRecord{57, 2, 40, 12}},
      {{kNone}, std::nullopt},
      {{kNone, kTempoFunction, 90}, std::nullopt}};
  for (const auto& [entry, written] : cases) {
    Song song = FourMeasures();
    song.Chords.Write(20, {55, 1, 36, 12});
    song.Position = 20;
    host::RecordingDialogs dialogs;
    EXPECT_EQ(ChordmemoryRecorder(song, dialogs).Overwrite(entry), written);
    EXPECT_EQ(song.Chords.RecordAt(20), written.value_or(BeatRecord{55, 1, 36, 12}));
  }
}

}  // namespace
}  // namespace kalo::song
