#include "gui/computer_key_filter.h"

#include <gtest/gtest.h>

#include <QSpinBox>
#include <algorithm>

#include "gui/session_rig.h"

namespace kalo::gui {
namespace {

using testing::Bytes;
using testing::SessionRig;

// The main window active, as after the player clicked it.
QWidget* Activate(SessionRig& rig) {
  rig.Main().activateWindow();
  QApplication::setActiveWindow(&rig.Main());
  EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == &rig.Main(); }));
  return &rig.Main();
}

// A key event to whatever has the keyboard, as the window system delivers it.
void Key(QEvent::Type type, int key, const QString& text = {}, bool flagged = false, quint64 timestamp = 0) {
  QWidget* target =
      QApplication::focusWidget() != nullptr ? QApplication::focusWidget() : QApplication::activeWindow();
  QKeyEvent event(type, key, Qt::NoModifier, text, flagged);
  event.setTimestamp(timestamp);
  QApplication::sendEvent(target, &event);
}

// A click as the window system delivers it, which moves the keyboard focus as a real one does.
void Click(QWidget* widget, QPoint at = {-1, -1}) {
  if (at.x() < 0) at = widget->rect().center();
  QTest::mouseClick(widget->window()->windowHandle(), Qt::LeftButton, {},
                    widget->mapTo(widget->window(), at));
}

void Tap(int key, const QString& text = {}) {
  Key(QEvent::KeyPress, key, text);
  Key(QEvent::KeyRelease, key, text);
}

size_t Attacks(const std::vector<Bytes>& sent, uint8_t status) {
  return static_cast<size_t>(std::count_if(sent.begin(), sent.end(), [&](const Bytes& message) {
    return message.size() == 3 && message[0] == status && message[2] > 0;
  }));
}

TEST(ComputerKeyFilter, AHeldKeyPlaysOnceHoweverItsRepeatsArrive) {
  const struct {
    const char* Name;
    int Key;
    bool Flagged;      // Qt marks the repeats itself, or they come as plain release/press pairs
    quint64 PairStep;  // time stamps: each pair at one moment, this far after the last (X's repeats)
    uint8_t Status;    // the note-ons counted: the melody channel's, or the Harmonic Pad's
    size_t Strikes;    // attacks heard in all
  } rows[] = {
      {"melody key T, plain pairs", Qt::Key_T, false, 40, 0x90, 1},
      {"melody key T, flagged repeats", Qt::Key_T, true, 40, 0x90, 1},
      {"melody key T, unstamped pairs", Qt::Key_T, false, 0, 0x90, 1},
      {"chord key C: the pad does not attack again", Qt::Key_C, false, 40, 0x9F, 1},
  };
  for (const auto& row : rows) {
    SessionRig rig("[Options]\nAutoload=1\n", {}, false, true);
    rig.Arranger().Settings().Pad = true;
    Activate(rig);
    quint64 now = row.PairStep;
    Key(QEvent::KeyPress, row.Key, {}, false, now);
    const size_t once = Attacks(rig.Sent(), row.Status);
    ASSERT_GT(once, 0u) << row.Name;
    for (int repeat = 0; repeat < 5; ++repeat) {
      now += row.PairStep;
      Key(QEvent::KeyRelease, row.Key, {}, row.Flagged, now);
      Key(QEvent::KeyPress, row.Key, {}, row.Flagged, now);
    }
    EXPECT_EQ(Attacks(rig.Sent(), row.Status), once) << row.Name;
    if (row.Status != 0x90) continue;
    Key(QEvent::KeyRelease, row.Key, {}, false, now + 40);
    QTest::qWait(ComputerKeyFilter::kRepeatWindowMs * 3);
    QCoreApplication::processEvents();  // qWait may end without a last look at the timers
    EXPECT_EQ(rig.Sent().back(), (Bytes{0x90, 60, 0})) << row.Name << ": released after the repeat window";
  }
}

TEST(ComputerKeyFilter, AQuickSecondStrikeOfAKeyPlaysAgain) {
  SessionRig rig("[Options]\nAutoload=1\n", {}, false, true);
  Activate(rig);
  Key(QEvent::KeyPress, Qt::Key_T, {}, false, 1000);
  Key(QEvent::KeyRelease, Qt::Key_T, {}, false, 1030);
  Key(QEvent::KeyPress, Qt::Key_T, {}, false, 1045);  // within the repeat window, but later
  EXPECT_EQ(rig.Sent(), (std::vector<Bytes>{{0x90, 60, 105}, {0x90, 60, 0}, {0x90, 60, 105}}));
}

TEST(ComputerKeyFilter, AKeyHeldWhenAnotherProgramTakesTheKeyboardIsReleased) {
  SessionRig rig("[Options]\nAutoload=1\n", {}, false, true);
  Activate(rig);
  Key(QEvent::KeyPress, Qt::Key_T);
  QEvent leave(QEvent::ApplicationDeactivate);
  QApplication::sendEvent(qApp, &leave);
  EXPECT_EQ(rig.Sent(), (std::vector<Bytes>{{0x90, 60, 105}, {0x90, 60, 0}}));
}

TEST(ComputerKeyFilter, ANumberFieldTypesOnlyNumbersAndGivesTheKeysBack) {
  SessionRig rig;
  MainControls& controls = *rig.Main().Controls();
  QSpinBox* tempo = controls.Tempo();
  Activate(rig);
  const QColor untinted = tempo->palette().color(QPalette::Base);
  Click(tempo);
  ASSERT_TRUE(tempo->hasFocus());
  EXPECT_NE(tempo->palette().color(QPalette::Base), untinted) << "the field shows it has the keyboard";

  tempo->selectAll();
  for (const char* digit : {"1", "4", "0"}) Tap(Qt::Key_0 + (digit[0] - '0'), digit);
  Tap(Qt::Key_F2);
  Tap(Qt::Key_F10);
  Tap(Qt::Key_C, "c");
  const int toExtended = config::ComputeControlKeyNotes(rig.Arranger().Settings()).ToExtended;
  EXPECT_EQ(rig.Live.Log,
            (std::vector<std::string>{"EnterFunction " + std::to_string(toExtended) + " 12", "Play"}));
  EXPECT_EQ(rig.Arranger().Chords().CurrentRoot, 48) << "the chord key still plays";
  EXPECT_TRUE(tempo->hasFocus());

  Tap(Qt::Key_Return);
  EXPECT_EQ(rig.Arranger().Tempo(), 140);
  EXPECT_FALSE(tempo->hasFocus());
  EXPECT_EQ(tempo->palette().color(QPalette::Base), untinted);

  // Escape gives up what was typed; a click beside the field takes it.
  Click(tempo);
  tempo->selectAll();
  Tap(Qt::Key_9, "9");
  Tap(Qt::Key_Escape);
  EXPECT_FALSE(tempo->hasFocus());
  EXPECT_EQ(tempo->value(), 140);
  EXPECT_EQ(rig.Arranger().Tempo(), 140);
  Click(tempo);
  tempo->selectAll();
  Tap(Qt::Key_9, "9");
  Tap(Qt::Key_0, "0");
  QTest::mouseClick(rig.Main().centralWidget(), Qt::LeftButton, {},
                    {2, rig.Main().centralWidget()->height() - 2});
  EXPECT_FALSE(tempo->hasFocus());
  EXPECT_EQ(rig.Arranger().Tempo(), 90);
}

}  // namespace
}  // namespace kalo::gui
