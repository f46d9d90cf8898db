#include <gtest/gtest.h>

#include <functional>

#include "gui/session_rig.h"
#include "gui/song_panels.h"

namespace kalo::gui {
namespace {

using testing::Bytes;
using testing::SessionRig;

const std::filesystem::path kDemo =
    std::filesystem::path(KALO_SHIPPED_STYLES_DIR).parent_path() / "SONGS" / "demo3.vxa";

TEST(SongMenus, EachEntrySetsTheSongStateItShows) {
  SessionRig rig;
  app::Arranger& a = rig.Arranger();
  song::SongOptions& o = a.SongOptions();
  // Applied in order: the exclusive choices move one mark, the optional preview can be unticked.
  const std::tuple<const char*, int, std::function<int()>> rows[] = {
      {"Loop", 1, [&] { return int{o.Loop}; }},
      {"Ignore Loops", 1, [&] { return int{o.IgnoreLoops}; }},
      {" Edit", 1, [&] { return int{o.Edit}; }},
      {"Step Record Preview", 1, [&] { return int{o.StepRecordPreview}; }},
      {"Humanize", 0, [&] { return int{a.Song().Melody.Humanize}; }},
      {"Melody Play", 0, [&] { return int{a.Song().Melody.Play}; }},
      {"Melody Record", 1, [&] { return int{a.Song().Melody.Record}; }},
      {"Intro Drums L.M.", 3, [&] { return static_cast<int>(o.Voices); }},
      {"Intro Mute All", 1, [&] { return static_cast<int>(o.Voices); }},
      {"Chordpreview 1/2", 8, [&] { return o.PreviewAhead; }},
      {"Chordpreview 3/4", 12, [&] { return o.PreviewAhead; }},
      {"Chordpreview 3/4", 0, [&] { return o.PreviewAhead; }},
      {"Minus One", 1, [&] { return a.Options().MinusOne + 2 * a.Options().ReplaceOne; }},
      {"Replace One", 2, [&] { return a.Options().MinusOne + 2 * a.Options().ReplaceOne; }},
  };
  for (const auto& [entry, expected, state] : rows) {
    QAction* action = rig.Main().Action(entry);
    ASSERT_NE(action, nullptr) << entry;
    action->trigger();
    EXPECT_EQ(state(), expected) << entry;
  }
  EXPECT_FALSE(rig.Main().Action("Minus One")->isChecked());
  EXPECT_FALSE(rig.Main().Action("Chordpreview 1/2")->isChecked());
  EXPECT_TRUE(rig.Main().Action("Intro Mute All")->isChecked());
  EXPECT_TRUE(ToolWindows::WindowOf(rig.Main().Tools().Find("Solo-Mute"))->isVisible());

  rig.Main().Action("Play && Overwrite")->trigger();
  EXPECT_EQ(rig.Dialogs.Messages().back(), song::kChordmemoryEmptyMessage);
}

TEST(SongMenus, OpenSaveAsAndNewMoveTheFieldsCaptionAndMemo) {
  SessionRig rig;
  app::Arranger& a = rig.Arranger();
  MainControls& controls = *rig.Main().Controls();
  auto& memo = rig.Show<MemoPanel>("Memo");
  rig.Dialogs.QueueFile(kDemo.string());
  rig.Main().Action("Open ...")->trigger();
  ASSERT_FALSE(a.Song().Chords.Empty());
  EXPECT_EQ(rig.Main().windowTitle(), "KALO - DEMO3");
  rig.Main().Action("Stop")->trigger();
  EXPECT_EQ(rig.Main().windowTitle(), "KALO - DEMO3") << "the engine reset keeps the song's name";
  EXPECT_EQ(rig.Main().SongCaption()->text().toStdString(), a.Song().Memo.Title);
  EXPECT_EQ(memo.Field("Title")->text().toStdString(), a.Song().Memo.Title);

  // The range fields follow the song, and the song follows them.
  a.Song().Range.SetToMeasure(9);
  rig.Main().Refresh();
  EXPECT_EQ(controls.To()->value(), 9);
  controls.From()->setValue(3);
  EXPECT_EQ(a.Song().Range.FromMeasure(), 3);
  EXPECT_EQ(a.Song().Range.PlayStart(), 2 * a.Song().Range.MeasureLength() + 4);

  const auto copy = rig.Folder.Path() / "copy.vxa";
  rig.Dialogs.QueueFile(copy.string());
  rig.Main().Action("Save as ...")->trigger();
  EXPECT_TRUE(std::filesystem::exists(copy));

  rig.Dialogs.QueueAnswer(true);
  rig.Main().Action("&New")->trigger();
  EXPECT_TRUE(a.Song().Chords.Empty());
  EXPECT_TRUE(rig.Main().SongCaption()->text().isEmpty());
  EXPECT_EQ(rig.Main().windowTitle(), "KALO");
  EXPECT_TRUE(memo.Field("Title")->text().isEmpty());
  EXPECT_EQ(controls.From()->value(), 1);
}

TEST(MemoPanel, TypingWritesTheMemoAndTheCommentsStayWithinTheirLimit) {
  SessionRig rig;
  auto& memo = rig.Show<MemoPanel>("Memo");
  QTest::keyClicks(memo.Field("Title"), "Blue Moon");
  QTest::keyClicks(memo.Field("Author"), "R. R.");
  EXPECT_EQ(rig.Arranger().Song().Memo.Title, "Blue Moon");
  EXPECT_EQ(rig.Arranger().Song().Memo.Author, "R. R.");
  EXPECT_EQ(rig.Main().SongCaption()->text(), "Blue Moon");
  memo.Comments()->setPlainText(QString(kMaxMemoComments + 20, QChar(u'\u00e9')));
  EXPECT_EQ(QString::fromStdString(rig.Arranger().Song().Memo.Comments).size(), kMaxMemoComments);
}

TEST(MelodyNotesPanel, StepsThroughTheNotesPlayingEachAndChangesOrClearsTheSelectedOne) {
  SessionRig rig;
  song::MelodyTrack& melody = rig.Arranger().Song().Melody;
  const song::MelodyEvent events[] = {{0, 0x90, 60, 100, 1},
                                      {10, 0x80, 60, 0, 1},
                                      {24, 0xB0, 7, 90, 0},
                                      {30, 0x90, 64, 80, 1},
                                      {40, 0x90, 64, 0, 1}};
  melody.Load(events);
  auto& notes = rig.Show<MelodyNotesPanel>("Melody-Notes");
  notes.Refresh();
  EXPECT_EQ(notes.Title(), "5 Melody - Notes");
  EXPECT_EQ(notes.Note()->text(), "C 5");
  rig.Sent();
  rig.Ports->ClearSent();

  QTest::mouseClick(notes.Button("Next"), Qt::LeftButton);
  EXPECT_EQ(melody.Selected(), 3);
  EXPECT_EQ(notes.Note()->text(), "E 5");
  EXPECT_EQ(rig.Sent(), (std::vector<Bytes>{{0x90, 64, 80}, {0xB0, 64, 0}, {0xB0, 66, 0}, {0xB0, 123, 0}}));

  notes.PitchClass()->setCurrentIndex(7);  // G, octave list "5" = notes 60..71
  notes.Octave()->setCurrentIndex(4);
  QTest::mouseClick(notes.Button("Change"), Qt::LeftButton);
  EXPECT_EQ(melody.Events()[3].Data1, 67);
  EXPECT_EQ(melody.Events()[4].Data1, 67) << "the note's end moves with it";

  QTest::mouseClick(notes.Button("Clear"), Qt::LeftButton);
  EXPECT_EQ(melody.Events()[3].Data2, 0);
  EXPECT_TRUE(notes.Note()->text().isEmpty());
}

TEST(StepPanel, StartClosesThePanelAndStepRecordsWithTheChosenTaps) {
  SessionRig rig;
  rig.Main().Action("Step Record")->trigger();
  auto& step = *dynamic_cast<StepPanel*>(rig.Main().Tools().Find("Step"));
  ASSERT_TRUE(ToolWindows::WindowOf(&step)->isVisible());
  step.Taps()->setCurrentIndex(2);
  Q_EMIT step.Taps()->activated(2);
  EXPECT_EQ(rig.Arranger().SongOptions().TapsPerMeasure, 3);
  QTest::mouseClick(step.findChild<QPushButton*>("Start"), Qt::LeftButton);
  EXPECT_FALSE(ToolWindows::WindowOf(&step)->isVisible());
  EXPECT_EQ(rig.Arranger().Engine().SongState, 2);
}

}  // namespace
}  // namespace kalo::gui
