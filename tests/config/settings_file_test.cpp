#include "config/settings_file.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <sstream>
#include <tuple>

#include "config/settings_keys.h"
#include "host/dialogs.h"
#include "host/file_store.h"
#include "temp_folder.h"

namespace kalo::config {
namespace {

namespace fs = std::filesystem;
using testing::ReadText;
using testing::TempFolder;

SettingsEnvironment WritableEnvironment(bool writable = true) {
  SettingsEnvironment environment;
  environment.FolderWritable = [writable](const fs::path&) { return writable; };
  return environment;
}

class SettingsFileTest : public ::testing::Test {
 protected:
  host::ProgramFolder Folder() const { return host::ProgramFolder(temp_.Path(), "kalo"); }
  fs::path IniPath() const { return temp_.Path() / "kalo.ini"; }
  SettingsFile File(bool writable = true) const {
    return SettingsFile(Folder(), WritableEnvironment(writable));
  }
  SettingsReadResult ReadWith(const std::string& contents) {
    temp_.Write("kalo.ini", contents);
    SettingsFile file = File();
    return file.Read();
  }
  // The table defaults as they stand after reading a file that holds no key.
  Settings TableDefaults() const {
    Settings s;
    s.Picture = (temp_.Path() / "kalo.bmp").string();
    s.Dir = (temp_.Path() / "SONGS").string();
    s.StyleDir = (temp_.Path() / "STYLES").string();
    return s;
  }

  TempFolder temp_;
};

TEST_F(SettingsFileTest, AMissingFileGivesAFactoryStartAndWritesNothingOnReading) {
  SettingsFile file = File();
  SettingsReadResult result = file.Read();
  EXPECT_TRUE(result.FirstStart);
  EXPECT_FALSE(fs::exists(IniPath()));
  const Settings& s = result.Values;
  // Eb, C#, "4/4", "English (USA)"
  EXPECT_EQ(std::tuple(s.ToAdv, s.ToBasic, s.Metrum, s.KLayout, static_cast<uint32_t>(s.Color), s.PicVis,
                       s.Portable),
            std::tuple(3, 1, 2, 1, 0x80000001u, true, false));
  EXPECT_EQ(std::tuple(s.Picture, s.Dir, s.StyleDir),
            std::tuple(TableDefaults().Picture, TableDefaults().Dir, TableDefaults().StyleDir));
}

TEST_F(SettingsFileTest, ControlKeysAreFillIn36ToBasic37Ending38ToExtended39WithTheIntroOneBelowTheLowest) {
  const ControlKeyNotes keys = ComputeControlKeyNotes(FactorySettings(Folder()));
  EXPECT_EQ(std::tuple(keys.FillIn, keys.ToBasic, keys.Ending, keys.ToExtended, keys.Intro, keys.SectionFirst,
                       keys.SectionLast),
            std::tuple(36, 37, 38, 39, 35, 40, 59));
  Settings s;
  s.OctFillin = s.OctEnding = s.OctToBasic = 5;
  s.ToAdv = 7;
  s.OctToAdv = 2;  // G in octave choice 2 = note 31, below the others
  EXPECT_EQ(ComputeControlKeyNotes(s).Intro, 30);
}

TEST_F(SettingsFileTest, TheMarkerFileTurnsPortableModeOnAtAFirstStart) {
  temp_.Write(kPortableMarkerName, "");
  SettingsFile file = File();
  EXPECT_TRUE(file.Read().Values.Portable);
}

TEST_F(SettingsFileTest, AFileWithOnlyTempo3KeepsEveryOtherTableDefault) {
  SettingsReadResult result = ReadWith("[Options]\r\nTempo3=100\r\n");
  Settings expected = TableDefaults();
  expected.Tempo3 = 100;
  EXPECT_FALSE(result.FirstStart);
  EXPECT_TRUE(result.RejectedKeys.empty());
  EXPECT_EQ(result.Values, expected);
}

TEST_F(SettingsFileTest, ResetStartsLikeAFirstStartAndTheNextWriteHoldsResetZero) {
  SettingsFile file = File();
  temp_.Write("kalo.ini", "[Options]\nReset=1\nTempo3=100\nMIDI-OUT=4\n");
  SettingsReadResult result = file.Read();
  EXPECT_TRUE(result.FirstStart);
  EXPECT_FALSE(result.Values.Reset);
  EXPECT_EQ(result.Values.Tempo3, 120);
  EXPECT_EQ(result.Values.MidiOut, 0);
  ASSERT_EQ(file.Write(result.Values), SettingsWriteResult::Written);
  std::string text = ReadText(IniPath());
  EXPECT_NE(text.find("Reset=0\n"), std::string::npos) << text;
  EXPECT_EQ(text.find("Reset=1"), std::string::npos) << text;
}

TEST_F(SettingsFileTest, TheResetQuestionOnYesSetsTheFlagWhichIsWrittenAsOneEvenWithoutAutoSave) {
  host::RecordingDialogs dialogs;
  dialogs.QueueAnswer(false);
  dialogs.QueueAnswer(true);
  Settings s;
  s.Autoload = false;
  EXPECT_FALSE(AskReset(dialogs, s));
  EXPECT_FALSE(s.Reset);
  EXPECT_TRUE(AskReset(dialogs, s));
  ASSERT_EQ(dialogs.Questions().size(), 2u);
  EXPECT_EQ(dialogs.Questions()[0],
            "Would you really quit KALO in order to \n\rrestart it with its original start values ?");

  SettingsFile file = File();
  file.Read();
  ASSERT_EQ(file.Write(s), SettingsWriteResult::Written);
  EXPECT_EQ(file.Read().FirstStart, true);
}

TEST_F(SettingsFileTest, PortableModeIgnoresDeviceKeysAndRepairsPathsIntoTheProgramFolder) {
  fs::path list = temp_.Write("gs.vxi", "001 000 000 Piano\n");
  std::ostringstream ini;
  ini << "[Options]\nPortable=1\nMIDI-OUT=5\nMIDI-IN=6\nMIDISUB-OUT=1\nMIDISUB-IN=1\nMCI-OUT=3\n"
      << "Picture=Z:\\pictures\\gone.bmp\nPatch=Z:\\lists\\gone.vxi\n"
      << "Dir=/elsewhere/songs\nStyleDir=/elsewhere/styles\nTempo1=70\n";
  SettingsReadResult result = ReadWith(ini.str());
  Settings expected = TableDefaults();  // the device keys and the paths as at a first start
  expected.Portable = true;
  expected.Tempo1 = 70;
  EXPECT_EQ(result.Values, expected);

  // A list that does exist is kept.
  EXPECT_EQ(ReadWith("[Options]\nPortable=1\nPatch=" + list.string() + "\n").Values.Patch, list.string());
}

TEST_F(SettingsFileTest, OutsidePortableModeDeviceKeysAndMissingPathsAreKept) {
  const Settings s =
      ReadWith("[Options]\nMIDI-OUT=5\nMCI-OUT=2\nPicture=/gone.bmp\nPatch=/gone.vxi\nDir=/songs\n").Values;
  EXPECT_EQ(std::tuple(s.MidiOut, s.MciOut, s.Picture, s.Patch, s.Dir),
            std::tuple(5, 2, "/gone.bmp", "/gone.vxi", "/songs"));
}

// Every key set to a value other than its default, within its range.
Settings EveryKeyChanged() {
  Settings s;
  for (const SettingsKey& key : SettingsKeys()) {
    switch (key.Type) {
      case KeyType::Integer:
        s.*key.Int = s.*key.Int != key.Range.Min ? key.Range.Min : key.Range.Max;
        break;
      case KeyType::Boolean:
        s.*key.Bool = !(s.*key.Bool);
        break;
      case KeyType::String:
        s.*key.Text = std::string("value of ") + key.Name + " \\ with = and ;";
        break;
    }
  }
  s.Reset = false;     // would make the next read a factory start
  s.Portable = false;  // would hide the device keys
  s.Autoload = true;   // needed to write at all
  return s;
}

TEST_F(SettingsFileTest, EveryKeySurvivesAWriteAndReadInTableOrder) {
  Settings written = EveryKeyChanged();
  SettingsFile file = File();
  file.Read();
  ASSERT_EQ(file.Write(written), SettingsWriteResult::Written);
  SettingsReadResult result = file.Read();
  EXPECT_TRUE(result.RejectedKeys.empty());
  EXPECT_EQ(result.Values, written);

  std::istringstream lines(ReadText(IniPath()));
  std::string line;
  std::getline(lines, line);
  EXPECT_EQ(line, "[Options]");
  for (const SettingsKey& key : SettingsKeys()) {
    ASSERT_TRUE(std::getline(lines, line));
    EXPECT_EQ(line, std::string(key.Name) + "=" + FormatSettingsValue(written, key));
  }
}

// A file as a player keeps it: a comment, blank lines, keys of others, a second section, Windows
// line ends, a key twice (the first counts), and every key of the program but the last.
std::string PlayersFile(const Settings& values) {
  std::string text = "; KALO settings\r\n\r\n[options]\r\n";
  for (const SettingsKey& key : SettingsKeys().first(SettingsKeys().size() - 1)) {
    const std::string name = key.Name;
    text += (name == "Tempo1" ? "tempo1 = " : name + "=") + FormatSettingsValue(values, key) + "\r\n";
    if (name == "Tempo1") text += "Tempo1=33\r\n# a comment\r\nSomeoneElse=7\r\nno equals sign\r\n\r\n";
  }
  return text + "\r\n[Style-Creator]\r\nMode=2\r\n";
}

TEST_F(SettingsFileTest, ASaveChangesValuesInPlaceAddsMissingKeysAndKeepsEveryOtherByte) {
  Settings before = TableDefaults();
  before.Tempo1 = 80;
  const std::string original = PlayersFile(before);
  temp_.Write("kalo.ini", original);
  SettingsFile file = File();
  Settings s = file.Read().Values;
  EXPECT_EQ(s, before);
  s.Tempo1 = 90;
  ASSERT_EQ(file.Write(s), SettingsWriteResult::Written);
  std::string expected = original;
  expected.replace(expected.find("tempo1 = 80"), 11, "tempo1 = 90");
  const SettingsKey& last = SettingsKeys().back();
  expected.insert(expected.find("\r\n[Style-Creator]"),
                  std::string(last.Name) + "=" + FormatSettingsValue(s, last) + "\r\n");
  EXPECT_EQ(ReadText(IniPath()), expected);
}

// What the Windows profile functions read from files written on Windows, and written back the same.
TEST_F(SettingsFileTest, ValuesReadAsTheProfileFunctionsReadThem) {
  const struct {
    std::string Contents;
    int Tempo3;
    bool Pad;
    std::string Connection;
    std::string Outside = "";  // what the player is told of keys outside any section
  } rows[] = {
      {"[Options]\nPAD=2\nTempo3=100", 100, true, ""},  // a Boolean is true for any number but 0
      {"[Options]\nTempo3=100\nPAD=0\n[Options]\nTempo3=110\nPAD=1\n", 100, false, ""},
      {"[Options]\n[x]\nTempo3=50\n[Options]\nTempo3=110\nPAD=0\n", 110, false, ""},
      {"[Options]\nConnection=\"  a = b \"\nTempo3=\"100\"\nPAD=\"0\"", 100, false, "  a = b "},
      {"[Options]\nConnection=\"abc\nTempo3=100\nPAD=-1", 100, true, "\"abc"},
      {"PAD=0\n Tempo3 = 90\n[Options]\nTempo3=100", 100, true, "",
       "PAD and Tempo3 stand outside any section and are not read; settings belong under [Options]"},
  };
  for (const auto& row : rows) {
    temp_.Write("kalo.ini", row.Contents);
    SettingsFile file = File();
    const SettingsReadResult result = file.Read();
    EXPECT_TRUE(result.RejectedKeys.empty()) << row.Contents;
    EXPECT_EQ(result.Values.Tempo3, row.Tempo3) << row.Contents;
    EXPECT_EQ(result.Values.Pad, row.Pad) << row.Contents;
    EXPECT_EQ(result.Values.Connection, row.Connection) << row.Contents;
    EXPECT_EQ(KeysOutsideSectionsText(result.KeysOutsideSections), row.Outside) << row.Contents;
    ASSERT_EQ(file.Write(result.Values), SettingsWriteResult::Written) << row.Contents;
    EXPECT_EQ(file.Read().Values, result.Values) << row.Contents;
  }
}

std::string Utf16Le(const std::string& ascii) {
  std::string out = "\xFF\xFE";
  for (char c : ascii) out += std::string{c, '\0'};
  return out;
}

TEST_F(SettingsFileTest, AUtf16FileIsReadAndStaysUtf16AndADamagedFileIsNeverOverwritten) {
  const std::string utf16 = Utf16Le("; saved by Notepad\r\n[Options]\r\nTempo3=100\r\n");
  const struct {
    const char* What;
    std::string Contents;
    bool Readable;
  } rows[] = {{"UTF-16 with its mark", utf16, true},
              {"UTF-16 cut in a character", utf16 + "x", false},
              {"UTF-16 without its mark", utf16.substr(2), false},
              {"no key, section or comment", "\x01\x02\x03 damaged\n\xFF\xFE\xFD\n", false}};
  for (const auto& row : rows) {
    temp_.Write("kalo.ini", row.Contents);
    SettingsFile file = File();
    SettingsReadResult result = file.Read();
    EXPECT_EQ(result.Values.Tempo3, row.Readable ? 100 : 120) << row.What;
    EXPECT_EQ(result.Problem.find(host::PrintableName(IniPath())) != std::string::npos, !row.Readable)
        << row.What;
    result.Values.Tempo3 = 130;
    EXPECT_EQ(file.Write(result.Values),
              row.Readable ? SettingsWriteResult::Written : SettingsWriteResult::NotOpened)
        << row.What;
    const std::string saved =
        row.Readable ? Utf16Le("; saved by Notepad\r\n[Options]\r\nTempo3=130\r\n") : row.Contents;
    const std::string text = ReadText(IniPath());
    EXPECT_EQ(row.Readable ? text.substr(0, saved.size()) : text, saved) << row.What;
  }
}

TEST_F(SettingsFileTest, ATextWithALineBreakCannotInjectAKey) {
  SettingsFile file = File();
  file.Read();
  Settings s;
  s.Connection = "host\nReset=1";
  ASSERT_EQ(file.Write(s), SettingsWriteResult::Written);
  SettingsReadResult result = file.Read();
  EXPECT_FALSE(result.FirstStart);
  EXPECT_EQ(result.Values.Connection, "host Reset=1");
}

TEST_F(SettingsFileTest, UnusableValuesTakeTheirDefaultsAndTheNextWriteIsClean) {
  const struct {
    std::string Contents;
    std::vector<std::string> Rejected;
    int Tempo1;
  } cases[] = {
      {"[Options]\nTempo1=80\nQuantize=10\nMetrum=-1\nFillIn=12\nOct_LastKey=10\nK_Layout=2\nAccChannel=17\n"
       "PatchMode=3\nTempo2=9999999999999\nVelOffset=21\nSync=0\n",
       {"FillIn", "Oct_LastKey", "Quantize", "Metrum", "K_Layout", "AccChannel", "PatchMode", "Tempo2",
        "VelOffset", "Sync"},
       80},
      {"[Options]\nTempo1=fast\nMIDI-OUT=0x10\nVolOffset=\nSCG=yes\n",
       {"MIDI-OUT", "Tempo1", "VolOffset", "SCG"},
       60},
      {"[Options]\nTempo1=80\nTempo2=1", {"Tempo2"}, 80},             // cut off
      {"[Options]\nTempo1=75\nTem", {}, 75},                          // cut off inside a name
      {"[Options]\nP-Name=ab\x01\x02\nTempo1=99\n", {"P-Name"}, 99},  // control characters in a text
      {std::string("[Options]\n\0\0\0\nTempo1=90\n", 24), {}, 90},    // NUL bytes before good lines
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Contents);
    SettingsFile file = File();
    temp_.Write("kalo.ini", c.Contents);
    SettingsReadResult result = file.Read();
    EXPECT_FALSE(result.FirstStart);
    EXPECT_EQ(result.RejectedKeys, c.Rejected);
    EXPECT_EQ(result.Values.Tempo1, c.Tempo1);
    for (const std::string& name : c.Rejected) {
      const SettingsKey* key = FindSettingsKey(name);
      ASSERT_NE(key, nullptr);
      EXPECT_EQ(FormatSettingsValue(result.Values, *key), FormatSettingsValue(TableDefaults(), *key)) << name;
    }
    ASSERT_EQ(file.Write(result.Values), SettingsWriteResult::Written);
    SettingsReadResult again = file.Read();
    EXPECT_TRUE(again.RejectedKeys.empty());
    EXPECT_EQ(again.Values, result.Values);
  }
}

TEST_F(SettingsFileTest, ASymbolicLinkStaysALinkAndItsTargetIsWritten) {
  fs::path real = temp_.Write("dotfiles/kalo.ini", "[Options]\nTempo3=100\n");
  fs::create_symlink(real, IniPath());
  SettingsFile file = File();
  Settings s = file.Read().Values;
  EXPECT_EQ(s.Tempo3, 100);
  s.Tempo3 = 130;
  ASSERT_EQ(file.Write(s), SettingsWriteResult::Written);
  EXPECT_TRUE(fs::is_symlink(IniPath()));
  EXPECT_NE(ReadText(real).find("Tempo3=130"), std::string::npos);
}

// A write that cannot or may not happen reports why and leaves whatever stands at the file's place.
struct RefusedWriteCase {
  const char* What;
  std::optional<std::string> Contents;  // the file before; nullopt: none
  fs::file_type InItsPlace;             // what stands where the file should be
  bool ReadOnlyFile;
  bool LocationWritable;
  bool ReadFirst;
  bool AutoSave;
  SettingsWriteResult Expected;
};

TEST(SettingsWriteTest, ARefusedWriteReportsWhyAndLeavesTheFileAsItWas) {
  const std::string text = "[Options]\nAutoload=1\nTempo3=100\n";
  using enum fs::file_type;
  const RefusedWriteCase cases[] = {
      {"read-only location", text, regular, false, false, true, true, SettingsWriteResult::NotWritable},
      {"read-only file", text, regular, true, true, true, true, SettingsWriteResult::NotWritable},
      {"auto-save unticked", text, regular, false, true, true, false, SettingsWriteResult::AutoSaveOff},
      {"a folder where the file should be", std::nullopt, directory, false, true, true, true,
       SettingsWriteResult::NotOpened},
      {"a FIFO where the file should be", std::nullopt, fifo, false, true, true, true,
       SettingsWriteResult::NotOpened},
      {"not read before", std::nullopt, not_found, false, true, false, true, SettingsWriteResult::NotOpened},
  };
  for (const RefusedWriteCase& c : cases) {
    TempFolder temp;
    const fs::path ini = temp.Path() / "kalo.ini";
    if (c.Contents) temp.Write("kalo.ini", *c.Contents);
    if (c.InItsPlace == directory) fs::create_directories(ini);
    if (c.InItsPlace == fifo) {
      ASSERT_EQ(::mkfifo(ini.c_str(), 0600), 0);
    }
    if (c.ReadOnlyFile)
      fs::permissions(ini, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    SettingsFile file(host::ProgramFolder(temp.Path(), "kalo"), ini, WritableEnvironment(c.LocationWritable));
    Settings values;
    if (c.ReadFirst) {
      SettingsReadResult read = file.Read();
      EXPECT_EQ(read.Problem.empty(), c.InItsPlace == regular || c.InItsPlace == not_found) << c.What;
      values = read.Values;
    }
    values.Autoload = c.AutoSave;
    values.Tempo3 = 130;
    EXPECT_EQ(file.Write(values), c.Expected) << c.What;
    if (c.Contents) {
      EXPECT_EQ(ReadText(ini), *c.Contents) << c.What;
    }
    EXPECT_EQ(fs::status(ini).type(), c.InItsPlace) << c.What;
    EXPECT_EQ(std::distance(fs::directory_iterator(temp.Path()), {}), c.InItsPlace == not_found ? 0 : 1)
        << c.What;
  }
}

// Where the file lives, relative to the temporary folder ("prog/" is the program folder), by whether
// the program folder is writable, the marker file, the file there, and the environment.
TEST(SettingsLocationTest, TheFileLivesWherePortableModeAndWritabilityAllow) {
  const struct {
    bool ProgramFolderWritable;
    bool Marker;
    std::string ProgramFile;
    std::optional<std::string> XdgConfigHome;
    std::string Expected;
    bool Installed = false;  // the shipped folders in share/kalo
  } cases[] = {
      {true, false, "", "xdg", "prog/kalo.ini"},
      {true, false, "", "xdg", "xdg/kalo/kalo.ini", true},  // never beside an installed program
      {false, false, "", "xdg", "xdg/kalo/kalo.ini"},
      {false, false, "", std::nullopt, "home/.config/kalo/kalo.ini"},
      {false, true, "", "xdg", "prog/kalo.ini"},                          // portable by the marker
      {false, false, "[Options]\nPortable=1\n", "xdg", "prog/kalo.ini"},  // portable by the key
      {false, false, "[Options]\nReset=1\nPortable=1\n", "xdg", "xdg/kalo/kalo.ini"},  // unless reset
  };
  for (const auto& c : cases) {
    TempFolder temp;
    fs::path program = temp.Path() / "prog";
    fs::create_directories(program);
    if (c.Marker) temp.Write("prog/Portable KALO.txt", "");
    if (!c.ProgramFile.empty()) temp.Write("prog/kalo.ini", c.ProgramFile);
    SettingsEnvironment environment;
    environment.FolderWritable = [&](const fs::path& folder) {
      return folder != program || c.ProgramFolderWritable;
    };
    if (c.XdgConfigHome) environment.XdgConfigHome = temp.Path() / *c.XdgConfigHome;
    environment.Home = temp.Path() / "home";
    SettingsFile file(host::ProgramFolder(program, "kalo", c.Installed ? temp.Path() / "share/kalo" : ""),
                      environment);
    EXPECT_EQ(file.Path(), temp.Path() / c.Expected);
    // Whatever the location, a write lands there (or, in a read-only program folder, nowhere).
    file.Read();
    const bool inProgramFolder = c.Expected.starts_with("prog/");
    EXPECT_EQ(file.Write(Settings{}), inProgramFolder && !c.ProgramFolderWritable
                                          ? SettingsWriteResult::NotWritable
                                          : SettingsWriteResult::Written)
        << c.Expected;
  }
}

TEST(QuantizeChoiceTest, TheChoiceGivesChordStepAndBeatMode) {
  struct Row {
    int Index;
    int Step;
    BeatMode Mode;
    int TicksPerBeat;
  };
  const Row rows[] = {{0, 1, BeatMode::Quarter, 24},  {3, 4, BeatMode::Quarter, 24},
                      {4, 6, BeatMode::Quarter, 24},  {5, 1, BeatMode::Eighth, 12},
                      {7, 3, BeatMode::Eighth, 12},   {9, 6, BeatMode::Eighth, 12},
                      {10, 1, BeatMode::Quarter, 24}, {-1, 1, BeatMode::Quarter, 24}};
  for (const Row& row : rows) {
    Quantization q = QuantizeChoice(row.Index);
    EXPECT_EQ(q.ChordStepBeats, row.Step) << row.Index;
    EXPECT_EQ(q.Mode, row.Mode) << row.Index;
    EXPECT_EQ(q.Constants().TicksPerBeat, row.TicksPerBeat) << row.Index;
    EXPECT_EQ(q.Constants().Mode, row.Mode) << row.Index;
  }
}

TEST(QuantizeChoiceTest, EighthModeDoublesANegativeRecordStartAndColoursTheMetrum) {
  using enum BeatMode;
  EXPECT_EQ(RecordStartMeasureAfterModeChange(-2, Quarter, Eighth), -4);
  EXPECT_EQ(RecordStartMeasureAfterModeChange(-4, Eighth, Quarter), -2);
  EXPECT_EQ(RecordStartMeasureAfterModeChange(-3, Eighth, Quarter), -1);
  EXPECT_EQ(RecordStartMeasureAfterModeChange(-2, Quarter, Quarter), -2);
  EXPECT_EQ(RecordStartMeasureAfterModeChange(3, Quarter, Eighth), 3);
  EXPECT_EQ(MetrumTextColour(Eighth), 128u);
  EXPECT_EQ(MetrumTextColour(Quarter), 0u);
}

}  // namespace
}  // namespace kalo::config
