// The chord editor's side of the session: what its functions store with the session's keys and
// fields, what it refuses and says, edit mode, and the to-measure it leaves behind.

#include "app/chord_editor_side.h"

#include <gtest/gtest.h>

#include "app/arranger_rig.h"

namespace kalo::app {
namespace {

struct EditorRig : testing::ArrangerRig {
  EditorRig() {
    arranger->Settings().Metrum = 2;  // 4/4
    StartAndSettle();
    dialogs.Clear();
    arranger->Song().Chords = song::Chordmemory{.Length = 52};  // three measures, no end mark yet
  }
  ChordEditorSide& Editor() { return arranger->ChordEditor(); }
  song::BeatRecord Selected() { return Editor().Editing().Selected(16); }
};

TEST(ChordEditorSide, FunctionsStoreTheKeysAndFieldsOfTheSession) {
  const config::ControlKeyNotes keys = config::ComputeControlKeyNotes(config::Settings{});
  EditorFields fields;
  fields.Tempo = 300;
  fields.LoopCount = 0;
  fields.Semitones = -11;
  fields.SoloMute = song::SoloMuteChoice::Mute;
  fields.Channel = 10;
  const std::pair<EditorFunction, song::BeatRecord> rows[] = {
      {EditorFunction::Intro, {0, 0, static_cast<uint8_t>(keys.Intro), 12}},
      {EditorFunction::FillIn, {0, 0, static_cast<uint8_t>(keys.FillIn), 12}},
      {EditorFunction::ToExtended, {0, 0, static_cast<uint8_t>(keys.ToExtended), 12}},
      {EditorFunction::ToBasic, {0, 0, static_cast<uint8_t>(keys.ToBasic), 12}},
      {EditorFunction::Ending, {0, 0, static_cast<uint8_t>(keys.Ending), 12}},
      {EditorFunction::Stop, {0, 0, song::kStopFunction, 0}},
      {EditorFunction::Tempo, {0, 0, song::kTempoFunction, 250}},
      {EditorFunction::Loop, {0, 0, song::kLoopFunction, 101}},
      {EditorFunction::Transpose, {0, 0, song::kTransposeFunction, 245}},
      {EditorFunction::SoloMute, {0, 0, song::kSoloMuteFunction, 228}},
  };
  EditorRig rig;
  for (const auto& [function, stored] : rows) {
    EXPECT_TRUE(rig.Editor().SetFunction(function, fields));
    EXPECT_EQ(rig.Selected(), stored) << static_cast<int>(function);
  }
  // "Play Chords" keeps style parts out of the song, as recording does, and says so.
  rig.arranger->Options().PlayChords = true;
  EXPECT_FALSE(rig.Editor().SetFunction(EditorFunction::FillIn, fields));
  EXPECT_EQ(rig.dialogs.Messages().back(), kPlayChordsKeepsPartsOut);
  EXPECT_EQ(rig.Selected().Function, song::kSoloMuteFunction);
  EXPECT_TRUE(rig.Editor().SetFunction(EditorFunction::Stop, fields));
}

TEST(ChordEditorSide, NewMeasuresAreAskedForAndBadAnswersReported) {
  const std::tuple<std::optional<std::string>, int, const char*> answers[] = {
      {std::nullopt, 4, nullptr},  // cancelled
      {"0", 4, nullptr},
      {"two", 4, "'two' is not a valid integer value"},
      {"-3", 4, song::kCantInsertMeasures},
      {"800", 4, song::kCantInsertMeasures},
      {" 2 ", 52, nullptr},
  };
  for (const auto& [answer, length, message] : answers) {
    EditorRig rig;
    rig.arranger->Song().Chords.Clear();
    rig.dialogs.QueueText(answer);
    rig.Editor().InsertMeasure();  // on an empty song: the question
    EXPECT_EQ(rig.dialogs.Entries().front().Text, song::kHowManyMeasuresPrompt);
    EXPECT_EQ(rig.arranger->Song().Chords.Length, length) << answer.value_or("cancel");
    EXPECT_EQ(rig.dialogs.Messages().empty() ? "" : rig.dialogs.Messages().back(), message ? message : "");
  }
}

TEST(ChordEditorSide, EditModeTakesOnePadAndLeavingSetsTheToMeasure) {
  EditorRig rig;
  ChordEditorSide& editor = rig.Editor();
  EXPECT_FALSE(editor.TakesChordButtons());
  rig.arranger->SongOptions().Edit = true;
  EXPECT_FALSE(editor.TakesChordButtons()) << "not without the editor on screen";
  editor.SetWindowShown(true);
  EXPECT_TRUE(editor.TakesChordButtons());
  rig.arranger->SongOptions().Edit = false;

  ASSERT_TRUE(editor.StartEditMode());
  editor.Select(2, 3);
  const int ending = config::ComputeControlKeyNotes(rig.arranger->Settings()).Ending;
  editor.TakeFunction(ending);  // a style pad
  EXPECT_EQ(rig.Selected(), (song::BeatRecord{0, 0, static_cast<uint8_t>(ending), 12}));
  EXPECT_FALSE(editor.EditMode());
  editor.TakeChord(50, 2);  // edit mode is over
  EXPECT_EQ(rig.Selected().Root, 0);

  editor.Leave();
  EXPECT_EQ(rig.arranger->Song().Range.ToMeasure(), 3);
  rig.arranger->Song().Range.SetToMeasure(1);
  editor.Leave();  // nothing changed since
  EXPECT_EQ(rig.arranger->Song().Range.ToMeasure(), 1);
}

TEST(ChordEditorSide, APastedChartMustFitTheMetreAndReplacesOnlyOnYes) {
  EditorRig rig;
  EXPECT_FALSE(rig.Editor().PasteChart("{time: 3/4}\nC G"));
  EXPECT_EQ(rig.dialogs.Messages().back(),
            std::string(kChartNotPasted) +
                "the chart's {time: 3/4} does not fit the style, whose measures have 4 beats");
  rig.dialogs.QueueAnswer(false);
  EXPECT_FALSE(rig.Editor().PasteChart("{title: Tune} C G | F | G"));
  EXPECT_EQ(rig.arranger->Song().Chords.Length, 52);
  rig.dialogs.QueueAnswer(true);
  EXPECT_TRUE(rig.Editor().PasteChart("{title: Tune} C G | F | G"));
  EXPECT_EQ(rig.arranger->Song().Chords.Length, 4 + 4 * 16);
  EXPECT_EQ(rig.arranger->Song().Memo.Title, "Tune");
  EXPECT_EQ(rig.dialogs.Questions(),
            (std::vector<std::string>{kReplaceChordsQuestion, kReplaceChordsQuestion}));
}

}  // namespace
}  // namespace kalo::app
