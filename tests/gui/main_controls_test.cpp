#include "gui/main_controls.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "gui/session_rig.h"
#include "midi/reset_messages.h"
#include "styles/style_records.h"

namespace kalo::gui {
namespace {

using testing::Bytes;
using testing::SessionRig;

const std::filesystem::path kRock = std::filesystem::path(KALO_SHIPPED_STYLES_DIR) / "rock1.vxs";

bool Contains(const std::vector<Bytes>& sent, const Bytes& message) {
  return std::find(sent.begin(), sent.end(), message) != sent.end();
}

TEST(WindowSession, EveryStartLoadsTheFirstStyleStoppedAndEndsWithTheGmReset) {
  SessionRig rig("[Options]\nAutoload=1\n", kRock, true);
  EXPECT_TRUE(rig.Arranger().Gen().StyleLoaded);
  EXPECT_FALSE(rig.Arranger().Engine().StylePlaying());
  EXPECT_TRUE(Contains(rig.Sent(0), Bytes(midi::kGmReset.begin(), midi::kGmReset.end())));
  EXPECT_TRUE(rig.Session->Guide().Text().isEmpty());  // the greeting is for the very first start
}

TEST(WindowSession, TheVeryFirstStartGreetsInTheGuideAndAMissingStyleIsNoError) {
  SessionRig rig(std::nullopt);
  EXPECT_TRUE(
      rig.Session->Guide().Text().startsWith("Hello, this is the first time that you have started KALO."));
  EXPECT_TRUE(ToolWindows::WindowOf(&rig.Session->Guide())->isVisible());
  EXPECT_FALSE(rig.Arranger().Gen().StyleLoaded);
  // The one message is the start's GM reset reporting itself done.
  ASSERT_EQ(rig.Dialogs.Entries().size(), 1u);
  EXPECT_EQ(rig.Dialogs.Entries()[0].Text, "MIDI-Reset is done !");
}

TEST(WindowSession, TheVeryFirstStartPlaysTheDemoSongInTheFirstStyle) {
  const auto demo = kRock.parent_path().parent_path() / "SONGS" / "demo3.vxa";
  SessionRig rig(std::nullopt, kRock, false, false, demo);
  EXPECT_FALSE(rig.Arranger().Song().Chords.Empty());
  EXPECT_FALSE(rig.Arranger().Song().Memo.Title.empty());
  EXPECT_LT(rig.Arranger().Engine().SongState, 0) << "the demo plays";
  EXPECT_EQ(rig.Arranger().Clock().ClockState, 1);
}

TEST(MainControls, FieldsBoxesAndDisplaysFollowBothWays) {
  SessionRig rig;
  MainControls& controls = *rig.Main().Controls();
  controls.Tempo()->setValue(140);
  EXPECT_EQ(rig.Arranger().Tempo(), 140);
  controls.Transposition()->setValue(-3);
  EXPECT_EQ(rig.Arranger().Engine().GlobalTranspose, -3);
  controls.RecordStart()->setValue(-2);
  EXPECT_EQ(rig.Arranger().Song().Range.RecordStartMeasure(), -2);
  controls.ChannelBox(4)->click();
  EXPECT_TRUE(rig.Arranger().HandMuted[4]);
  EXPECT_EQ(rig.Arranger().Engine().ChannelMute[4], 1);

  rig.Session->Display().SetBeatIndicator(0x0000FF, "P");
  rig.Session->Display().SetMeasureText("7");
  EXPECT_EQ(controls.Beat()->Colour(), QColor(Qt::red));
  EXPECT_EQ(controls.Beat()->Text(), "P");
  EXPECT_EQ(controls.Measure()->text(), "7");
}

TEST(MainWindow, TransportButtonsAndPlayingSwitchesActOnTheEngine) {
  SessionRig rig;
  app::Arranger& arranger = rig.Arranger();
  MainControls& controls = *rig.Main().Controls();
  // Play with nothing recorded says so and leaves the clock off; the clock switch starts it.
  QTest::mouseClick(controls.Button("Play"), Qt::LeftButton);
  ASSERT_FALSE(rig.Dialogs.Entries().empty());
  EXPECT_EQ(rig.Dialogs.Entries().back().Text, "Chordmemory is empty !");
  EXPECT_EQ(arranger.Clock().ClockState, 0);
  QTest::mouseClick(controls.Button("Clock"), Qt::LeftButton);
  EXPECT_EQ(arranger.Clock().ClockState, 1);

  // Slave Mode stops and brings the running clock back as the external one.
  rig.Main().Action("Slave Mode")->trigger();
  EXPECT_TRUE(arranger.Options().SlaveMode);
  EXPECT_EQ(arranger.Clock().ClockState, -1);

  rig.Main().Action("Metronome")->trigger();
  EXPECT_TRUE(arranger.Options().Metronome);
  EXPECT_EQ(arranger.Engine().ClickBeat, arranger.Engine().MeasureBeats + 1);  // the next click is an accent

  QTest::mouseClick(controls.PlayChordsButton(), Qt::LeftButton);
  EXPECT_TRUE(arranger.Options().PlayChords);
  EXPECT_TRUE(rig.Main().Action("Play Chords")->isChecked());
  EXPECT_EQ(controls.PlayChordsButton()->text(), "S");
}

TEST(MainWindow, EachMenuSwitchChangesTheStateItIsNamedFor) {
  SessionRig rig;
  app::Arranger& a = rig.Arranger();
  const std::pair<const char*, std::function<bool()>> rows[] = {
      {"Count in", [&] { return a.SongOptions().CountIn; }},
      {"Master Mode", [&] { return a.Options().MasterMode; }},
      {"Play Intro", [&] { return a.Settings().PlayIntro; }},
      {"Play Ending", [&] { return a.Settings().PlayEnding; }},
      {"Tempo Detection", [&] { return a.Options().TempoDetection; }},
      {"Intro Detection", [&] { return a.Options().IntroDetection; }},
      {"Ignore Tempi", [&] { return a.Options().IgnoreTempi; }},
      {"Replace One", [&] { return a.Options().ReplaceOne; }},
      {"Send Chord Codes", [&] { return a.Options().SendChordCodes; }},
      {"Receive Chord Codes", [&] { return a.Options().ReceiveChordCodes; }},
      {"Transmit Controllers", [&] { return !a.Midi().Switches().ControllerFilter.load(); }},
      {"Unchanged MIDI in", [&] { return a.Options().UnchangedMidiIn; }},
  };
  for (const auto& [text, state] : rows) {
    QAction* action = rig.Main().Action(text);
    ASSERT_NE(action, nullptr) << text;
    const bool before = state();
    action->trigger();
    EXPECT_NE(state(), before) << text;
    EXPECT_EQ(action->isChecked(), state()) << text;
  }
}

TEST(MainWindow, PartButtonsAndPartEntriesSwitchAPlayingStyle) {
  SessionRig rig("[Options]\nAutoload=1\n", kRock);
  app::Arranger& arranger = rig.Arranger();
  arranger.Settings().PlayIntro = false;
  for (int key : {62, 66, 69}) arranger.ChordKeyDown(key);
  ASSERT_TRUE(arranger.Engine().StylePlaying());
  rig.Ports->ClearSent();

  QTest::mouseClick(rig.Main().Controls()->Button("Ext. - F2"), Qt::LeftButton);
  for (int tick = 0; tick < 24 * 16 && arranger.Gen().RunningPart != styles::kExtended; ++tick)
    arranger.Clock().OnTick();
  EXPECT_EQ(arranger.Gen().RunningPart, styles::kExtended);
  EXPECT_FALSE(rig.Sent(0).empty());  // the style went on sounding over the virtual port

  rig.Main().Action("Fill in Basic")->trigger();
  EXPECT_EQ(arranger.Gen().RunningPart, styles::kFillInBasic);
}

}  // namespace
}  // namespace kalo::gui
