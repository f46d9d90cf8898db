#include <gtest/gtest.h>

#include <algorithm>

#include "midi/midi_status.h"
#include "style_test_support.h"
#include "styles/keyboard_style_markers.h"
#include "styles/midi_import.h"
#include "styles/style_event_editor.h"
#include "styles/style_song.h"
#include "styles/style_stream.h"

namespace kalo::styles {
namespace {

// Material of `measures` measures in the metre n/d at 24 pulses a quarter: a note on every quarter
// note, its key telling the quarter (30 for the first), sounding half a quarter.
midi::SmfFileData QuarterNotes(int numerator, int denominator, int measures) {
  midi::SmfFileData content;
  content.PulsesPerQuarter = 24;
  content.TrackCount = 1;
  content.TimeSignatures.push_back({0, numerator, denominator});
  const int quarters = measures * numerator * 4 / denominator;
  for (int q = 0; q < quarters; ++q) {
    content.Events.push_back({q * 24, 0x90, static_cast<uint8_t>(30 + q), 100, 1});
    content.Events.push_back({q * 24 + 12, 0x80, static_cast<uint8_t>(30 + q), 0, 1});
  }
  content.EndPulse = quarters * 24;
  return content;
}

// The key of the note-on at `offset`, or -1 when no note-on stands there.
int KeyAt(const Style& style, int32_t offset) {
  const auto stream = style.Stream();
  if (offset < 0 || offset + 2 >= static_cast<int32_t>(stream.size()) || stream[offset] != midi::kNoteOn)
    return -1;
  return stream[offset + 1];
}

struct CutCase {
  const char* Metre;
  int Numerator, Denominator;
  bool EighthBase;
  PartWindow Window;
  int StartKey;                  // the note the part starts with
  std::array<int, 3> EntryKeys;  // the notes of the entry offsets; -1 where the entry is the part's end
  int64_t Ticks;                 // of the part
};

TEST(CuttingParts, OffsetsAndEntryOffsetsFollowMeasuresAndBeatsInEveryMetre) {
  const CutCase cases[] = {
      {"4/4 measures 2-3", 4, 4, false, {2, 3, 1, false, {}}, 34, {35, 36, 37}, 192},
      {"3/4 one measure: beat 4 is the next measure",
       3,
       4,
       false,
       {2, 2, 1, false, {}},
       33,
       {34, 35, -1},
       72},
      {"5/4 from beat 3", 5, 4, false, {1, 2, 3, false, {}}, 32, {31, 32, 33}, 240},
      {"6/8 counts quarters", 6, 8, true, {3, 3, 1, false, {}}, 36, {37, 38, -1}, 72},
      {"last 0 runs to the end", 4, 4, false, {5, 0, 1, false, {}}, 46, {47, 48, 49}, 192},
      {"a last below the first is the first", 4, 4, false, {5, 3, 1, false, {}}, 46, {47, 48, 49}, 96},
  };
  for (const CutCase& c : cases) {
    testing::TGenBench bench;
    ImportOptions options;
    options.EighthBase = c.EighthBase;
    auto material = ImportMidiMaterial(QuarterNotes(c.Numerator, c.Denominator, 6), options, Metre{});
    ASSERT_TRUE(std::holds_alternative<ImportedMaterial>(material)) << c.Metre;
    ASSERT_TRUE(bench.Gen.TakeImportedMaterial("m.mid", std::get<ImportedMaterial>(material))) << c.Metre;
    ASSERT_TRUE(bench.Gen.CutPart(kFillInBasic, c.Window)) << c.Metre;
    const Style& style = bench.Gen.CurrentStyle();
    const TStylePart& part = style.Parts[kFillInBasic];
    EXPECT_EQ(KeyAt(style, part.StartOffset), c.StartKey) << c.Metre;
    for (size_t e = 0; e < 3; ++e) {
      if (c.EntryKeys[e] < 0) {
        EXPECT_EQ(part.EntryOffsets[e], part.EndOffset) << c.Metre << " entry " << e;
      } else {
        EXPECT_EQ(KeyAt(style, part.EntryOffsets[e]), c.EntryKeys[e]) << c.Metre << " entry " << e;
      }
    }
    // The part ends at the delay that reaches its end: its ticks are those of its measures.
    EXPECT_EQ(TicksIn(style.Stream(), part.StartOffset, part.EndOffset + 1), c.Ticks) << c.Metre;
  }
}

TEST(CuttingParts, NothingIsCutOutsideTheMaterialAndClearingEmptiesThePart) {
  testing::TGenBench bench;
  EXPECT_FALSE(bench.Gen.CutPart(kBasic, {1, 2, 1, false, {}}));  // no material yet
  auto material = ImportMidiMaterial(QuarterNotes(4, 4, 4), {}, Metre{});
  ASSERT_TRUE(bench.Gen.TakeImportedMaterial("m.mid", std::get<ImportedMaterial>(material)));
  EXPECT_FALSE(bench.Gen.CutPart(kBasic, {0, 2, 1, false, {}}));
  EXPECT_FALSE(bench.Gen.CutPart(kBasic, {5, 6, 1, false, {}}));
  std::array<uint8_t, kChannelCount> mutes{};
  mutes[3] = 1;
  ASSERT_TRUE(bench.Gen.CutPart(kFillInExtended, {2, 4, 1, true, mutes}));
  const TStylePart& fill = bench.Gen.CurrentStyle().Parts[kFillInExtended];
  EXPECT_TRUE(fill.HasVariationMarker());
  EXPECT_EQ(fill.Mute, mutes);
  ASSERT_TRUE(bench.Gen.CutPart(kBasic, {1, 1, 1, true, {}}));
  EXPECT_FALSE(bench.Gen.CurrentStyle().Parts[kBasic].HasVariationMarker());  // only fills carry it
  bench.Gen.ClearPart(kBasic);
  EXPECT_FALSE(bench.Gen.CurrentStyle().Parts[kBasic].Exists());
  EXPECT_TRUE(bench.Gen.CurrentStyle().Modified);
}

TEST(StyleLevels, OffsetsStayInTheDataRangeAndTheNoReverbButtonGivesItBack) {
  testing::TGenBench bench;
  ASSERT_TRUE(bench.Gen.EnsureBuffers());
  auto& header = bench.Gen.CurrentStyle().Header;
  for (int c : {0, 1, 2}) header.ChannelUsed[static_cast<size_t>(c)] = 1;
  header.Channels[0].Values[91] = 0;
  header.Channels[1].Values[91] = 127;  // channel 2 keeps 127: 128 is not taken
  header.Channels[0].Values[7] = 100;   // channel 3 has no volume set: skipped
  bench.Gen.ChangeLevels(91, -1);
  EXPECT_EQ(header.Channels[0].Values[91], 0);  // reverb offset at 0 stays 0
  EXPECT_EQ(header.Channels[1].Values[91], 126);
  EXPECT_EQ(header.Channels[2].Values[91], 63);  // unset counts as 64
  bench.Gen.ChangeLevels(91, +1);
  EXPECT_EQ(header.Channels[0].Values[91], 1);
  bench.Gen.ChangeLevels(7, +1);
  EXPECT_EQ(header.Channels[0].Values[7], 101);
  EXPECT_EQ(header.Channels[2].Values[7], kNotSet);
  EXPECT_NE(std::find(bench.Display.Lines().begin(), bench.Display.Lines().end(), "StyleOffsets: 1 0"),
            bench.Display.Lines().end());
  bench.Gen.ChangeLevels(91, TGen::kNoReverbStep);
  EXPECT_EQ(header.Channels[1].Values[91], 0);
  bench.Gen.ChangeLevels(91, TGen::kNoReverbStep + 1);
  EXPECT_EQ(header.Channels[1].Values[91], 127);  // each channel gets its own back
  EXPECT_EQ(header.Channels[2].Values[91], 64);
  EXPECT_EQ(bench.Gen.CurrentStyle().ReverbOffsetTotal, 0);
}

TEST(StyleSong, WritesEachPartsFunctionWhereItBeginsThenStop) {
  PartTable parts{};
  parts[kBasic] = testing::MakePart(1, 4, 0, 10);
  parts[kFillInBasic] = testing::MakePart(5, 5, 10, 20);
  parts[kEnding] = testing::MakePart(6, 7, 20, 30);
  config::ControlKeyNotes keys{30, 31, 32, 33, 29, 36, 59};
  const auto song = WholeStyleSong(parts, 16, keys, false);
  ASSERT_TRUE(song);
  const song::Chordmemory& chords = song->Chords;
  EXPECT_EQ(chords.RecordAt(4), (song::BeatRecord{48, 1, 0, 0}));
  EXPECT_EQ(chords.RecordAt(68), (song::BeatRecord{0, 0, 30, 12}));   // Fill in Basic: the fill key
  EXPECT_EQ(chords.RecordAt(84), (song::BeatRecord{0, 0, 31, 12}));   // Ending: the ending key
  EXPECT_EQ(chords.RecordAt(116), (song::BeatRecord{0, 0, 255, 0}));  // STOP
  EXPECT_EQ(chords.Length, 132);
  EXPECT_EQ(song->ToMeasure, 8);
  EXPECT_EQ(song->Layout[kEnding].First, 6);

  // An intro plays first; the parts follow its measures.
  parts[kIntro] = testing::MakePart(8, 9, 30, 40);
  EXPECT_EQ(WholeStyleSong(parts, 16, keys, true)->Chords.RecordAt(4 + 2 * 16 + 64).Function, 30);

  // One part: Extended plays in Basic's place; the Ending is reached with the ending key, twice its length.
  parts[kExtended] = testing::MakePart(10, 11, 40, 50);
  const auto extended = PartSong(parts, kExtended, 16, keys);
  EXPECT_EQ(extended->Parts[kBasic], parts[kExtended]);
  EXPECT_EQ(extended->Chords.RecordAt(36).Function, 255);
  const auto ending = PartSong(parts, kEnding, 16, keys);
  EXPECT_TRUE(ending->Intro && ending->EndingPressOnce);
  EXPECT_EQ(ending->Chords.RecordAt(4).Function, 31);
  EXPECT_EQ(ending->Chords.RecordAt(68).Function, 255);
  EXPECT_FALSE(PartSong(parts, kToBasic, 16, keys));
  EXPECT_EQ(ProposedPartFileName(kFillInExtended, true), "sty1_v41.mid");
}

TEST(KeyboardStyleMarkers, SectionsBecomePartsOnWholeMeasures) {
  const std::vector<ImportMarker> markers = {{0, "SFF1"},      {0, "SInt"},         {96, "Intro A"},
                                             {288, "main a"},  {480, "Fill In AA"}, {576, "Main  B"},
                                             {768, "Intro B"}, {864, "Fill In BA"}, {950, "Ending A"}};
  std::vector<std::string> found;
  for (const MarkedSection& s : PartsFromMarkers(markers, 1152, 96))
    found.push_back(std::string(kPartNames[static_cast<size_t>(s.Part)]) + " " + std::to_string(s.First) +
                    "-" + std::to_string(s.Last));
  // Intro A wins over Intro B; "Fill In BA" holds no whole measure; the Ending starts at the bar line
  // after its marker.
  EXPECT_EQ(found, (std::vector<std::string>{"Intro 2-3", "Basic 4-5", "Extended 7-8", "Ending 11-12",
                                             "Fill in Basic 6-6"}));
}

// A TGen holding `measures` measures of QuarterNotes material in 4/4.
void TakeQuarterNotes(testing::TGenBench& bench, int measures) {
  auto material = ImportMidiMaterial(QuarterNotes(4, 4, measures), {}, Metre{});
  ASSERT_TRUE(bench.Gen.TakeImportedMaterial("m.mid", std::get<ImportedMaterial>(material)));
}

TEST(EventEditor, ChangesANoteWithItsEndClearsItAndUndoesEither) {
  testing::TGenBench bench;
  TakeQuarterNotes(bench, 2);
  bench.Gen.SetFirstMeasure(2);  // the play window starts at measure 2: quarter 4, key 34
  StyleEventEditor editor(bench.Gen);
  editor.Open();
  const std::array<bool, kChannelCount> none{};
  const auto first = editor.Next(-1, none);
  ASSERT_TRUE(first);
  EXPECT_EQ(first->Note, 34);
  EXPECT_EQ(EditorNoteText(first->Note), "2 Bb");
  EXPECT_FALSE(editor.Previous(-1, none));   // nothing before the window's start
  const auto changed = editor.Change(2, 4);  // "D", octave box "5": (4 + 1) * 12 + 2
  ASSERT_TRUE(changed);
  EXPECT_EQ(changed->Note, 62);
  auto stream = bench.Gen.CurrentStyle().Stream();
  const auto noteOff = std::find(stream.begin() + first->Offset + 3, stream.end(), uint8_t{0x80});
  ASSERT_NE(noteOff, stream.end());
  EXPECT_EQ(*(noteOff + 1), 62);  // its note-off follows
  ASSERT_TRUE(editor.Undo());
  EXPECT_EQ(stream[static_cast<size_t>(first->Offset) + 1], 34);
  EXPECT_EQ(*(noteOff + 1), 34);
  const auto next = editor.Clear(-1, none);
  EXPECT_EQ(stream[static_cast<size_t>(first->Offset) + 2], 0);
  EXPECT_EQ(next->Note, 35);
  ASSERT_TRUE(editor.Undo());
  EXPECT_EQ(stream[static_cast<size_t>(first->Offset) + 2], 100);
  std::array<bool, kChannelCount> muted{};
  muted[0] = true;
  EXPECT_FALSE(editor.Next(-1, muted));  // a muted channel's notes are passed over
}

struct PrepareCase {
  const char* Item;
  int Part;
  bool Variation;
  int First, Last;
};

TEST(PreparingParts, TheLoopMenuSetsTheMeasuresFromThePositionAndTheLoopLength) {
  const PrepareCase cases[] = {
      {"Basic from measure 3, a loop of 4", kBasic, false, 3, 6},
      {"Intro from the start of the material", kIntro, false, 2, 5},
      {"a fill takes one measure", kFillInBasic, false, 3, 3},
      {"a variation fill takes the loop", kFillInExtended, true, 3, 6},
  };
  for (const PrepareCase& c : cases) {
    testing::TGenBench bench;
    TakeQuarterNotes(bench, 8);
    bench.Gen.Position = 2 * 16 + 4;  // measure 3
    bench.Gen.PreparePart(c.Part, c.Variation);
    EXPECT_EQ(bench.Gen.RunningPart, c.Part) << c.Item;
    EXPECT_EQ(bench.Gen.FirstMeasure, c.First) << c.Item;
    EXPECT_EQ(bench.Gen.LastMeasure, c.Last) << c.Item;
    EXPECT_EQ(bench.Gen.VariationPrepared, c.Variation) << c.Item;
    EXPECT_EQ(KeyAt(bench.Gen.CurrentStyle(), bench.Gen.StartOffset), 30 + 4 * (c.First - 1)) << c.Item;
  }
}

TEST(MovingByMeasures, TheWindowMovesWithItsDistanceKeptAndBookmarksJumpToTheirMeasure) {
  testing::TGenBench bench;
  TakeQuarterNotes(bench, 8);
  TGen& gen = bench.Gen;
  gen.SetFirstMeasure(3);
  gen.SetLastMeasure(4);
  gen.CurrentOffset = 1;  // the material has played
  gen.MeasureForward();
  EXPECT_EQ(gen.FirstMeasure, 4);
  EXPECT_EQ(gen.LastMeasure, 5);
  EXPECT_EQ(gen.Position, 3 * 16 + 4);
  EXPECT_EQ(KeyAt(gen.CurrentStyle(), gen.StartOffset), 42);
  EXPECT_GT(bench.Player.Stops, 0);  // the player stops
  gen.MeasureBack();
  gen.MeasureBack();
  EXPECT_EQ(gen.FirstMeasure, 2);
  EXPECT_EQ(gen.LastMeasure, 3);
  // Moving back sends every channel a centred pitch bend.
  EXPECT_EQ(bench.Player.Sent.back(), (std::array<uint8_t, 3>{0xEF, 0, 64}));

  gen.Position = 6 * 16 + 4;  // measure 7, while recording: bookmark 2
  gen.BookmarkClick(true);
  gen.StyleMode = true;
  gen.BookmarkClick(false);  // bookmarks 3 to 10 are empty: the next set one is 2
  EXPECT_EQ(gen.FirstMeasure, 7);
  EXPECT_EQ(gen.LastMeasure, 0);
  EXPECT_EQ(gen.EndOffset, kNoLimit);
}

TEST(MovingByMeasures, InSongModeEachMoveGoesOneMeasureFromTheStartOfAFreshImport) {
  // The moves in order ('>' forward, '<' back) and the measure the position shows after them.
  const std::pair<const char*, int> cases[] = {
      {">", 2}, {">>>", 4}, {">><", 2}, {"><<", 1}, {">>>>>>>>>", 8}};
  for (const auto& [moves, measure] : cases) {
    testing::TGenBench bench;
    TakeQuarterNotes(bench, 8);
    TGen& gen = bench.Gen;
    gen.SwitchStyleMode(false);
    for (const char* move = moves; *move != 0; ++move)
      *move == '>' ? gen.MeasureForward() : gen.MeasureBack();
    EXPECT_EQ((gen.Position - 4) / 16 + 1, measure) << moves;
    EXPECT_EQ(KeyAt(gen.CurrentStyle(), gen.CurrentOffset), 30 + 4 * (measure - 1)) << moves;
  }
}

TEST(ImportedMaterial, TheMainWindowsStyleLabelNamesTheMaterial) {
  const std::pair<const char*, const char*> cases[] = {
      {"Groove.MID", "groove"}, {"/songs/my.song.mid", "my.song"}, {"Rock&Roll", "rock&&roll"}};
  for (const auto& [file, label] : cases) {
    testing::TGenBench bench;
    auto material = ImportMidiMaterial(QuarterNotes(4, 4, 2), {}, Metre{});
    ASSERT_TRUE(bench.Gen.TakeImportedMaterial(file, std::get<ImportedMaterial>(material)));
    EXPECT_EQ(bench.Display.Last("StyleLabel"), label) << file;
  }
}

}  // namespace
}  // namespace kalo::styles
