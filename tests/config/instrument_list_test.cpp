#include "config/instrument_list.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <tuple>

#include "config/list_editor.h"
#include "host/dialogs.h"
#include "host/file_store.h"
#include "host/program_launcher.h"
#include "temp_folder.h"

namespace kalo::config {
namespace {

namespace fs = std::filesystem;
using testing::ReadText;
using testing::TempFolder;

struct EntryCase {
  const char* Line;
  PatchKind Kind;
  std::optional<InstrumentMessages> Expected;
};

InstrumentMessages Banked(uint8_t cc0, uint8_t cc32, uint8_t program) { return {true, cc0, cc32, program}; }

TEST(InstrumentEntryTest, EachLineSendsWhatItsKindAndColumnsSay) {
  const EntryCase cases[] = {
      {"001 000 008 Piano 1", PatchKind::Gs, Banked(0, 8, 0)},
      {"001 000 008 Piano 1", PatchKind::Xg, Banked(8, 0, 0)},
      {"1 Pno", PatchKind::Gs, Banked(0, 0, 0)},          // short: bank 0/0, program 0
      {"1 Piano grand", PatchKind::Gs, Banked(0, 0, 0)},  // no digit in column 3
      {"025 008", PatchKind::Gs, Banked(8, 0, 24)},       // exactly 7 characters
      {"025 008 01", PatchKind::Gs, Banked(8, 0, 24)},    // second bank needs 11 characters
      {"025 008 x12 Nylon", PatchKind::Xg, Banked(0, 8, 24)},
      {"128 127 127 Last", PatchKind::Gs, Banked(127, 127, 127)},
      {"  5 000 000 Indented", PatchKind::Gs, std::nullopt},  // begins with a blank
      {"Pianos", PatchKind::Gs, std::nullopt},                // a heading
      {"Pianos", PatchKind::Xg, std::nullopt},
      {"000 000 000 Zero", PatchKind::Gs, std::nullopt},  // program number 0 has no program
      {"129 000 000 Big", PatchKind::Gs, std::nullopt},
      {"010 128 000 Bank", PatchKind::Gs, std::nullopt},
      {"010 000 200 Bank", PatchKind::Xg, std::nullopt},
      {"1x3 000 000 Odd", PatchKind::Gs, std::nullopt},
      {"010 abc 000 Odd", PatchKind::Gs, std::nullopt},
      {"\tTabbed", PatchKind::Gm, std::nullopt},
      {"", PatchKind::Gm, std::nullopt},
  };
  for (const EntryCase& c : cases) {
    std::vector<std::string> entries = {c.Line};
    EXPECT_EQ(EntryMessages(entries, 0, c.Kind), c.Expected) << '"' << c.Line << '"';
  }
}

TEST(InstrumentEntryTest, AGeneralMidiEntrySendsItsIndexAsProgramOnly) {
  std::vector<std::string> entries(130, "Name");
  EXPECT_EQ(EntryMessages(entries, 5, PatchKind::Gm), (InstrumentMessages{false, 0, 0, 5}));
  EXPECT_EQ(EntryMessages(entries, 127, PatchKind::Gm)->Program, 127);
  EXPECT_FALSE(EntryMessages(entries, 128, PatchKind::Gm));  // no program number 128
  EXPECT_FALSE(EntryMessages(entries, -1, PatchKind::Gm));
  EXPECT_FALSE(EntryMessages(entries, 130, PatchKind::Gm));
}

TEST(InstrumentEntryTest, MessagesGoOutOnTheChannelInBankThenProgramOrder) {
  using Bytes = std::vector<std::array<uint8_t, 3>>;
  EXPECT_EQ(Banked(8, 3, 24).Bytes(2), (Bytes{{0xB2, 0, 8}, {0xB2, 32, 3}, {0xC2, 24, 0}}));
  EXPECT_EQ((InstrumentMessages{false, 0, 0, 40}).Bytes(15), (Bytes{{0xCF, 40, 0}}));
}

TEST(InstrumentEntryTest, TheLastLinesSecondCharacterNamesTheKind) {
  using Lines = std::vector<std::string>;
  EXPECT_EQ(KindFromLastLine(Lines{"a", "#1"}), PatchKind::Gs);
  EXPECT_EQ(KindFromLastLine(Lines{"a", " 2 XG list"}), PatchKind::Xg);
  EXPECT_EQ(KindFromLastLine(Lines{" 0"}), PatchKind::Gm);
  EXPECT_EQ(KindFromLastLine(Lines{"a", "#9"}), std::nullopt);
  EXPECT_EQ(KindFromLastLine(Lines{"a", "1"}), std::nullopt);
  EXPECT_EQ(KindFromLastLine(Lines{}), std::nullopt);
}

class InstrumentListsTest : public ::testing::Test {
 protected:
  // A list file of count numbered GS entries, then the last line.
  fs::path WriteList(const std::string& name, int count, const std::string& lastLine) {
    std::string text;
    for (int i = 0; i < count; ++i) {
      char line[32];
      std::snprintf(line, sizeof line, "%03d 000 000 Sound %d\r\n", i % 128 + 1, i);
      text += line;
    }
    text += lastLine + "\r\n";
    return temp_.Write(name, text);
  }

  TempFolder temp_;
  InstrumentLists lists_;
};

TEST_F(InstrumentListsTest, WithoutAListFileTheBuiltInNamesAreUsed) {
  Settings settings;
  settings.PatchMode = 2;
  lists_.Load(settings);
  ASSERT_EQ(lists_.Entries().size(), 128u);
  EXPECT_EQ(lists_.Entries()[0] + ", " + lists_.Entries()[127], "Acoustic Grand Piano, Gunshot");
  EXPECT_EQ(std::tuple(lists_.Kind(), settings.PatchMode, lists_.DisplayName(), lists_.IsSc55()),
            std::tuple(PatchKind::Gm, 0, "GM.VXI", false));
  EXPECT_EQ(std::tuple(lists_.Selected(), lists_.SecondSelected(), lists_.PadSelected(), settings.EKeyb),
            std::tuple(17, 17, 89, 89));
  EXPECT_EQ(lists_.PadInstrument(), (InstrumentMessages{false, 0, 0, 89}));
}

TEST_F(InstrumentListsTest, TheLastLineTurnsTheKindWhateverTheSettingsSaid) {
  Settings settings;
  settings.PatchMode = 0;
  settings.Patch = WriteList("my gs.vxi", 3, "#1").string();
  lists_.Load(settings);
  EXPECT_EQ(std::tuple(settings.PatchMode, lists_.Kind(), lists_.DisplayName()),
            std::tuple(1, PatchKind::Gs, "MY GS.VXI"));
  ASSERT_EQ(lists_.Entries().size(), 4u);
  EXPECT_EQ(lists_.Entries()[0], "001 000 000 Sound 0");  // line ends removed
  EXPECT_EQ(lists_.Selected(), 0);
  EXPECT_EQ(lists_.PadSelected(), -1);

  EXPECT_FALSE(lists_.IsSc55());

  settings.Patch = WriteList("plain.vxi", 3, "end of list").string();
  settings.PatchMode = 2;
  lists_.Load(settings);
  EXPECT_EQ(settings.PatchMode, 2) << "a last line naming no kind leaves it";
  EXPECT_EQ(lists_.Kind(), PatchKind::Xg);

  settings.Patch = WriteList("sc-55.vxi", 2, "#1").string();
  lists_.Load(settings);
  EXPECT_TRUE(lists_.IsSc55());
}

TEST_F(InstrumentListsTest, PreferredEntriesAreSelectedOnlyWhenTheyExist) {
  struct Row {
    int Lines;  // entries including the last line
    int Selected;
    int Pad;
  };
  for (Row row : {Row{17, 0, -1}, Row{18, 17, -1}, Row{89, 17, -1}, Row{90, 17, 89}}) {
    Settings settings;
    settings.EKeyb = 3;
    settings.Patch = WriteList("list.vxi", row.Lines - 1, "#1").string();
    lists_.Load(settings);
    ASSERT_EQ(lists_.Entries().size(), static_cast<size_t>(row.Lines));
    EXPECT_EQ(lists_.Selected(), row.Selected) << row.Lines;
    EXPECT_EQ(lists_.SecondSelected(), row.Selected) << row.Lines;
    EXPECT_EQ(lists_.PadSelected(), row.Pad) << row.Lines;
    EXPECT_EQ(settings.EKeyb, row.Pad < 0 ? 3 : row.Pad) << row.Lines;
  }
}

TEST_F(InstrumentListsTest, TheChosenEntryIsStoredPerChannelAndChoosingAFileClearsIt) {
  Settings settings;
  settings.Patch = WriteList("xg.vxi", 20, "#2").string();
  lists_.Load(settings);
  EXPECT_EQ(lists_.Choose(4, 19), Banked(0, 0, 19));
  EXPECT_EQ(lists_.Channel(4).EntryIndex, 19);
  EXPECT_EQ(lists_.Channel(4).Program, 19);
  EXPECT_FALSE(lists_.Choose(5, 20)) << "the last line is a heading";
  EXPECT_EQ(lists_.Channel(5).EntryIndex, -1);
  EXPECT_FALSE(lists_.Choose(16, 1));

  lists_.ChooseFile(settings, temp_.Path() / "other.vxi");
  EXPECT_EQ(settings.Patch, (temp_.Path() / "other.vxi").string());
  EXPECT_EQ(lists_.Channel(4).EntryIndex, -1);
}

TEST_F(InstrumentListsTest, WhatIsNoListLeavesTheChoiceEmptyAndSaysWhy) {
  const fs::path fifo = temp_.Path() / "pipe.vxi";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const struct {
    fs::path File;
    std::string Reason;  // empty: no message
    size_t Entries;
  } rows[] = {
      {temp_.Path() / "gone.vxi", "", 0},  // a list that is gone leaves the choice empty, as always
      {fifo, "a FIFO, not a file", 0},
      {temp_.Write("empty-lines.vxi", std::string(4 << 20, '\n')),
       "larger than 1 MiB, which no instrument list is", 0},
      {temp_.Write("4097.vxi", std::string(4097, '\n')),
       "more than 4096 lines, which no instrument list holds", 0},
      {temp_.Write("4096.vxi", std::string(4095, '\n') + " 1"), "", kMaxListEntries},
  };
  for (const auto& row : rows) {
    Settings settings;
    settings.Patch = row.File.string();
    lists_.Load(settings);
    EXPECT_EQ(lists_.LoadError(),
              row.Reason.empty() ? "" : host::PrintableName(row.File) + ": " + row.Reason);
    EXPECT_EQ(lists_.Entries().size(), row.Entries) << row.File;
    EXPECT_EQ(lists_.Reload(settings), row.Entries > 0) << row.File;
  }
}

TEST_F(InstrumentListsTest, ListFilesAreOfferedByNameAndChosenBySoundcardMode) {
  for (const char* name : {"mylist.vxi", "DB50XG.VXI", "gm.vxi", "SC-55.VXI", "old_gs.vxi", "notes.txt"}) {
    temp_.Write(name, "x\n");
  }
  std::vector<fs::path> files = ListFilesIn(temp_.Path());
  ASSERT_EQ(files.size(), 5u);
  EXPECT_EQ(files.front().filename(), "DB50XG.VXI");
  EXPECT_EQ(ListForSoundcardMode(temp_.Path(), "GM")->filename(), "gm.vxi");
  EXPECT_EQ(ListForSoundcardMode(temp_.Path(), "GS")->filename(), "old_gs.vxi");
  EXPECT_EQ(ListForSoundcardMode(temp_.Path(), "SC-??")->filename(), "SC-55.VXI");
  EXPECT_EQ(ListForSoundcardMode(temp_.Path(), "XG")->filename(), "DB50XG.VXI");
  fs::remove(temp_.Path() / "old_gs.vxi");
  EXPECT_EQ(ListForSoundcardMode(temp_.Path(), "GS")->filename(), "DB50XG.VXI") << "the first file";
  EXPECT_FALSE(ListForSoundcardMode(temp_.Path() / "empty", "GM"));
}

TEST(Sc55Test, BankSelectsAndHighDrumProgramsAreAdjusted) {
  EXPECT_TRUE(IsSc55List("/lists/sc-55.vxi"));
  EXPECT_FALSE(IsSc55List("/lists/sc-88.vxi"));
  std::vector<uint8_t> stream = {0xB0, 0,   63,   // bank select 63 -> 0
                                 0xB0, 0,   62,   // kept
                                 0xB0, 7,   100,  // not a bank select
                                 0xF8,            // delay
                                 0xC9, 63,  0,    // drum program above 62 -> 0
                                 0xC9, 62,  0,    // kept
                                 0xC0, 100, 0,    // not the drum channel
                                 0xF0,            // buffer end
                                 0xB3, 0,   127,  // -> 0
                                 0xC9, 70};       // cut short: left alone
  AdjustStyleStreamForSc55(stream);
  EXPECT_EQ(stream, (std::vector<uint8_t>{0xB0, 0,  0, 0xB0, 0,   62, 0xB0, 7,    100, 0xF8, 0xC9, 0, 0,
                                          0xC9, 62, 0, 0xC0, 100, 0,  0xF0, 0xB3, 0,   0,    0xC9, 70}));
}

TEST_F(InstrumentListsTest, TheEditorIsFoundInTheProgramFolderOrItsEditorFolder) {
  host::ProgramFolder folder(temp_.Path());
  EXPECT_FALSE(FindListEditor(folder));
  temp_.Write("EDITOR/lstedit.exe", "");
  EXPECT_EQ(FindListEditor(folder), temp_.Path() / "EDITOR" / "lstedit.exe");
  temp_.Write("LSTEDIT.EXE", "");
  EXPECT_EQ(FindListEditor(folder), temp_.Path() / "LSTEDIT.EXE");
}

TEST_F(InstrumentListsTest, TheEditorStartsWithTheListAndOnYesTheListIsReloaded) {
  Settings settings;
  fs::path list = WriteList("gs.vxi", 20, "#1");
  settings.Patch = list.string();
  lists_.Load(settings);
  ASSERT_EQ(lists_.Selected(), 17);
  WriteList("gs.vxi", 5, "#1");  // the editor changed the file

  host::RecordingProgramLauncher launcher;
  host::RecordingDialogs dialogs;
  dialogs.QueueAnswer(false);
  dialogs.QueueAnswer(true);
  EXPECT_TRUE(RunListEditor("/opt/LSTEDIT.EXE", settings, lists_, launcher, dialogs));
  EXPECT_EQ(lists_.Entries().size(), 21u) << "No leaves the list";
  EXPECT_TRUE(RunListEditor("/opt/LSTEDIT.EXE", settings, lists_, launcher, dialogs));
  EXPECT_EQ(lists_.Entries().size(), 6u);
  EXPECT_EQ(lists_.Selected(), 0);
  EXPECT_EQ(lists_.SecondSelected(), 0);
  EXPECT_EQ(lists_.PadEntries().size(), 21u) << "the pad list is not reloaded";

  ASSERT_EQ(launcher.Calls().size(), 2u);
  EXPECT_EQ(launcher.Calls()[0].Program, "/opt/LSTEDIT.EXE");
  EXPECT_EQ(launcher.Calls()[0].Arguments, std::vector<std::string>{list.string()});
  ASSERT_EQ(dialogs.Questions().size(), 2u);
  EXPECT_EQ(
      dialogs.Questions()[0],
      "PLEASE SWITCH AT FIRST TO THE INSTRUMENTLIST EDITOR !\n\r\n\rReload instrument list gs.vxi ONLY\n\r"
      "after it has been processed with that program !\n\r\n\rReload instrument list gs.vxi now ?");
}

TEST_F(InstrumentListsTest, NothingIsAskedWhenTheEditorDoesNotStartOrNoListIsInUse) {
  host::RecordingProgramLauncher launcher;
  host::RecordingDialogs dialogs;
  Settings settings;
  settings.Patch = WriteList("gs.vxi", 2, "#1").string();
  launcher.SetResult(false);
  EXPECT_FALSE(RunListEditor("/opt/LSTEDIT.EXE", settings, lists_, launcher, dialogs));
  launcher.SetResult(true);
  settings.Patch.clear();
  EXPECT_TRUE(RunListEditor("/opt/LSTEDIT.EXE", settings, lists_, launcher, dialogs));
  EXPECT_TRUE(launcher.Calls().back().Arguments.empty());
  EXPECT_TRUE(dialogs.Entries().empty());
}

TEST(PosixProgramLauncherTest, ArgumentsArriveWholeAndAMissingProgramReportsFailure) {
  TempFolder temp;
  host::PosixProgramLauncher launcher;
  fs::path out = temp.Path() / "out.txt";
  ASSERT_TRUE(launcher.Start(
      "/bin/sh", {"-c", "printf '%s' \"$1\" > \"$2\"", "sh", "a list; with spaces", out.string()}));
  for (int i = 0; i < 500 && ReadText(out).empty(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(ReadText(out), "a list; with spaces");
  EXPECT_FALSE(launcher.Start(temp.Path() / "no-such-editor", {}));
}

}  // namespace
}  // namespace kalo::config
