#include "gui/window_commands.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QSpinBox>
#include <algorithm>

#include "gui/computer_key_filter.h"
#include "gui/session_rig.h"

namespace kalo::gui {
namespace {

using testing::Bytes;
using testing::SessionRig;

// A window whose keys go through the arranger's own dispatch, as in the program.
struct KeysRig : SessionRig {
  KeysRig() : SessionRig("[Options]\nAutoload=1\n", {}, false, true) {
    Main().activateWindow();
    QApplication::setActiveWindow(&Main());
    Main().setFocus();
    EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == &Main(); }));
  }
  // A key struck and let go as a player does, the next strike not before the repeat window ended.
  void Press(Qt::Key key) {
    QWidget* target = QApplication::focusWidget() != nullptr ? QApplication::focusWidget() : &Main();
    if (QApplication::activeModalWidget() != nullptr) target = QApplication::activeModalWidget();
    QTest::keyClick(target, key);
    QTest::qWait(ComputerKeyFilter::kRepeatWindowMs * 2);
    QCoreApplication::processEvents();  // qWait may end without a last look at the timers
  }
};

TEST(WindowCommands, TappingF8OncePerBeatClicksAndSetsTheTempoAndItsField) {
  KeysRig rig;
  for (int64_t at : {1000, 1010, 1400, 1800, 2200}) {  // 4/4: four taps 400 ms apart and a bounce
    rig.Now = at;
    rig.Press(Qt::Key_F8);
  }
  EXPECT_EQ(rig.Arranger().Tempo(), 150);
  EXPECT_EQ(rig.Main().Controls()->Tempo()->value(), 150);
  const Bytes accent{0x99, 37, 120}, click{0x99, 37, 107};
  EXPECT_EQ(rig.Sent(), (std::vector<Bytes>{accent, click, click, click}));
}

TEST(WindowCommands, EndBackspaceAndF1ReachTheirCommands) {
  KeysRig rig;
  rig.Arranger().SetCountIn(true);
  rig.Main().Refresh();
  rig.Press(Qt::Key_End);
  EXPECT_FALSE(rig.Main().Action("Count in")->isChecked());

  rig.Press(Qt::Key_Backspace);  // the Harmonic Pad off, its channel (16) released at once
  EXPECT_FALSE(rig.Session->Configuration().findChild<QCheckBox*>("PAD")->isChecked());
  const auto sent = rig.Sent();
  EXPECT_NE(std::find(sent.begin(), sent.end(), Bytes{0xBF, 123, 0}), sent.end());

  // Page Up moves the melody keys an octave up; the keyboard window shows it.
  auto* octave = rig.Show<ToolPanel>("Keyboard").findChild<QSpinBox*>("Octave");
  rig.Press(Qt::Key_PageUp);
  QTRY_COMPARE(octave->value(), 1);

  rig.Press(Qt::Key_F1);  // while stopped: the guide, with its text
  EXPECT_TRUE(ToolWindows::WindowOf(&rig.Session->Guide())->isVisible());
  EXPECT_TRUE(rig.Session->Guide().Text().contains("F10: Play / Stop"));
}

TEST(WindowCommands, F11OpensTheChosenArrangementWithoutTheReplaceQuestion) {
  KeysRig rig;
  rig.Arranger().Song().Chords.Length = 8;  // a song is there already
  const auto demo = std::filesystem::path(KALO_SHIPPED_STYLES_DIR).parent_path() / "SONGS" / "demo3.vxa";
  rig.Dialogs.QueueFile(demo.string());
  rig.Press(Qt::Key_F11);
  EXPECT_FALSE(rig.Arranger().Song().Memo.Title.empty());
  for (const auto& entry : rig.Dialogs.Entries())
    EXPECT_NE(entry.Kind, host::RecordingDialogs::Entry::Kind::Ask) << entry.Text;
}

TEST(TapTempo, TheMeasuresLastTapGivesTheTempoInTheFieldsRange) {
  struct Row {
    int Metrum;
    std::vector<int64_t> Taps;  // milliseconds
    std::optional<int> Tempo;   // after the last tap
  };
  const Row rows[] = {
      {3, {0, 400, 800}, 150},                         // 3/4: three taps
      {2, {0, 100, 200, 300}, 250},                    // too fast for the field
      {2, {0, 500, 20000, 20500, 21000, 21500}, 120},  // a long pause starts counting again
  };
  for (const Row& row : rows) {
    TapTempo taps;
    std::optional<int> tempo;
    for (int64_t at : row.Taps) tempo = taps.Tap(at, TapTempo::TapsPerMeasure(row.Metrum));
    EXPECT_EQ(tempo, row.Tempo) << row.Metrum << " " << row.Taps.size();
  }
}

}  // namespace
}  // namespace kalo::gui
