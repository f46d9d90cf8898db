// The chord editor's work on the Chordmemory: measure and beat operations with their guards, cell
// commands, the clipboard, undo, and what the grid shows.

#include "song/chord_editing.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "song/song.h"

namespace kalo::song {
namespace {

constexpr int L = 16;  // 4/4

// A song of `measures` measures of 4/4 whose beat n holds root n (type 1), STOP on the first beat after
// them and one measure for it, as a recording ends.
Chordmemory Song(int measures) {
  Chordmemory chords = Chordmemory::Cleared();
  for (int beat = 1; beat <= measures * 4; ++beat)
    chords.Write(4 * beat, {static_cast<uint8_t>(beat), 1, 0, 0});
  chords.Write(4 + measures * L, {0, 0, kStopFunction, 0});
  chords.Length = static_cast<int16_t>(4 + (measures + 1) * L);
  return chords;
}

// The beats of a Chordmemory as the roots they hold ("S" for STOP, "." for an empty record), measures
// separated by '|', up to the length.
std::string Beats(const Chordmemory& chords) {
  std::string text;
  for (int position = 4; position < chords.Length; position += 4) {
    if (position > 4 && (position - 4) % L == 0) text += "|";
    const BeatRecord record = chords.RecordAt(position);
    text += record.Function == kStopFunction ? "S" : record.Root != 0 ? std::to_string(record.Root) : ".";
    text += " ";
  }
  return text;
}

TEST(ChordEditing, MeasureAndBeatOperationsKeepTheirGuards) {
  struct Row {
    const char* Name;
    Chordmemory Before;
    std::function<bool(Chordmemory&)> Operation;
    bool Done;
    const char* After;  // Beats() after; for a refusal the song is unchanged
  };
  Chordmemory nearlyFull = Song(4);
  nearlyFull.Length = 11996;
  const Row rows[] = {
      {"8 new measures", Chordmemory::Cleared(), [](Chordmemory& c) { return CreateMeasures(c, 8, L); }, true,
       ". . . . |. . . . |. . . . |. . . . |. . . . |. . . . |. . . . |. . . . |S . . . "},
      {"0 new measures", Chordmemory::Cleared(), [](Chordmemory& c) { return CreateMeasures(c, 0, L); }, true,
       ""},
      {"too many new measures", Chordmemory::Cleared(),
       [](Chordmemory& c) { return CreateMeasures(c, 750, L); }, false, ""},
      {"new measures over a song", Song(1), [](Chordmemory& c) { return CreateMeasures(c, 2, L); }, false,
       ""},
      {"insert before measure 3", Song(4), [](Chordmemory& c) { return InsertMeasure(c, 3, L); }, true,
       "1 2 3 4 |5 6 7 8 |. 10 11 12 |9 10 11 12 |13 14 15 16 |S . . . "},
      {"insert after the end", Song(4), [](Chordmemory& c) { return InsertMeasure(c, 7, L); }, false, ""},
      {"insert into an empty song", Chordmemory::Cleared(),
       [](Chordmemory& c) { return InsertMeasure(c, 1, L); }, false, ""},
      {"insert into a full song", nearlyFull, [](Chordmemory& c) { return InsertMeasure(c, 1, L); }, false,
       ""},
      {"delete measure 1 of one", Song(0), [](Chordmemory& c) { return DeleteMeasure(c, 1, L); }, true, ""},
      {"delete measure 2", Song(4), [](Chordmemory& c) { return DeleteMeasure(c, 2, L); }, true,
       "1 2 3 4 |9 10 11 12 |13 14 15 16 |S . . . "},
      {"delete the end mark's measure", Song(4), [](Chordmemory& c) { return DeleteMeasure(c, 5, L); }, false,
       ""},
      {"delete after the end", Song(4), [](Chordmemory& c) { return DeleteMeasure(c, 6, L); }, false, ""},
      {"insert a beat at 2:2", Song(2), [](Chordmemory& c) { return InsertBeat(c, 24, L); }, true,
       "1 2 3 4 |5 . 6 7 |8 S . . |. . . . |. "},
      {"delete the beat 2:2", Song(2), [](Chordmemory& c) { return DeleteBeat(c, 24, L); }, true,
       "1 2 3 4 |5 7 8 S |. . . "},
      {"delete the end mark's beat", Song(2), [](Chordmemory& c) { return DeleteBeat(c, 36, L); }, false, ""},
      {"copy 1-2 onto 1", Song(4), [](Chordmemory& c) { return CopyMeasures(c, 1, 2, 1, L); }, false, ""},
      {"copy 3-4 to 1", Song(4), [](Chordmemory& c) { return CopyMeasures(c, 3, 4, 1, L); }, true,
       "9 10 11 12 |13 14 15 16 |1 2 3 4 |5 6 7 8 |9 10 11 12 |13 14 15 16 |S . . . "},
      {"copy 1 to 4", Song(4), [](Chordmemory& c) { return CopyMeasures(c, 1, 1, 4, L); }, true,
       "1 2 3 4 |5 6 7 8 |9 10 11 12 |1 2 3 4 |13 14 15 16 |S . . . "},
      {"copy to after the end", Song(4), [](Chordmemory& c) { return CopyMeasures(c, 1, 1, 6, L); }, false,
       ""},
      {"copy beyond the end", Song(4), [](Chordmemory& c) { return CopyMeasures(c, 4, 6, 1, L); }, false, ""},
      {"copy past the buffer", nearlyFull, [](Chordmemory& c) { return CopyMeasures(c, 1, 1, 2, L); }, false,
       ""},
  };
  for (const Row& row : rows) {
    Chordmemory chords = row.Before;
    EXPECT_EQ(row.Operation(chords), row.Done) << row.Name;
    if (!row.Done) {
      EXPECT_TRUE(chords == row.Before) << row.Name;
      continue;
    }
    EXPECT_EQ(Beats(chords), row.After) << row.Name;
    // Nothing is left beyond the length but the STOP a copy sets at it.
    for (int position = std::max<int>(chords.Length, 4); position < kChordmemoryWorkingSize; position += 4) {
      if (position == chords.Length) continue;
      ASSERT_EQ(chords.RecordAt(position), BeatRecord{}) << row.Name << position;
    }
  }
  Chordmemory created = Chordmemory::Cleared();
  CreateMeasures(created, 8, L);
  EXPECT_EQ(std::pair(created.Length, created.RecordAt(132).Function),
            std::pair(int16_t{148}, kStopFunction));
}

TEST(ChordEditing, CellCommandsTheClipboardAndUndo) {
  const config::ControlKeyNotes keys = config::ComputeControlKeyNotes(config::Settings{});
  Chordmemory chords = Chordmemory::Cleared();
  ChordEditing editing(chords);
  editing.Column = 2;
  EXPECT_FALSE(editing.SetType(perform::kMin7, L)) << "a type needs a root";
  EXPECT_FALSE(editing.CanUndo());
  editing.SetRoot(50, L);  // 1:2 of an empty song: the song grows to the end of the measure
  EXPECT_EQ(std::pair(chords.Length, editing.Selected(L)), std::pair(int16_t{20}, BeatRecord{50, 1, 0, 0}));
  EXPECT_TRUE(editing.SetType(perform::kMin7, L));
  editing.WriteFunction(kLoopFunction, LoopStartParameter(0), L);
  EXPECT_EQ(CellText(editing.Selected(L), keys), "D min7 Loop 1x");
  editing.CutFunction(L);
  editing.Column = 3;
  editing.WriteChord(55, perform::kSeventh, L);
  editing.PasteBeat(L);  // a clipboard with only a function leaves the chord
  EXPECT_EQ(editing.Selected(L), (BeatRecord{55, 3, kLoopFunction, 101}));
  editing.CutChord(L);
  EXPECT_EQ(editing.Clipboard, (BeatRecord{55, 3, 0, 0}));
  EXPECT_EQ(editing.Selected(L), (BeatRecord{0, 0, kLoopFunction, 101}));

  EXPECT_TRUE(editing.Undo()) << "the chord cut comes back";
  EXPECT_EQ(editing.Selected(L), (BeatRecord{55, 3, kLoopFunction, 101}));
  EXPECT_FALSE(editing.Undo()) << "one step";

  editing.Measure = 1;
  EXPECT_EQ(editing.DeleteMeasure(L), nullptr);
  EXPECT_EQ(chords.Length, 4);
  editing.Measure = 3;
  EXPECT_STREQ(editing.InsertMeasure(L), kCantInsertMeasures);
  EXPECT_STREQ(editing.CopyMeasures(1, 1, 2, L), kChordmemoryEmptyMessage);
  EXPECT_TRUE(editing.Undo()) << "a refusal keeps the snapshot of the last change";
  EXPECT_EQ(std::tuple(chords.Length, editing.Measure, chords.RecordAt(12).Root),
            std::tuple(int16_t{20}, 1, 55));
}

TEST(ChordEditing, FieldsGiveTheirParametersAndCellsTheirTexts) {
  EXPECT_EQ(LoopStartParameter(1), 101);
  EXPECT_EQ(LoopStartParameter(100), 200);
  EXPECT_EQ(TransposeParameter(-3), 253);
  EXPECT_EQ(TransposeParameter(11), 11);
  const std::tuple<SoloMuteChoice, int, int> choices[] = {
      {SoloMuteChoice::Play, 1, 254},      {SoloMuteChoice::Solo, 16, 16},
      {SoloMuteChoice::Mute, 16, 222},     {SoloMuteChoice::PlayAll, 3, 0},
      {SoloMuteChoice::MuteAll, 3, 255},   {SoloMuteChoice::PlayMelody, 3, 221},
      {SoloMuteChoice::MuteMelody, 3, 220}};
  for (const auto& [choice, channel, parameter] : choices)
    EXPECT_EQ(SoloMuteParameter(choice, channel), parameter) << static_cast<int>(choice);

  const config::ControlKeyNotes keys = config::ComputeControlKeyNotes(config::Settings{});
  const std::pair<BeatRecord, const char*> cells[] = {
      {{60, 2, 0, 0}, "C min"},
      {{0, 0, 254, 90}, "Tempo 90"},
      {{57, 0, 0, 0}, ""},  // a root alone means nothing
      {{0, 17, static_cast<uint8_t>(keys.Ending), 12}, "C sus7 Ending"},
      {{0, 0, 252, 254}, "2 Down"}};
  for (const auto& [record, text] : cells) EXPECT_EQ(CellText(record, keys), text);

  Chordmemory withoutStop = Song(3);
  withoutStop.Write(52, {});
  EXPECT_EQ(ShownMeasures(Chordmemory::Cleared(), L), 1);
  EXPECT_EQ(ShownMeasures(Song(3), L), 4);
  EXPECT_EQ(ShownMeasures(withoutStop, L), 4) << "through the length, not to the end of the buffer";
}

}  // namespace
}  // namespace kalo::song
