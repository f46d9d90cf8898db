// The Style-Creator window's wiring: each control reaches its command, its questions and messages
// appear, the mode boxes grey what only the Style-Mode may use, and a style made with its controls is
// the one the command line makes from the same measures.

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QUrl>
#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "gui/session_rig.h"
#include "gui/style_creator_panel.h"
#include "gui/style_events_window.h"
#include "host/file_store.h"

namespace kalo::gui {
namespace {

using testing::SessionRig;

const std::filesystem::path kDemo =
    std::filesystem::path(KALO_SHIPPED_STYLES_DIR).parent_path() / "SONGS" / "demo3.vxa";
constexpr const char* kIni = "[Options]\nAutoload=1\nMetrum=2\n";

// Three measures of 4/4 at 24 ticks a quarter: C, E, G, C on channel 1, each note a tick short of
// its quarter, the track ending on the bar line.
std::vector<uint8_t> ThreeMeasures() {
  std::vector<uint8_t> track = {0, 0xFF, 0x58, 4, 4, 2, 24, 8};
  uint8_t delay = 0;
  for (int repeat = 0; repeat < 3; ++repeat) {
    for (uint8_t note : {60, 64, 67, 72}) {
      for (uint8_t byte :
           {delay, uint8_t{0x90}, note, uint8_t{100}, uint8_t{23}, uint8_t{0x80}, note, uint8_t{0}})
        track.push_back(byte);
      delay = 1;
    }
  }
  for (uint8_t byte : {1, 0xFF, 0x2F, 0}) track.push_back(byte);
  std::vector<uint8_t> file = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0, 24, 'M', 'T', 'r', 'k', 0, 0};
  file.push_back(static_cast<uint8_t>(track.size() >> 8));
  file.push_back(static_cast<uint8_t>(track.size()));
  file.insert(file.end(), track.begin(), track.end());
  return file;
}

std::vector<char> Bytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

struct CreatorRig : SessionRig {
  CreatorRig() : SessionRig(kIni) { Panel = &Show<StyleCreatorPanel>("Style-Creator"); }

  // Imports the three measures by dropping the file on the window.
  void DropMaterial() {
    const std::filesystem::path file = Folder.Path() / "three.mid";
    const std::vector<uint8_t> bytes = ThreeMeasures();
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(file.string()))});
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    // Delivered as the window system delivers it at the end of a drag (the application refuses a
    // drop that no drag of its own started).
    static_cast<QObject*>(Panel)->event(&drop);
  }
  void Click(const char* caption) {
    QPushButton* button = Panel->Button(caption);
    ASSERT_NE(button, nullptr) << caption;
    QTest::mouseClick(button, Qt::LeftButton);
  }
  void Measures(int part, int first, int last) {
    Panel->Find<QListWidget>("Parts")->setCurrentRow(part);
    Panel->Find<QSpinBox>("First Measure")->setValue(first);
    Panel->Find<QSpinBox>("Last Measure")->setValue(last);
  }
  styles::TGen& Gen() { return Arranger().Gen(); }

  StyleCreatorPanel* Panel = nullptr;
};

TEST(StyleCreatorWindow, MakesTheStyleTheCommandLineMakesFromTheSameMeasures) {
  CreatorRig rig;
  const std::filesystem::path folder = rig.Folder.Path();
  rig.Folder.Write("cli.ini", kIni);
  const std::string program = KALO_PROGRAM;
  const std::string quiet = " >/dev/null 2>&1";
  ASSERT_EQ(std::system((program + " render --ini '" + (folder / "cli.ini").string() + "' '" +
                         kDemo.string() + "' -o '" + (folder / "demo.mid").string() + "'" + quiet)
                            .c_str()),
            0);
  ASSERT_EQ(std::system((program + " style import --ini '" + (folder / "cli.ini").string() + "' '" +
                         (folder / "demo.mid").string() + "' -o '" + (folder / "cli.vxs").string() +
                         "' --part 'Basic=5-8' --part 'Fill in Basic=9'" + quiet)
                            .c_str()),
            0);

  rig.Dialogs.QueueFile((folder / "demo.mid").string());
  rig.Panel->Entry("1. Import Midifile")->trigger();
  EXPECT_EQ(rig.Dialogs.Messages().back(), styles::AvailableMeasuresMessage(43));
  rig.Measures(styles::kBasic, 5, 8);
  rig.Click("Set");
  rig.Measures(styles::kFillInBasic, 9, 9);
  rig.Click("Set");
  EXPECT_EQ(rig.Panel->Find<QListWidget>("Parts")->item(styles::kFillInBasic)->text(),
            "Fill in Basic   9 - 9");
  // Choosing a part that exists shows the measures it was cut from.
  rig.Panel->Find<QListWidget>("Parts")->setCurrentRow(styles::kBasic);
  EXPECT_EQ(rig.Panel->Find<QSpinBox>("First Measure")->value(), 5);
  EXPECT_EQ(rig.Panel->Find<QSpinBox>("Last Measure")->value(), 8);
  rig.Dialogs.QueueFile((folder / "window.vxs").string());
  rig.Panel->Entry("5. Save created style")->trigger();
  // Imported material has no file yet: not the name of the style loaded at start.
  EXPECT_EQ(rig.Dialogs.LastFileChoice().InitialName, "*.VXS");
  ASSERT_TRUE(std::filesystem::exists(folder / "window.vxs"));
  EXPECT_EQ(Bytes(folder / "window.vxs"), Bytes(folder / "cli.vxs"));
  rig.Dialogs.QueueFile(std::nullopt);
  rig.Panel->Entry("5. Save created style")->trigger();
  EXPECT_EQ(rig.Dialogs.LastFileChoice().InitialName, (folder / "window.vxs").string());
}

TEST(StyleCreatorWindow, RecordOpensTheWindowAndClosingOnlyHidesIt) {
  CreatorRig rig;
  QWidget* window = ToolWindows::WindowOf(rig.Panel);
  window->hide();
  rig.Main().Action("&Record ...")->trigger();
  EXPECT_TRUE(window->isVisible());
  EXPECT_TRUE(rig.Arranger().Creator().Recording());
  EXPECT_EQ(rig.Dialogs.Messages().back(), app::kReadyToRecordMessage);
  EXPECT_EQ(rig.Session->Display().BeatIndicator().Text, "R");
  EXPECT_FALSE(rig.Main().Action("Restore all")->isEnabled());
  EXPECT_FALSE(rig.Panel->Button("Restore Original")->isEnabled());
  window->close();
  EXPECT_FALSE(window->isVisible());
  EXPECT_EQ(rig.Main().Tools().Find("Style-Creator"), rig.Panel);
  rig.Main().Action("Style-Creator")->trigger();
  EXPECT_TRUE(window->isVisible());

  // Stop ends the recording; the wait for the external device ends with it, so the next play starts.
  rig.Main().Action("Stop")->trigger();
  EXPECT_FALSE(rig.Arranger().Creator().Recording());

  rig.DropMaterial();
  rig.Measures(styles::kBasic, 1, 2);
  rig.Click("Set");
  rig.Click("Play");
  EXPECT_TRUE(rig.Gen().Playing);
  rig.Click(">");
  EXPECT_FALSE(rig.Gen().Playing) << "a measure move stops the player";
  EXPECT_EQ(rig.Panel->Position()->text(), "2:1");
}

TEST(StyleCreatorWindow, SongModeGreysWhatOnlyTheStyleModeUses) {
  CreatorRig rig;
  rig.DropMaterial();
  EXPECT_EQ(rig.Dialogs.Messages().back(), styles::AvailableMeasuresMessage(3));
  const std::vector<QWidget*> styleOnly = {rig.Panel->Find<QListWidget>("Parts"),
                                           rig.Panel->Find<QSpinBox>("First Measure"),
                                           rig.Panel->Find<QSpinBox>("Last Measure"),
                                           rig.Panel->Find<QSpinBox>("Beat"),
                                           rig.Panel->Button("Set"),
                                           rig.Panel->Button("LoopStart"),
                                           rig.Panel->Button("LoopEnd")};
  QAction* mode = rig.Main().Action("Mode");
  QAction* playParts = rig.Main().Action("Play Parts");
  for (bool styleMode : {false, true, false}) {
    QTest::mouseClick(rig.Panel->Find<QCheckBox>(styleMode ? "Style-Mode" : "Song-Mode"), Qt::LeftButton);
    EXPECT_EQ(rig.Gen().StyleMode, styleMode);
    EXPECT_NE(rig.Panel->Find<QCheckBox>("Song-Mode")->isChecked(), styleMode);
    for (QWidget* control : styleOnly)
      EXPECT_EQ(control->isEnabled(), styleMode) << control->objectName().toStdString();
    EXPECT_EQ(mode->text(), styleMode ? "Song-&Mode" : "Style-&Mode");
    EXPECT_EQ(playParts->isEnabled(), styleMode);
  }
  mode->trigger();
  EXPECT_TRUE(rig.Gen().StyleMode);
}

TEST(StyleCreatorWindow, SongModePlaysFromTheStartMeasureWithThePositionFollowing) {
  CreatorRig rig;
  rig.DropMaterial();
  QTest::mouseClick(rig.Panel->Find<QCheckBox>("Song-Mode"), Qt::LeftButton);
  // Right after the import, before anything has played, the measure moves work.
  rig.Click(">");
  EXPECT_EQ(rig.Panel->Position()->text(), "2:1");
  rig.Click("<");
  EXPECT_EQ(rig.Panel->Position()->text(), "1:1");
  rig.Panel->Find<QSpinBox>("Start with ...")->setValue(2);
  rig.Panel->Find<QSpinBox>("Stop at ...")->setValue(3);
  EXPECT_EQ(rig.Gen().SongStartMeasure, 2);
  EXPECT_EQ(rig.Gen().SongStopMeasure, 3);
  rig.Click("Play");
  ASSERT_TRUE(rig.Gen().Playing);
  const auto tick = [&rig](int ticks) {
    for (int i = 0; i < ticks; ++i) rig.Arranger().Clock().OnTick();
    rig.Panel->Refresh();
  };
  tick(2);
  EXPECT_EQ(rig.Panel->Position()->text(), "2:1");
  tick(24);
  EXPECT_EQ(rig.Panel->Position()->text(), "2:2");
  rig.Click("Stop");
  EXPECT_FALSE(rig.Gen().Playing);
  rig.Click("Play");
  tick(5 * 24);
  EXPECT_FALSE(rig.Gen().Playing) << "play stops where the stop measure begins";
}

TEST(StyleCreatorWindow, ControlsReachTheirCommands) {
  CreatorRig rig;
  rig.DropMaterial();
  styles::TGen& gen = rig.Gen();
  app::StyleCreatorSide& side = rig.Arranger().Creator();

  rig.Measures(styles::kBasic, 3, 3);
  rig.Click("<");
  EXPECT_EQ(gen.FirstMeasure, 2);
  EXPECT_EQ(gen.LastMeasure, 2) << "the last measure keeps its distance";
  rig.Click(">");
  EXPECT_EQ(gen.FirstMeasure, 3);
  QTest::mouseDClick(rig.Panel->Find<QSpinBox>("First Measure")->findChild<QLineEdit*>(), Qt::LeftButton);
  EXPECT_EQ(gen.FirstMeasure, 1);
  QTest::mouseDClick(rig.Panel->Find<QSpinBox>("Last Measure")->findChild<QLineEdit*>(), Qt::LeftButton);
  EXPECT_EQ(gen.LastMeasure, 0);

  rig.Panel->Find<QComboBox>("Step by Step")->activated(1);
  EXPECT_EQ(gen.LoopLength(), 2);
  QTest::mouseClick(rig.Panel->Find<QCheckBox>("Multiply by 2"), Qt::LeftButton);
  EXPECT_EQ(gen.LoopLength(), 4);

  rig.Click("Set");
  EXPECT_TRUE(gen.CurrentStyle().Parts[styles::kBasic].Exists());
  rig.Click("Clear P.");
  EXPECT_FALSE(gen.CurrentStyle().Parts[styles::kBasic].Exists());
  rig.Panel->Entry("&Basic")->trigger();
  EXPECT_EQ(gen.RunningPart, styles::kBasic);
  rig.Panel->Entry("&Set Part")->trigger();
  EXPECT_TRUE(gen.CurrentStyle().Parts[styles::kBasic].Exists());

  // The recording panel's boxes.
  rig.Panel->Find<QSpinBox>("Basic Last")->setValue(3);
  rig.Click("Shift +1");
  EXPECT_EQ(side.Panel.First[styles::kBasic], 2);
  EXPECT_EQ(side.Panel.Last[styles::kBasic], 4);
  rig.Click("New");
  EXPECT_EQ(side.Panel.First[styles::kBasic], 1);
  EXPECT_EQ(side.Panel.Last[styles::kBasic], 0);

  // The volume arrows count their total.
  QTest::mouseClick(rig.Panel->Find<QPushButton>("Volume +"), Qt::LeftButton);
  QTest::mouseClick(rig.Panel->Find<QPushButton>("Volume +"), Qt::LeftButton);
  EXPECT_EQ(gen.CurrentStyle().VolumeOffsetTotal, 2);
  QTest::mouseClick(rig.Panel->Find<QPushButton>("Reverb -"), Qt::LeftButton);
  EXPECT_EQ(gen.CurrentStyle().ReverbOffsetTotal, -1);

  // The conversion choices and options hand their values on.
  rig.Panel->Entry("Mode ... 2 Simple")->trigger();
  rig.Panel->Entry("Sensitivity ... 4 Extreme")->trigger();
  rig.Panel->Entry("Change Chord per Measure ... 1/2")->trigger();
  rig.Panel->Entry("Convertmode ... 5  All notes")->trigger();
  rig.Panel->Entry("Don't convert fills")->trigger();
  rig.Panel->Entry("Move percussion sounds to track 10")->trigger();
  EXPECT_EQ(side.Conversion.Mode, 3);
  EXPECT_EQ(side.Conversion.Sensitivity, 500);
  EXPECT_EQ(side.Conversion.WindowBeats, 2);
  EXPECT_EQ(side.Conversion.ConvertMode, 5);
  EXPECT_TRUE(side.Conversion.SkipFills);
  EXPECT_TRUE(side.Import.MovePercussion);
  rig.Panel->Entry(" Suppress all Style Controllers")->trigger();
  EXPECT_EQ(gen.CurrentStyle().Header.SuppressControllers, 1);

  // Questions, with their texts; "No" changes nothing.
  rig.Dialogs.QueueAnswer(false);
  rig.Panel->Entry("Set Muting to all Styleparts")->trigger();
  EXPECT_EQ(rig.Dialogs.Entries().back().Text, app::kMutingToAllQuestion);
  rig.Dialogs.QueueAnswer(false);
  rig.Panel->Entry("Set Cut Notes State to all Styleparts")->trigger();
  EXPECT_EQ(rig.Dialogs.Entries().back().Text, app::kCutNotesToAllQuestion);
  rig.Panel->Entry("Convert all to Style")->trigger();
  ASSERT_NE(rig.Panel->Entry("&Convert Part"), nullptr);
  rig.Dialogs.QueueAnswer(false);
  rig.Click("Restore Original");
  EXPECT_EQ(rig.Dialogs.Entries().back().Text, styles::kUndoConversionsQuestion);

  // The chords found in the play window, named with their measure and beat.
  rig.Panel->Entry("Generate Chords")->trigger();
  EXPECT_EQ(rig.Dialogs.Messages().back().rfind(
                "Chords found:\n" + std::to_string(gen.FirstMeasure) + ":1  C maj", 0),
            0u)
      << rig.Dialogs.Messages().back();

  // The chord-keys item shows the guide to the computer keys.
  rig.Panel->Entry("    -   Enter chords and test styleparts with the keys [Shift/Ctrl] y,x,c,v,b,n,m")
      ->trigger();
  EXPECT_TRUE(ToolWindows::WindowOf(&rig.Session->Guide())->isVisible());

  // The position display's bookmarks: an empty set moves nothing; the cursor advances.
  const int cursor = gen.CurrentStyle().BookmarkCursor;
  QTest::mouseClick(rig.Panel->Position(), Qt::LeftButton);
  EXPECT_EQ(gen.CurrentStyle().BookmarkCursor, cursor % 10 + 1);
}

TEST(StyleCreatorWindow, EventEditorStepsChangesAndUndoes) {
  CreatorRig rig;
  rig.DropMaterial();
  rig.Click("Stylepart - Events      ");
  StyleEventsWindow& events = rig.Panel->Events();
  ASSERT_TRUE(events.isVisible());
  EXPECT_EQ(events.windowTitle(), "Style - Events");
  QPushButton* next = events.findChild<QPushButton*>("Next");
  QPushButton* previous = events.findChild<QPushButton*>("Previous");
  const std::pair<QPushButton*, const char*> walk[] = {
      {next, "5 C"}, {next, "5 E"}, {next, "5 G"}, {previous, "5 E"}};
  for (const auto& [button, shown] : walk) {
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(events.Display()->text(), shown);
  }
  EXPECT_EQ(events.Velocity()->value(), 100);
  const int32_t offset = rig.Arranger().Creator().Events().Current()->Offset;
  const std::span<uint8_t> stream = rig.Gen().CurrentStyle().Buffer();

  // E (64) becomes D in octave box "4": (3 + 1) × 12 + 2 = 50.
  events.NoteBox()->setCurrentIndex(2);
  events.OctaveBox()->setCurrentIndex(3);
  QTest::mouseClick(events.Button("Change"), Qt::LeftButton);
  EXPECT_EQ(stream[offset + 1], 50);
  EXPECT_EQ(events.Display()->text(), "4 D");
  EXPECT_TRUE(rig.Gen().CurrentStyle().Modified);
  QTest::mouseClick(events.Button("Undo"), Qt::LeftButton);
  EXPECT_EQ(stream[offset + 1], 64);

  events.Velocity()->setValue(80);
  EXPECT_EQ(stream[offset + 2], 80);
  QTest::mouseClick(events.Button("Clear"), Qt::LeftButton);
  EXPECT_EQ(stream[offset + 2], 0);
  EXPECT_EQ(events.Display()->text(), "5 G") << "Clear moves on to the next note";
  QTest::mouseClick(events.Button("Undo"), Qt::LeftButton);
  EXPECT_EQ(stream[offset + 2], 80);
}

TEST(StyleCreatorWindow, FilesLoopItemsAndTheMainWindowsEntries) {
  CreatorRig rig;
  rig.DropMaterial();
  styles::TGen& gen = rig.Gen();
  rig.Measures(styles::kBasic, 1, 2);
  rig.Click("Set");
  const std::filesystem::path folder = rig.Folder.Path();

  // A part as a MIDI file, under the name proposed for Basic; the work with its parts.
  rig.Dialogs.QueueFile((folder / "part.mid").string());
  rig.Panel->Entry("    ->Save selected style part as MIDI file")->trigger();
  EXPECT_EQ(rig.Dialogs.LastFileChoice().InitialName, "sty1_v11.mid");
  EXPECT_TRUE(std::filesystem::exists(folder / "part.mid"));
  rig.Dialogs.QueueFile((folder / "work.vxw").string());
  rig.Click("Save Work as ...      ");
  ASSERT_TRUE(std::filesystem::exists(folder / "work.vxw"));

  // Loading it asks first and leaves the window in song mode; the main window's "R&estore" cuts the
  // parts again from the measures they were saved with.
  rig.Dialogs.QueueAnswer(true);
  rig.Dialogs.QueueFile((folder / "work.vxw").string());
  rig.Click("Load Work               ");
  const auto& entries = rig.Dialogs.Entries();
  EXPECT_TRUE(std::any_of(entries.begin(), entries.end(),
                          [](const auto& entry) { return entry.Text == styles::kReplaceChordsQuestion; }));
  EXPECT_TRUE(rig.Panel->Find<QCheckBox>("Song-Mode")->isChecked());
  rig.Main().Action("R&estore")->trigger();
  EXPECT_TRUE(gen.StyleMode);
  EXPECT_TRUE(gen.CurrentStyle().Parts[styles::kBasic].Exists());
  rig.Main().Action("Play Parts Basic")->trigger();
  EXPECT_TRUE(gen.Playing);
  rig.Main().Action("Stop")->trigger();

  // The loop menu prepares a fill as a variation, and forgets it for a plain fill.
  const std::pair<const char*, bool> fills[] = {{"Variation Basic", true}, {"Fill in Basic", false}};
  for (const auto& [entry, variation] : fills) {
    rig.Panel->Entry(entry)->trigger();
    EXPECT_EQ(gen.RunningPart, styles::kFillInBasic) << entry;
    EXPECT_EQ(gen.VariationPrepared, variation) << entry;
  }
}

}  // namespace
}  // namespace kalo::gui

namespace kalo::gui {
namespace {

TEST(StyleCreatorWindow, StylePartFilesAndSetsGoThroughTheFileDialogs) {
  CreatorRig rig;
  rig.DropMaterial();
  styles::TGen& gen = rig.Gen();
  rig.Measures(styles::kBasic, 1, 2);
  rig.Click("Set");
  const std::filesystem::path folder = rig.Folder.Path();
  rig.Dialogs.QueueFile((folder / "basic.mid").string());
  rig.Panel->Entry("Export style part ...")->trigger();
  ASSERT_TRUE(std::filesystem::exists(folder / "basic.mid"));
  rig.Panel->Entry("Clear P.")->trigger();
  ASSERT_FALSE(gen.CurrentStyle().Parts[styles::kBasic].Exists());
  rig.Dialogs.QueueFile((folder / "basic.mid").string());
  rig.Panel->Entry("Import style part ...")->trigger();
  EXPECT_TRUE(gen.CurrentStyle().Parts[styles::kBasic].Exists());
  EXPECT_EQ(gen.CurrentStyle().Parts[styles::kBasic].FirstMeasure, 4) << "after the three measures";

  // "Set path" remembers the folder of the file chosen; the set goes there and comes back from there.
  std::filesystem::create_directories(folder / "set");
  rig.Dialogs.QueueFile((folder / "set" / "any.mid").string());
  rig.Panel->Entry("Set path (export)")->trigger();
  EXPECT_EQ(rig.Arranger().Settings().PartSetDir, (folder / "set").string());
  rig.Panel->Entry("Export set")->trigger();
  EXPECT_TRUE(std::filesystem::exists(folder / "set" / styles::ProposedPartFileName(styles::kBasic, false)));
  rig.Panel->Entry("Clear P.")->trigger();
  rig.Panel->Entry("Import set")->trigger();
  EXPECT_TRUE(gen.CurrentStyle().Parts[styles::kBasic].Exists());
}

// "Work on all styles": the style chosen in the dialog names the folder; cancelling changes nothing.
TEST(StyleCreatorWindow, WorkOnAllStylesTakesTheFolderOfTheStyleChosen) {
  CreatorRig rig;
  const std::filesystem::path folder = rig.Folder.Path() / "styles";
  std::filesystem::create_directories(folder);
  const auto bytes = host::ReadFilePrefix(std::string(KALO_SHIPPED_STYLES_DIR) + "/pop8.vxs", 1 << 20);
  ASSERT_TRUE(bytes);
  ASSERT_FALSE(host::WriteFileSafely(folder / "pop8.vxs", *bytes));
  const std::pair<const char*, app::StyleWork> entries[] = {
      {"Repair all styles ...", app::StyleWork::Repair},
      {"Normalize volume of all styles ...", app::StyleWork::NormalizeVolume}};
  for (const auto& [entry, work] : entries) {
    rig.Panel->Entry(entry)->trigger();  // cancelled: no question
    EXPECT_EQ(rig.Dialogs.Questions().size(), 0u) << entry;
    rig.Dialogs.QueueFile((folder / "pop8.vxs").string());
    rig.Panel->Entry(entry)->trigger();
    ASSERT_FALSE(rig.Dialogs.Questions().empty()) << entry;
    EXPECT_EQ(rig.Dialogs.Questions().back(),
              app::WorkOnAllStylesQuestion(work, 1, host::PrintableName(folder.string())));
    rig.Dialogs.Clear();
  }
}

}  // namespace
}  // namespace kalo::gui
