#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QSpinBox>
#include "gui/chord_pads_panel.h"

#include "gui/keyboard_panel.h"
#include "gui/keyboard_split_panel.h"
#include "gui/session_rig.h"
#include "gui/virtual_keys.h"

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
  EXPECT_EQ(rig.Arranger().Chords().CurrentType, 0);
  EXPECT_TRUE(rig.Sent().empty());
  QTest::mouseClick(keyboard.Piano(), Qt::LeftButton, {}, {8, 70});
  EXPECT_EQ(rig.Arranger().Chords().CurrentRoot, 36);
  EXPECT_EQ(rig.Arranger().Chords().CurrentType, 1);
}

TEST(ChordPadsPanel, APadGivesItsChordOrPartAndItsReleaseEndsAPlayedChord) {
  struct Row {
    const char* Pad;
    bool PlayChords;
    int Root, Type;                // the chord given by the press (type 0: none)
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
    EXPECT_EQ(rig.Arranger().Chords().CurrentType, row.Type) << row.Pad;
    if (row.Type != 0) {
      EXPECT_EQ(rig.Arranger().Chords().CurrentRoot, row.Root) << row.Pad;
    }
    EXPECT_EQ(rig.Live.Log, row.Log) << row.Pad;
  }
}

}  // namespace
}  // namespace kalo::gui

namespace kalo::gui {
namespace {

using testing::SessionRig;

TEST(KeyboardSplitPanel, TheZonesShownAreTheZonesActivated) {
  SessionRig rig;
  auto& split = rig.Show<KeyboardSplitPanel>("Keyboard-Split");
  // Zone 1: below C in octave 4 (key 48) on channel 3, two octaves up; zone 2: below B4 on channel 5.
  auto* zone1 = split.findChild<QCheckBox*>("1");
  ASSERT_NE(zone1, nullptr);
  zone1->setChecked(true);
  const QList<QSpinBox*> spins = split.findChildren<QSpinBox*>();
  const QList<QComboBox*> names = split.findChildren<QComboBox*>();
  ASSERT_EQ(spins.size(), 12);
  ASSERT_EQ(names.size(), 4);
  names[0]->setCurrentIndex(0), spins[0]->setValue(4), spins[1]->setValue(3), spins[2]->setValue(2);
  split.findChild<QCheckBox*>("2")->setChecked(true);
  names[1]->setCurrentIndex(11), spins[3]->setValue(4), spins[4]->setValue(5), spins[5]->setValue(0);
  QTest::mouseClick(split.findChild<QPushButton*>("Set values and activate Split"), Qt::LeftButton);
  const perform::SplitZones& zones = rig.Dispatch->Zones();
  EXPECT_EQ(zones[0], (perform::SplitZone{48, 2, 24, true}));
  EXPECT_EQ(zones[1], (perform::SplitZone{47, 4, 0, true}));
  EXPECT_TRUE(rig.Arranger().Options().KeyboardSplit);
  QTest::mouseClick(split.findChild<QPushButton*>("Deactivate Keyboard Split"), Qt::LeftButton);
  EXPECT_FALSE(rig.Arranger().Options().KeyboardSplit);
}

TEST(VirtualKeys, QtKeysBecomeTheKeysOfTheTables) {
  const struct {
    int Key;
    Qt::KeyboardModifiers Modifiers;
    int Code;
  } rows[] = {
      {Qt::Key_Q, {}, 'Q'},
      {Qt::Key_Q, Qt::ShiftModifier, 'Q'},
      {Qt::Key_7, {}, '7'},
      {Qt::Key_Ampersand, Qt::ShiftModifier, '7'},  // Shift+7 on a US keyboard: still the digit key
      {Qt::Key_F4, {}, 0x73},
      {Qt::Key_Colon, Qt::ShiftModifier, 186},  // the semicolon key, shifted
      {Qt::Key_Less, {}, 226},                  // the angle-bracket key of a European keyboard
      {Qt::Key_Less, Qt::ShiftModifier, 188},   // Shift+comma on a US keyboard
      {Qt::Key_Escape, {}, 0x1B},
      {Qt::Key_Space, {}, 0},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(VirtualKeyCode(row.Key, row.Modifiers), row.Code)
        << QKeySequence(row.Key).toString().toStdString();
  }
}

}  // namespace
}  // namespace kalo::gui
