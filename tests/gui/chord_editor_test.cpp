// The Chord & Style Editor and the Tap Tempo dialog, wired into the window as a player uses them.

#include <gtest/gtest.h>

#include <QClipboard>
#include <QMenuBar>

#include "gui/chord_editor_panel.h"
#include "gui/chord_pads_panel.h"
#include "gui/session_rig.h"
#include "gui/tap_tempo_dialog.h"

namespace kalo::gui {
namespace {

using testing::SessionRig;

const std::filesystem::path kDemo =
    std::filesystem::path(KALO_SHIPPED_STYLES_DIR).parent_path() / "SONGS" / "demo3.vxa";

// A session whose chord pads play through the arranger's own dispatch, with the demo song loaded.
struct EditorRig : SessionRig {
  EditorRig() : SessionRig("[Options]\nAutoload=1\nMPU=0\nMetrum=2\n", {}, false, true) {
    Arranger().SongFiles().LoadFile(kDemo.string());
    Sent();
    Ports->ClearSent();
  }
  ChordEditorPanel& Editor() { return Session->Editor(); }
  QString Cell(int measure, int beat) { return Editor().Grid()->item(measure - 1, beat - 1)->text(); }
  void Select(int measure, int beat) { Editor().Grid()->setCurrentCell(measure - 1, beat - 1); }
  bool EditorShown() { return ToolWindows::WindowOf(&Editor())->isVisible(); }
};

TEST(ChordEditorWindow, OpensAtThePositionMeasureAndItsCommandsEditTheGrid) {
  EditorRig rig;
  rig.Session->Display().SetMeasureText("3:2");
  QTest::mouseClick(rig.Main().Controls()->Button("Editor"), Qt::LeftButton);
  ASSERT_TRUE(rig.EditorShown());
  ChordEditorPanel& editor = rig.Editor();
  QTableWidget& grid = *editor.Grid();
  EXPECT_EQ(editor.MeasureField()->value(), 3);
  EXPECT_EQ(grid.rowCount(), 42) << "through the STOP's measure";
  EXPECT_EQ(grid.verticalHeaderItem(2)->text(), "003");
  EXPECT_EQ(grid.horizontalHeaderItem(3)->text(), "4/4");
  EXPECT_EQ(rig.Cell(10, 1), "G maj Fill In");
  EXPECT_EQ(rig.Cell(42, 1), "STOP");

  // Fix a chord: beat 3 of measure 2 becomes E min7, then a tempo change with the field's value.
  rig.Select(2, 3);
  editor.Entry("E")->trigger();
  editor.Entry("min7")->trigger();
  editor.findChild<QSpinBox*>("TempoField")->setValue(96);
  QTest::mouseClick(editor.Button("Tempo"), Qt::LeftButton);
  EXPECT_EQ(rig.Cell(2, 3), "E min7 Tempo 96");
  EXPECT_EQ(rig.Arranger().Song().Chords.RecordAt(28), (song::BeatRecord{52, 4, song::kTempoFunction, 96}));
  QTest::mouseClick(editor.Button("Undo"), Qt::LeftButton);
  EXPECT_EQ(rig.Cell(2, 3), "E min7");
  EXPECT_FALSE(editor.Button("Undo")->isEnabled());

  // Measures: insert before measure 2, copy 1-2 to 5; a refused copy says why and changes nothing.
  rig.Select(2, 1);
  QTest::mouseClick(editor.Button("Insert Measure "), Qt::LeftButton);
  EXPECT_EQ(grid.rowCount(), 43);
  EXPECT_EQ(rig.Cell(2, 1), "");
  QTest::mouseClick(editor.Button("Copy Measures"), Qt::LeftButton);
  ASSERT_TRUE(editor.CopyPanel()->isVisible());
  editor.findChild<QSpinBox*>("First Measure")->setValue(1);
  editor.findChild<QSpinBox*>("Last Measure")->setValue(2);
  editor.findChild<QSpinBox*>("Dest. Measure")->setValue(2);
  QTest::mouseClick(editor.CopyPanel()->findChild<QPushButton*>("OK"), Qt::LeftButton);
  EXPECT_EQ(rig.Dialogs.Messages().back(), song::kCantCopyMeasures);
  editor.findChild<QSpinBox*>("Dest. Measure")->setValue(5);
  QTest::mouseClick(editor.CopyPanel()->findChild<QPushButton*>("OK"), Qt::LeftButton);
  EXPECT_FALSE(editor.CopyPanel()->isVisible());
  EXPECT_EQ(grid.rowCount(), 45);
  EXPECT_EQ(rig.Cell(5, 1), "C maj");

  // Leaving the editor sets the to-measure to the song's last measure.
  ToolWindows::WindowOf(&editor)->hide();
  EXPECT_EQ(rig.Arranger().Song().Range.ToMeasure(), 45);
}

TEST(ChordEditorWindow, EditModeTakesTheNextChordPadIntoTheSelectedBeat) {
  EditorRig rig;
  rig.Main().Action("Editor Entry")->trigger();
  rig.Select(4, 2);
  rig.Editor().Entry("Chordpads ...")->trigger();
  EXPECT_TRUE(rig.Editor().Banner()->isVisible());
  QAction* songMenu = nullptr;
  for (QAction* menu : rig.Main().menuBar()->actions())
    if (menu->text() == "S&ong") songMenu = menu;
  ASSERT_NE(songMenu, nullptr);
  EXPECT_FALSE(songMenu->isEnabled());
  auto* pads = dynamic_cast<ChordPadsPanel*>(rig.Main().Tools().Find("Chordpads"));
  ASSERT_TRUE(ToolWindows::WindowOf(pads)->isVisible());

  QTest::mouseClick(pads->Pad("C05"), Qt::LeftButton);  // A 7th, not played but written
  EXPECT_EQ(rig.Cell(4, 2), "A 7th");
  EXPECT_FALSE(rig.Editor().Banner()->isVisible());
  EXPECT_TRUE(songMenu->isEnabled());
  EXPECT_TRUE(rig.Sent().empty());
  rig.Select(5, 2);
  QTest::mouseClick(pads->Pad("C05"), Qt::LeftButton);  // edit mode is over: the pad plays again
  EXPECT_EQ(rig.Cell(5, 2), "");
  // With " Edit" ticked the shown editor takes every pad, and stays out of edit mode.
  rig.Main().Action(" Edit")->trigger();
  QTest::mouseClick(pads->Pad("A00"), Qt::LeftButton);
  QTest::mouseClick(pads->Pad("B01"), Qt::LeftButton);
  EXPECT_EQ(rig.Cell(5, 2), "F min");
  EXPECT_FALSE(rig.Editor().Banner()->isVisible());
}

TEST(ChordEditorWindow, NewAsksForMeasuresAndChartsTravelThroughTheClipboard) {
  EditorRig rig;
  rig.Dialogs.QueueAnswer(true);  // "Clear Chordmemory ?"
  rig.Dialogs.QueueText("x");
  rig.Main().Action("&New")->trigger();
  EXPECT_EQ(rig.Dialogs.Messages().back(), "'x' is not a valid integer value");
  EXPECT_FALSE(rig.EditorShown());
  rig.Dialogs.QueueText("8");
  rig.Main().Action("&New")->trigger();  // an empty song is cleared without the question
  ASSERT_TRUE(rig.EditorShown());
  EXPECT_EQ(rig.Arranger().Song().Chords.Length, 148);
  EXPECT_EQ(rig.Editor().Grid()->rowCount(), 9);

  QGuiApplication::clipboard()->setText("{tempo: 90}\n[C]Sweet [G]home |\n[Am]so far | [F]away\n");
  rig.Dialogs.QueueAnswer(true);
  QTest::mouseClick(rig.Editor().Button("Paste chart"), Qt::LeftButton);
  EXPECT_EQ(rig.Dialogs.Questions().back(), app::kReplaceChordsQuestion);
  EXPECT_EQ(rig.Cell(1, 3), "G maj");
  EXPECT_EQ(rig.Cell(3, 1), "F maj");
  EXPECT_EQ(rig.Arranger().Tempo(), 90);
  QTest::mouseClick(rig.Editor().Button("Copy as chart"), Qt::LeftButton);
  EXPECT_EQ(QGuiApplication::clipboard()->text(), "{time: 4/4}\n{tempo: 90}\nC G | Am | F\n");
  QGuiApplication::clipboard()->setText("C | H");
  QTest::mouseClick(rig.Editor().Button("Paste chart"), Qt::LeftButton);
  EXPECT_EQ(rig.Dialogs.Messages().back(),
            std::string(app::kChartNotPasted) + "unknown chord \"H\" at measure 2, token 1 (column 5)");
  QTest::mouseClick(rig.Editor().Button("Undo"), Qt::LeftButton);
  EXPECT_EQ(rig.Arranger().Song().Chords.Length, 148) << "the paste is taken back";
}

TEST(ChordEditorWindow, AutoPopUpShowsALoadedSongInTheEditor) {
  SessionRig rig;  // "Auto pop-up" is on by default
  rig.Dialogs.QueueFile(kDemo.string());
  rig.Main().Action("Open ...")->trigger();
  EXPECT_TRUE(ToolWindows::WindowOf(&rig.Session->Editor())->isVisible());
  EXPECT_EQ(rig.Session->Editor().MeasureField()->value(), 1);
}

TEST(TapTempoDialog, FourTapsHalfASecondApartGiveTempo120AndCloseIt) {
  SessionRig rig;
  rig.Main().Action("Tap Tempo")->trigger();
  TapTempoDialog& dialog = rig.Session->Commands().TapTempoWindow();
  ASSERT_TRUE(dialog.isVisible());
  EXPECT_EQ(dialog.TapButton()->text(), "Tap 4 times");
  EXPECT_EQ(dialog.TapButton()->toolTip(), kTapHint);
  for (auto [at, key] : {std::pair{1000, Qt::Key_Space}, std::pair{1500, Qt::Key_Return},
                         std::pair{2000, Qt::Key_F8}, std::pair{2500, Qt::Key_Space}}) {
    rig.Now = at;
    QTest::keyClick(&dialog, key);
  }
  EXPECT_EQ(rig.Arranger().Tempo(), 120);
  EXPECT_FALSE(dialog.isVisible());

  // 3/4 counts three taps; eighth notes move the quantize choice to its eighth-note items.
  rig.Arranger().Settings().Metrum = 3;
  rig.Arranger().Settings().Quantize = 2;
  rig.Main().Action("Tap Tempo")->trigger();
  EXPECT_EQ(dialog.TapButton()->text(), "Tap 3 times");
  EXPECT_EQ(dialog.Quantize()->currentIndex(), 0);
  dialog.Quantize()->setCurrentIndex(1);
  Q_EMIT dialog.Quantize()->activated(1);
  EXPECT_EQ(rig.Arranger().Settings().Quantize, 7);
  EXPECT_EQ(rig.Arranger().Clock().Beat.Mode, config::BeatMode::Eighth);
  for (int at : {5000, 5400, 5800}) {
    rig.Now = at;
    QTest::mouseClick(dialog.TapButton(), Qt::LeftButton);
  }
  EXPECT_EQ(rig.Arranger().Tempo(), 150);
}

}  // namespace
}  // namespace kalo::gui
