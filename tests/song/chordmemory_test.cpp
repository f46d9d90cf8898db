#include "song/chordmemory.h"

#include <gtest/gtest.h>

#include "config/settings.h"
#include "song/function_text.h"
#include "song/play_range.h"
#include "song/song.h"

namespace kalo::song {
namespace {

TEST(Chordmemory, ClearingLeavesAnEmptySongWithStopOnBeatOne) {
  Song song;
  song.Chords.Length = 100;
  song.Chords.SetHeader({3, 120, 16, 5});
  song.Chords.Write(40, {48, 1, 36, 12});
  song.Melody.Load(std::vector<MelodyEvent>(3, MelodyEvent{10, 0x90, 60, 100, 1}));
  song.Range.SetToMeasure(6);
  song.Clear();
  EXPECT_EQ(song.Chords.Length, 4);
  EXPECT_TRUE(song.Chords.Empty());
  EXPECT_EQ(song.Chords.Header(), ChordmemoryHeader{});
  EXPECT_EQ(song.Chords.RecordAt(4), (BeatRecord{0, 0, kStopFunction, 0}));
  EXPECT_EQ(song.Chords.RecordAt(40), BeatRecord{});
  EXPECT_EQ(song.Melody.Count(), 0);
  EXPECT_EQ(song.Range.ToMeasure(), 1);
}

TEST(Chordmemory, RecordsOutsideTheBufferReadEmptyAndAreNeverWritten) {
  struct Case {
    int Position;
    bool Readable;
    bool Writable;
  };
  const Case cases[] = {{0, false, false},    {2, false, false},     {4, true, true},    {12000, true, true},
                        {12004, true, false}, {12008, false, false}, {-4, false, false}, {6, false, false}};
  for (const Case& c : cases) {
    Chordmemory memory;
    memory.Bytes.fill(7);
    EXPECT_EQ(memory.RecordAt(c.Position) == (BeatRecord{7, 7, 7, 7}), c.Readable) << c.Position;
    EXPECT_EQ(memory.Write(c.Position, {1, 2, 3, 4}), c.Writable) << c.Position;
  }
}

TEST(Chordmemory, NoChordIsStoredAsZeroesNeverAsTheNoRootValue) {
  EXPECT_EQ(StoredChord({48, 2}), (BeatRecord{48, 2, 0, 0}));
  EXPECT_EQ(StoredChord({perform::kNoRoot, 0}), BeatRecord{});
  EXPECT_EQ(StoredChord({60, 0}), BeatRecord{});
  EXPECT_EQ(StoredChord({0, 1}), BeatRecord{});
}

TEST(Chordmemory, MeasuresCountOnlyCompleteMeasures) {
  struct Case {
    int16_t Length;
    int MeasureLength;
    int Measures;
  };
  const Case cases[] = {{4, 16, 0}, {52, 16, 3}, {51, 16, 2}, {52, 12, 4}, {0, 16, 0}, {12004, 4, 3000}};
  for (const Case& c : cases) {
    Chordmemory memory;
    memory.Length = c.Length;
    EXPECT_EQ(memory.Measures(c.MeasureLength), c.Measures) << c.Length << "/" << c.MeasureLength;
  }
}

TEST(Chordmemory, AReReadRecordWithoutARootTakesTheChordFoundWholeMeasuresBack) {
  Chordmemory memory = Chordmemory::Cleared();
  memory.Write(4, {48, 1, 36, 12});   // 1:1 C maj, Fill In
  memory.Write(8, {55, 1, 0, 0});     // 1:2 G maj (not on the stepped-back beat)
  memory.Write(20, {0, 0, 0, 0});     // 2:1 nothing
  memory.Write(36, {0, 0, 254, 90});  // 3:1 only a tempo change
  memory.Write(52, {57, 2, 0, 0});    // 4:1 A min
  struct Case {
    int Position;
    BeatRecord Expected;
  };
  const Case cases[] = {
      {36, {48, 1, 254, 90}},  // own function kept
      {20, {48, 1, 36, 12}},   // the found record's function comes along
      {52, {57, 2, 0, 0}},     // has a root: unchanged
      {24, {55, 1, 0, 0}},     // 2:2 steps back to 1:2
      {40, {55, 1, 0, 0}},     // 3:2 steps back two measures
  };
  for (const Case& c : cases) EXPECT_EQ(memory.ReReadRecord(c.Position, 16), c.Expected) << c.Position;
  EXPECT_EQ(memory.ReReadRecord(16, 16), BeatRecord{}) << "nothing before the song start";
}

TEST(PlayRange, APositionIsFoundAgainFromItsMeasureAndBeat) {
  struct Case {
    int Measure;
    int Beat;
    int MeasureLength;
    int Position;
  };
  const Case cases[] = {{1, 1, 16, 4}, {3, 1, 16, 36}, {2, 3, 12, 24}, {500, 6, 24, 12000}, {4, 1, 4, 16}};
  for (const Case& c : cases) {
    EXPECT_EQ(PositionOf(c.Measure, c.Beat, c.MeasureLength), c.Position) << c.Position;
    EXPECT_EQ(MeasureOf(c.Position, c.MeasureLength), c.Measure) << c.Position;
    EXPECT_EQ(BeatOf(c.Position, c.MeasureLength), c.Beat) << c.Position;
  }
  EXPECT_EQ(ShownMeasureOf(4 - 16, 16), 0);
  EXPECT_EQ(ShownMeasureOf(4 - 32, 16), -1);
}

TEST(PlayRange, FieldsSetTheirPositionsWithinTheirRanges) {
  PlayRange range;
  range.ChangeMeasureLength(12, 4);
  range.SetFromMeasure(3);
  range.SetToMeasure(5);
  range.SetRecordStartMeasure(-2);
  EXPECT_EQ(range.PlayStart(), 28);
  EXPECT_EQ(range.PlayEnd(), 63);
  EXPECT_EQ(range.RecordStart(), -32);
  range.SetFromMeasure(0);
  range.SetToMeasure(501);
  range.SetRecordStartMeasure(-900);
  EXPECT_EQ(range.FromMeasure(), 1);
  EXPECT_EQ(range.ToMeasure(), 500);
  EXPECT_EQ(range.RecordStartMeasure(), -500);
}

TEST(PlayRange, ANewMeasureLengthResetsTheRangeToTheRecordedMeasures) {
  struct Case {
    int MeasureLength;
    int ChordmemoryLength;
    bool Taken;
    int ToMeasure;
  };
  const Case cases[] = {{12, 52, true, 4}, {16, 20, true, 1}, {24, 4, true, 1}, {10, 52, false, 7}};
  for (const Case& c : cases) {
    PlayRange range;
    range.SetFromMeasure(2);
    range.SetToMeasure(7);
    EXPECT_EQ(range.ChangeMeasureLength(c.MeasureLength, c.ChordmemoryLength), c.Taken) << c.MeasureLength;
    EXPECT_EQ(range.ToMeasure(), c.ToMeasure) << c.MeasureLength;
    EXPECT_EQ(range.FromMeasure(), c.Taken ? 1 : 2) << c.MeasureLength;
  }
}

TEST(PlayRange, AMeasureLengthFromAFileSelectsTheFirstMatchingMetrum) {
  EXPECT_EQ(MetrumIndexForLength(12, false), 3);
  EXPECT_EQ(MetrumIndexForLength(12, true), 3) << "only a length of 4 prefers the eighth-note item";
  EXPECT_EQ(MetrumIndexForLength(4, false), 5);
  EXPECT_EQ(MetrumIndexForLength(4, true), 8);
  EXPECT_EQ(MetrumIndexForLength(0, false), std::nullopt);
  EXPECT_EQ(MetrumIndexForLength(18, false), std::nullopt);
  EXPECT_EQ(MetronomeBeats(6), 3);
  EXPECT_EQ(MetronomeBeats(1), 5);
  EXPECT_EQ(MetronomeBeats(7), 4);
}

TEST(FunctionText, EveryFunctionIsNamedAsTheEditorShowsIt) {
  config::Settings settings;
  const config::ControlKeyNotes keys = config::ComputeControlKeyNotes(settings);
  struct Case {
    int Code;
    int Parameter;
    const char* Text;
  };
  const Case cases[] = {
      {251, 0, "Play All"},
      {251, 16, "Solo C.16"},
      {251, 220, "Mute M."},
      {251, 221, "Play M."},
      {251, 222, "Mute C.16"},
      {251, 237, "Mute C.1"},
      {251, 239, "Play C.16"},
      {251, 254, "Play C.1"},
      {251, 255, "Mute All"},
      {251, 17, ""},
      {251, 238, ""},
      {252, 0, "0 Up/Down"},
      {252, 11, "11 Up"},
      {252, 245, "11 Down"},
      {252, 250, "6 Down"},
      {252, 255, "1 Down"},
      {253, 0, "LoopEnd"},
      {253, 101, "Loop 1x"},
      {253, 200, "Loop 100x"},
      {254, 96, "Tempo 96"},
      {255, 0, "STOP"},
      {0, 0, ""},
      {keys.FillIn, 12, "Fill In"},
      {keys.ToBasic, 12, "To Basic"},
      {keys.Ending, 12, "Ending"},
      {keys.ToExtended, 12, "To Ext."},
      {keys.Intro, 12, "Intro"},
      {keys.Ending + 12, 12, ""},
  };
  for (const Case& c : cases)
    EXPECT_EQ(FunctionText(static_cast<uint8_t>(c.Code), static_cast<uint8_t>(c.Parameter), keys), c.Text)
        << c.Code << "/" << c.Parameter;
}

}  // namespace
}  // namespace kalo::song
