#include "song/chordmemory_recorder.h"

#include <gtest/gtest.h>

#include <vector>

namespace kalo::song {
namespace {

constexpr perform::Chord kC{48, 1};
constexpr perform::Chord kG{55, 1};
constexpr perform::Chord kAm{57, 2};
constexpr perform::Chord kNone{perform::kNoRoot, 0};

// A 4/4 song of `measures` measures with C on every first beat and STOP after it.
Song SongOf(int measures) {
  Song song;
  for (int m = 0; m < measures; ++m) song.Chords.Write(4 + 16 * m, {48, 1, 0, 0});
  song.Chords.Write(4 + 16 * measures, {0, 0, kStopFunction, 0});
  song.Chords.Length = static_cast<int16_t>(4 + 16 * (measures + 1));
  song.Melody.Load(std::vector<MelodyEvent>(2, MelodyEvent{0, 0x90, 60, 90, 1}));
  return song;
}

TEST(ChordmemoryRecorder, StartingAsksTheQuestionThatFitsTheRecordStart) {
  struct Case {
    const char* Name;
    int Measures;  // 0: empty Chordmemory
    bool Edit;
    int RecordStartMeasure;
    bool Answer;
    const char* Question;  // nullptr: none asked
    bool Started;
    int Position;
    bool Cleared;
  };
  const Case cases[] = {
      {"empty song", 0, false, 1, false, nullptr, true, 4, false},
      {"inside the last two measures appends", 4, false, 4, true, "Start Recording at Measure 4", true, 52,
       false},
      {"after the end appends", 4, false, 9, true, "Start Recording at Measure 9", true, 132, false},
      {"earlier replaces", 4, false, 2, true, "Replace current chords ?", true, 20, true},
      {"before the song replaces", 4, false, 0, true, "Replace current chords ?", true, -12, true},
      {"No to replacing", 4, false, 2, false, "Replace current chords ?", false, 99, false},
      {"No to appending", 4, false, 5, false, "Start Recording at Measure 5", false, 99, false},
      {"edit from measure 3", 4, true, 3, true, "Replace current chords, starting at measure 3", true, 36,
       false},
      {"edit before the song", 4, true, 0, true, "Replace current chords, starting at measure 0", true, 4,
       false},
      {"No to editing", 4, true, 3, false, "Replace current chords, starting at measure 3", false, 99, false},
  };
  for (const Case& c : cases) {
    Song song = c.Measures > 0 ? SongOf(c.Measures) : Song{};
    const Chordmemory before = song.Chords;
    song.Position = 99;
    song.Range.SetRecordStartMeasure(c.RecordStartMeasure);
    host::RecordingDialogs dialogs;
    dialogs.QueueAnswer(c.Answer);
    ChordmemoryRecorder recorder(song, dialogs);
    EXPECT_EQ(recorder.Start(c.Edit), c.Started) << c.Name;
    EXPECT_EQ(dialogs.Questions(),
              c.Question ? std::vector<std::string>{c.Question} : std::vector<std::string>{})
        << c.Name;
    EXPECT_EQ(song.Position, c.Position) << c.Name;
    EXPECT_EQ(song.Chords.Empty() && song.Melody.Empty(), c.Measures == 0 || c.Cleared) << c.Name;
    if (!c.Cleared) {
      EXPECT_EQ(song.Chords, before) << c.Name;
    }
  }
}

TEST(ChordmemoryRecorder, StoppingAfterTwoAndAHalfMeasuresEndsTheSongAtMeasureThree) {
  Song song;
  host::RecordingDialogs dialogs;
  ChordmemoryRecorder recorder(song, dialogs);
  ASSERT_TRUE(recorder.Start(false));
  const perform::Chord chords[] = {kC, kC, kG, kG, kAm, kAm, kAm, kAm, kC, kC};
  for (const auto& chord : chords) {
    EXPECT_TRUE(recorder.StoreBeat({chord}, false));
    EXPECT_FALSE(recorder.Advance());
  }
  EXPECT_EQ(recorder.Finish(), 2);
  EXPECT_EQ(song.Chords.Length, 52);
  EXPECT_EQ(song.Position, 36);
  EXPECT_EQ(song.Chords.RecordAt(36), (BeatRecord{48, 1, kStopFunction, 0}));
  EXPECT_EQ(song.Chords.RecordAt(12), (BeatRecord{55, 1, 0, 0}));
  EXPECT_EQ(song.Range.FromMeasure(), 1);
  EXPECT_EQ(song.Range.ToMeasure(), 2);
}

TEST(ChordmemoryRecorder, TheEndMarkFitsEveryStopPosition) {
  struct Case {
    const char* Name;
    int MeasureLength;
    int Position;
    int16_t Length;
    int ExpectedLength;
    int StopAt;  // 0: no STOP written
    int ToMeasure;
  };
  const Case cases[] = {
      {"less than a measure", 16, 12, 4, 20, 4, 1},
      {"three measures of 3/4 and two beats", 12, 48, 4, 52, 40, 3},
      {"a full buffer has no room for STOP", 16, 12004, 4, 12004, 0, 500},
      {"exactly two measures", 16, 36, 4, 52, 36, 2},
  };
  for (const Case& c : cases) {
    Song song;
    song.SetMeasureLength(c.MeasureLength);
    song.Chords.Length = c.Length;
    song.Chords.Write(4, {48, 1, 0, 0});
    song.Position = c.Position;
    host::RecordingDialogs dialogs;
    ChordmemoryRecorder recorder(song, dialogs);
    EXPECT_TRUE(recorder.Finish().has_value()) << c.Name;
    EXPECT_EQ(song.Chords.Length, c.ExpectedLength) << c.Name;
    if (c.StopAt > 0) {
      EXPECT_EQ(song.Chords.RecordAt(c.StopAt).Function, kStopFunction) << c.Name;
    } else {
      EXPECT_EQ(song.Chords.RecordAt(12004), BeatRecord{}) << c.Name;
    }
    EXPECT_EQ(song.Range.ToMeasure(), c.ToMeasure) << c.Name;
  }
}

TEST(ChordmemoryRecorder, ASongThatStartsWithRestsGetsItsFirstChordOnBeatOne) {
  Song song;
  host::RecordingDialogs dialogs;
  ChordmemoryRecorder recorder(song, dialogs);
  ASSERT_TRUE(recorder.Start(false));
  for (const auto& chord : {kNone, kNone, kAm, kG, kG}) {
    recorder.StoreBeat({chord, chord.Type == 0 ? uint8_t{0} : uint8_t{36}, 12}, false);
    recorder.Advance();
  }
  ASSERT_TRUE(recorder.Finish());
  EXPECT_EQ(song.Chords.RecordAt(4), (BeatRecord{57, 2, 0, 0}));
  EXPECT_EQ(song.Chords.RecordAt(12), (BeatRecord{57, 2, 36, 12}));
  EXPECT_EQ(song.Chords.RecordAt(20), (BeatRecord{55, 1, kStopFunction, 0}));
}

TEST(ChordmemoryRecorder, ARecordingInsideTheSongLeavesItsEndAlone) {
  Song song = SongOf(4);
  song.Range.SetRecordStartMeasure(2);
  host::RecordingDialogs dialogs;
  dialogs.QueueAnswer(true);
  ChordmemoryRecorder recorder(song, dialogs);
  ASSERT_TRUE(recorder.Start(true));
  recorder.StoreBeat({kAm}, false);
  recorder.Advance();
  EXPECT_EQ(recorder.Finish(), std::nullopt);
  EXPECT_EQ(song.Chords.Length, 84);
  EXPECT_EQ(song.Chords.RecordAt(20), (BeatRecord{57, 2, 0, 0}));
}

TEST(ChordmemoryRecorder, TheFirstChordDuringTheCountInIsKeptOnBeatOne) {
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
  EXPECT_FALSE(recorder.StoreBeat({kG}, true));
  recorder.Advance();
  EXPECT_FALSE(recorder.StoreBeat({kG}, false)) << "beat one is already written";
  EXPECT_EQ(song.Position, 4);
  recorder.Advance();
  EXPECT_TRUE(recorder.StoreBeat({kC, 36, 12}, false));
  EXPECT_EQ(song.Chords.RecordAt(4), (BeatRecord{55, 1, 0, 0}));
  EXPECT_EQ(song.Chords.RecordAt(8), (BeatRecord{48, 1, 36, 12}));
  EXPECT_FALSE(recorder.TakeFirstChord(kAm)) << "only during the count-in";
}

TEST(ChordmemoryRecorder, ALateEntryOverwritesThePassedBeatUnlessItLiesBeforeTheFirstWrite) {
  Song song;
  host::RecordingDialogs dialogs;
  ChordmemoryRecorder recorder(song, dialogs);
  ASSERT_TRUE(recorder.Start(false));
  EXPECT_FALSE(recorder.StoreLate({kAm})) << "nothing has passed yet";
  recorder.StoreBeat({kC}, false);
  recorder.Advance();
  EXPECT_TRUE(recorder.StoreLate({kAm, 36, 12}));
  EXPECT_EQ(song.Chords.RecordAt(4), (BeatRecord{57, 2, 36, 12}));
  song.FirstWritePosition = 8;
  EXPECT_FALSE(recorder.StoreLate({kG}));
}

TEST(ChordmemoryRecorder, RecordingStopsWhenTheBufferIsFull) {
  Song song;
  song.Position = 11996;
  host::RecordingDialogs dialogs;
  ChordmemoryRecorder recorder(song, dialogs);
  EXPECT_FALSE(recorder.Advance());
  EXPECT_TRUE(recorder.StoreBeat({kC}, false));
  EXPECT_TRUE(recorder.Advance());
  EXPECT_FALSE(recorder.StoreBeat({kC}, false)) << "12,004 is outside the working area";
}

TEST(ChordmemoryRecorder, StepTapsLandOnBeatsAndEveryMeasureStartsWithTapOne) {
  struct Case {
    int MeasureLength;
    int Taps;
    std::vector<int> Positions;  // of the first seven chords entered
  };
  const Case cases[] = {
      {16, 4, {4, 8, 12, 16, 20, 24, 28}},   {16, 2, {4, 12, 20, 28, 36, 44, 52}},
      {16, 3, {4, 8, 12, 20, 24, 28, 36}},   {16, 6, {4, 8, 12, 16, 20, 24, 28}},
      {12, 2, {4, 8, 16, 20, 28, 32, 40}},   {24, 4, {4, 8, 16, 20, 28, 32, 40}},
      {16, 1, {4, 20, 36, 52, 68, 84, 100}},
  };
  for (const Case& c : cases) {
    Song song;
    song.SetMeasureLength(c.MeasureLength);
    host::RecordingDialogs dialogs;
    ChordmemoryRecorder recorder(song, dialogs);
    ASSERT_TRUE(recorder.StartStep(false, c.Taps));
    const perform::Chord chords[] = {kC, kG};
    for (size_t i = 0; i < c.Positions.size(); ++i) {
      EXPECT_EQ(song.Position, c.Positions[i]) << c.MeasureLength << "/" << c.Taps << " chord " << i;
      recorder.Step({chords[i % 2]}, false);
      EXPECT_EQ(song.Chords.RecordAt(c.Positions[i]).Root, chords[i % 2].Root);
    }
  }
}

TEST(ChordmemoryRecorder, StepEntriesShowTheTapAndMeasureAndKeepRepeatedChordsOut) {
  Song song;
  song.Range.SetRecordStartMeasure(-3);
  host::RecordingDialogs dialogs;
  ChordmemoryRecorder recorder(song, dialogs);
  ASSERT_TRUE(recorder.StartStep(false, 2));
  EXPECT_EQ(song.Range.RecordStartMeasure(), 1);
  struct Step {
    BeatEntry Entry;
    bool Preview;
    BeatRecord Written;  // at the position before the step
    int Tap;
    int ShownMeasure;
    bool Click;
  };
  const Step steps[] = {
      {{kC}, false, {48, 1, 0, 0}, 2, 1, false},
      {{kC}, false, {0, 0, 0, 0}, 1, 1, false},  // the same chord again holds
      {{kNone, 36, 12}, false, {0, 0, 36, 12}, 1, 1, true},
      {{kG, 38, 12}, false, {55, 1, 38, 12}, 2, 2, false},
      {{kAm}, true, {0, 0, 0, 0}, 2, 2, false},  // preview: nothing stored, no move
  };
  for (size_t i = 0; i < std::size(steps); ++i) {
    const Step& s = steps[i];
    const int at = song.Position;
    const StepOutcome outcome = recorder.Step(s.Entry, s.Preview);
    EXPECT_EQ(song.Chords.RecordAt(at), s.Written) << "step " << i;
    EXPECT_EQ(outcome.Tap, s.Tap) << "step " << i;
    EXPECT_EQ(outcome.ShownMeasure, s.ShownMeasure) << "step " << i;
    EXPECT_EQ(outcome.Click, s.Click) << "step " << i;
  }
  EXPECT_EQ(song.Position, 28);
}

TEST(ChordmemoryRecorder, AnOverwriteCompletesTheEntryFromThePlayedRecord) {
  struct Case {
    BeatEntry Entry;
    std::optional<BeatRecord> Written;
  };
  const Case cases[] = {
      {{kNone, 38, 12}, BeatRecord{55, 1, 38, 12}}, {{kAm}, BeatRecord{57, 2, 36, 12}},
      {{kAm, 40, 12}, BeatRecord{57, 2, 40, 12}},   {{kNone}, std::nullopt},
      {{kNone, kTempoFunction, 90}, std::nullopt},
  };
  for (const Case& c : cases) {
    Song song = SongOf(2);
    song.Chords.Write(20, {55, 1, 36, 12});
    song.Position = 20;
    host::RecordingDialogs dialogs;
    ChordmemoryRecorder recorder(song, dialogs);
    EXPECT_EQ(recorder.Overwrite(c.Entry), c.Written);
    EXPECT_EQ(song.Chords.RecordAt(20), c.Written.value_or(BeatRecord{55, 1, 36, 12}));
  }
}

}  // namespace
}  // namespace kalo::song
