#include "gui/main_controls.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "gui/chord_editor_panel.h"
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
  EXPECT_FALSE(rig.Session->Guide().Text().contains("Hello"));  // the greeting is for the very first start
}

TEST(WindowSession, TheVeryFirstStartGreetsInTheGuideAndAMissingStyleIsNoError) {
  SessionRig rig(std::nullopt);
  EXPECT_TRUE(
      rig.Session->Guide().Text().startsWith("Hello, this is the first time that you have started KALO."));
  // The guide, the keyboard window it speaks of and the configuration open once the main window is
  // placed, each where the others leave room.
  std::vector<QWidget*> opened;
  for (const char* name : {"Guide", "Keyboard", "Configuration"})
    opened.push_back(ToolWindows::WindowOf(rig.Main().Tools().Find(name)));
  QTRY_VERIFY(std::all_of(opened.begin(), opened.end(), [](QWidget* window) { return window->isVisible(); }));
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
  QTRY_VERIFY(ToolWindows::WindowOf(&rig.Session->Editor())->isVisible());  // the song in the editor
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
  rig.Main().Action("Stop")->trigger();
  EXPECT_EQ(controls.Beat()->Text(), "") << "the run's letter goes with it";
}

TEST(MainWindow, TheChordPanelTakesTheDesktopsPaletteAndFillsOnlyForAChordTypeKey) {
  SessionRig rig;
  // The desktop turns dark (the application hands its palette to the window this way while it runs).
  QPalette dark = rig.Main().palette();
  dark.setColor(QPalette::Base, QColor(30, 30, 30));
  dark.setColor(QPalette::Text, QColor(230, 230, 230));
  rig.Main().setPalette(dark);
  rig.Session->Display().SetChordPanelText("C maj");
  const QPalette shown = rig.Main().ChordDisplay()->palette();
  EXPECT_EQ(shown.color(QPalette::Window), QColor(30, 30, 30));
  EXPECT_EQ(shown.color(QPalette::WindowText), QColor(230, 230, 230));
  rig.Session->Display().SetChordPanelColour(0x00FFFF);  // yellow: a chord-type key held
  EXPECT_EQ(rig.Main().ChordDisplay()->palette().color(QPalette::Window), QColor(Qt::yellow));
  rig.Session->Display().SetChordPanelColour(0xFFFFFF);  // white again: the panel's plain state
  EXPECT_EQ(rig.Main().ChordDisplay()->palette().color(QPalette::Window), QColor(30, 30, 30));
}

TEST(PartButtons, ShowThePartThatPlaysAndThePartAskedFor) {
  using styles::kBasic, styles::kEnding, styles::kExtended, styles::kFillInBasic, styles::kIntro,
      styles::kToExtended;
  const config::ControlKeyNotes keys = config::ComputeControlKeyNotes(config::Settings{});
  constexpr int kNone = kNoPartButton;
  constexpr int kIntroButton = 0, kFill = 1, kExt = 2, kBasicButton = 3, kEndingButton = 4;
  const struct {
    const char* Name;
    PartRun Run;
    PartButtonState Expected;
  } rows[] = {
      {"stopped without a style", {false, kBasic, -1, 0, 0, -1}, {kNone, kNone}},
      {"stopped: the part a start plays first", {false, kBasic, -1, 0, 0, kIntro}, {kNone, kIntroButton}},
      {"Basic plays", {true, kBasic, -1, 0, 0}, {kBasicButton, kNone}},
      {"F2 pressed, not yet taken", {true, kBasic, -1, keys.ToExtended, 0}, {kBasicButton, kExt}},
      {"Extended asked for the next beat", {true, kBasic, kToExtended, 0, 0}, {kBasicButton, kExt}},
      {"a fill plays", {true, kFillInBasic, -1, 0, 0}, {kFill, kNone}},
      {"the transition plays its part's button", {true, kToExtended, -1, 0, 0}, {kExt, kNone}},
      {"the ending waits for the bar line", {true, kExtended, -1, 0, kEnding}, {kExt, kEndingButton}},
      {"asking for the part that plays", {true, kBasic, -1, keys.ToBasic, 0}, {kBasicButton, kNone}},
      {"a fill asked for in the intro", {true, kIntro, -1, keys.FillIn, 0}, {kIntroButton, kFill}},
      {"a tempo function is no part", {true, kBasic, -1, perform::kTempoCode, 0}, {kBasicButton, kNone}},
  };
  for (const auto& row : rows) {
    const PartButtonState shown = ShownParts(row.Run, keys);
    EXPECT_EQ(shown.Running, row.Expected.Running) << row.Name;
    EXPECT_EQ(shown.Coming, row.Expected.Coming) << row.Name;
  }
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

  MainControls& controls = *rig.Main().Controls();
  QTRY_VERIFY(controls.Part(PartButtonId::Basic)->Running());
  QTest::mouseClick(controls.Button("Ext. - F2"), Qt::LeftButton);
  EXPECT_TRUE(controls.Part(PartButtonId::Extended)->Coming());
  QTRY_COMPARE(rig.Main().PartDisplay()->text(), QString::fromUtf8("Basic  \u2192  Ext."));
  for (int tick = 0; tick < 24 * 16 && arranger.Gen().RunningPart != styles::kExtended; ++tick)
    arranger.Clock().OnTick();
  EXPECT_EQ(arranger.Gen().RunningPart, styles::kExtended);
  QTRY_VERIFY(controls.Part(PartButtonId::Extended)->Running());
  EXPECT_FALSE(controls.Part(PartButtonId::Extended)->Coming());
  EXPECT_FALSE(controls.BeatNumber()->text().isEmpty()) << "the beat of the measure is shown";
  EXPECT_FALSE(rig.Sent(0).empty());  // the style went on sounding over the virtual port

  rig.Main().Action("Fill in Basic")->trigger();
  EXPECT_EQ(arranger.Gen().RunningPart, styles::kFillInBasic);
}

}  // namespace
}  // namespace kalo::gui
