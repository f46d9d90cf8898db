#include <gtest/gtest.h>

#include "gui/chord_pads_panel.h"
#include "gui/keyboard_panel.h"
#include "gui/session_rig.h"

namespace kalo::gui {
namespace {

using testing::Bytes;
using testing::SessionRig;

TEST(KeyboardPanel, AClickOnAKeyPlaysItWithTheVelocityOfTheTouch) {
  // The piano starts at note 36 with white keys 16 pixels wide and 80 high; black keys are 48 long.
  struct Row {
    QPoint At;
    Bytes NoteOn;
  };
  const Row rows[] = {
      {{8, 70}, {0x90, 36, 70 * 127 / 80}},    // low on C
      {{8, 10}, {0x90, 36, 10 * 127 / 80}},    // high on C, beside the black key
      {{16, 20}, {0x90, 37, 20 * 127 / 48}},   // C#: the black key's own length
      {{136, 79}, {0x90, 50, 79 * 127 / 80}},  // D one octave up, at its end
  };
  SessionRig rig;
  auto& keyboard = rig.Show<KeyboardPanel>("Keyboard");
  QTest::mouseClick(keyboard.ModeButton(), Qt::LeftButton);  // melody: the piano plays notes
  ASSERT_EQ(keyboard.ModeButton()->text(), "A");
  for (const Row& row : rows) {
    rig.Ports->ClearSent();
    QTest::mousePress(keyboard.Piano(), Qt::LeftButton, {}, row.At);
    QTest::mouseRelease(keyboard.Piano(), Qt::LeftButton, {}, row.At);
    const Bytes noteOff{0x90, row.NoteOn[1], 0};
    EXPECT_EQ(rig.Sent(), (std::vector<Bytes>{row.NoteOn, noteOff})) << row.At.x() << "," << row.At.y();
  }
}

TEST(KeyboardPanel, InChordModeAKeyGivesAChordAndTheRightButtonPlaysNothing) {
  SessionRig rig;
  auto& keyboard = rig.Show<KeyboardPanel>("Keyboard");
  QTest::mouseClick(keyboard.Piano(), Qt::RightButton, {}, {8, 70});
  EXPECT_EQ(rig.Arranger().Chords().PendingRoot, 0);
  QTest::mouseClick(keyboard.Piano(), Qt::LeftButton, {}, {8, 70});
  EXPECT_EQ(rig.Arranger().Chords().PendingRoot, 36);
  EXPECT_TRUE(rig.Sent().empty());
}

TEST(ChordPadsPanel, APadGivesItsChordOrPartAndItsReleaseEndsAPlayedChord) {
  struct Row {
    const char* Pad;
    bool PlayChords;
    int Root, Type;                // the pending chord after the press (0: none)
    std::vector<std::string> Log;  // what reached the engine, press and release
  };
  const Row rows[] = {
      {"C05", false, 45, 3, {}},
      {"A00", false, 52, 1, {}},
      {"K11", true, 51, 11, {"StopChordSound"}},
      {"L00", false, 0, 0, {"EnterFunction 36 12"}},  // "Fill in - F1" on the Fill-in key
      {"L02", false, 0, 0, {"EnterFunction 38 12"}},  // "Ending - F4"
  };
  for (const Row& row : rows) {
    SessionRig rig;
    rig.Arranger().Options().PlayChords = row.PlayChords;
    auto& pads = rig.Show<ChordPadsPanel>("Chordpads");
    QTest::mouseClick(pads.Pad(row.Pad), Qt::LeftButton);
    EXPECT_EQ(rig.Arranger().Chords().PendingRoot, row.Root) << row.Pad;
    EXPECT_EQ(rig.Arranger().Chords().PendingType, row.Type) << row.Pad;
    EXPECT_EQ(rig.Live.Log, row.Log) << row.Pad;
  }
}

TEST(ComputerKeys, AHeldLetterKeyPlaysOneNoteHoweverLongItRepeats) {
  SessionRig rig;
  rig.Main().activateWindow();
  QApplication::setActiveWindow(&rig.Main());
  rig.Main().setFocus();
  ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == &rig.Main(); }));
  QWidget* target = QApplication::focusWidget() != nullptr ? QApplication::focusWidget() : &rig.Main();
  // "Q" is a melody key: note 41 an octave up, at the keyboard channel's volume.
  QTest::sendKeyEvent(QTest::Press, target, Qt::Key_Q, 'q', {});
  for (int repeat = 0; repeat < 3; ++repeat) {
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Q, {}, "q", true);
    QApplication::sendEvent(target, &release);
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Q, {}, "q", true);
    QApplication::sendEvent(target, &press);
  }
  EXPECT_EQ(rig.Sent(), (std::vector<Bytes>{{0x90, 53, 90}}));
  QTest::sendKeyEvent(QTest::Release, target, Qt::Key_Q, 'q', {});
  EXPECT_EQ(rig.Sent(), (std::vector<Bytes>{{0x90, 53, 90}, {0x90, 53, 0}}));
}

}  // namespace
}  // namespace kalo::gui
