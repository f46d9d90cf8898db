#include "gui/window_commands.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <algorithm>

#include "gui/session_rig.h"

namespace kalo::gui {
namespace {

using testing::Bytes;
using testing::SessionRig;

const std::filesystem::path kRock = std::filesystem::path(KALO_SHIPPED_STYLES_DIR) / "rock1.vxs";

// A window whose keys go through the arranger's own dispatch, as in the program.
struct KeysRig : SessionRig {
  explicit KeysRig(std::optional<std::string> ini = "[Options]\nAutoload=1\n",
                   const std::filesystem::path& style = {})
      : SessionRig(std::move(ini), style, false, true) {
    Main().activateWindow();
    QApplication::setActiveWindow(&Main());
    Main().setFocus();
    EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == &Main(); }));
  }
  void Press(Qt::Key key) {
    QWidget* target = QApplication::focusWidget() != nullptr ? QApplication::focusWidget() : &Main();
    QTest::keyClick(target, key);
  }
};

TEST(WindowCommands, TappingF8OncePerBeatClicksAndSetsTheTempoAndItsField) {
  KeysRig rig;
  ASSERT_EQ(rig.Arranger().Tempo(), 120);
  for (int64_t at : {1000, 1010, 1400, 1800, 2200}) {  // 4/4: four taps 400 ms apart and a bounce
    rig.Now = at;
    rig.Press(Qt::Key_F8);
  }
  EXPECT_EQ(rig.Arranger().Tempo(), 150);
  EXPECT_EQ(rig.Main().Controls()->Tempo()->value(), 150);
  const Bytes accent{0x99, 37, 120}, click{0x99, 37, 107};
  EXPECT_EQ(rig.Sent(), (std::vector<Bytes>{accent, click, click, click}));
}

TEST(WindowCommands, EndClearsCountInAndBackspaceSwitchesTheHarmonicPad) {
  KeysRig rig;
  rig.Arranger().Options().CountIn = true;
  rig.Main().Refresh();
  rig.Press(Qt::Key_End);
  EXPECT_FALSE(rig.Arranger().Options().CountIn);
  EXPECT_FALSE(rig.Main().Action("Count in")->isChecked());

  ASSERT_TRUE(rig.Arranger().Settings().Pad);
  rig.Press(Qt::Key_Backspace);
  EXPECT_FALSE(rig.Arranger().Settings().Pad);
  EXPECT_FALSE(rig.Session->Configuration().findChild<QCheckBox*>("PAD")->isChecked());
  // Switched off, the pad channel (16) is released at once.
  const auto sent = rig.Sent();
  EXPECT_NE(std::find(sent.begin(), sent.end(), Bytes{0xBF, 123, 0}), sent.end());
  rig.Press(Qt::Key_Backspace);
  EXPECT_TRUE(rig.Arranger().Settings().Pad);
}

TEST(WindowCommands, F1WhileStoppedShowsTheLastTipOrSaysThereIsNoHelp) {
  KeysRig rig;
  rig.Press(Qt::Key_F1);
  EXPECT_EQ(rig.Dialogs.Messages().back(), kHelpNotAvailable);
  const size_t messages = rig.Dialogs.Messages().size();
  rig.Session->Guide().ShowText("A tip");
  rig.Press(Qt::Key_F1);
  EXPECT_TRUE(ToolWindows::WindowOf(&rig.Session->Guide())->isVisible());
  EXPECT_EQ(rig.Dialogs.Messages().size(), messages);
}

TEST(WindowCommands, PauseStopsAPlayingStyle) {
  KeysRig rig("[Options]\nAutoload=1\n", kRock);
  rig.Arranger().Settings().PlayIntro = false;
  for (int key : {62, 66, 69}) rig.Arranger().ChordKeyDown(key);  // a chord starts the style
  ASSERT_TRUE(rig.Arranger().Engine().StylePlaying());
  rig.Press(Qt::Key_Pause);
  EXPECT_FALSE(rig.Arranger().Engine().StylePlaying());
}

TEST(WindowCommands, F11HandsOnlyAChosenArrangementToTheLoader) {
  KeysRig rig;
  std::vector<std::string> loaded;
  rig.Press(Qt::Key_F11);  // cancelled: nothing happens
  rig.Dialogs.QueueFile("/songs/demo.VXA");
  rig.Dialogs.QueueFile("/songs/notes.txt");
  rig.Session->Commands().LoadArrangement = [&](const std::string& path) { loaded.push_back(path); };
  rig.Press(Qt::Key_F11);
  rig.Press(Qt::Key_F11);
  EXPECT_EQ(loaded, std::vector<std::string>{"/songs/demo.VXA"});
  EXPECT_EQ(rig.Dialogs.LastFileChoice().Filter, "Arrangements (*.vxa)|*.vxa");
}

}  // namespace
}  // namespace kalo::gui
