#include "song/song_files.h"

#include <gtest/gtest.h>

#include <fstream>
#include <optional>

#include "config/temp_folder.h"
#include "host/file_store.h"
#include "song/arrangement_bytes.h"
#include "song/arrangement_file.h"

namespace kalo::song {
namespace {

using testing::FileBytes;

struct FakeHost : SongFileHost {
  void StopTransport() override { ++Stops; }
  int Tempo() const override { return CurrentTempo; }
  void SetTempo(int bpm) override { CurrentTempo = bpm; }
  bool EighthNoteStyle() const override { return Eighths; }
  void SetMetrum(int index) override { Metrum = index; }
  uint8_t MelodyProgram() const override { return Program; }
  void SendMelodyProgram(uint8_t program) override { SentProgram = program; }
  void LoadStyleByName(const std::string& path) override { LoadedStyle = path; }
  std::string CurrentStylePath() const override { return StylePath; }
  void SetCaption(const std::string& caption) override { Caption = caption; }

  int Stops = 0;
  int CurrentTempo = 100;
  bool Eighths = false;
  std::optional<int> Metrum;
  uint8_t Program = 0;
  std::optional<uint8_t> SentProgram;
  std::optional<std::string> LoadedStyle;
  std::string StylePath;
  std::string Caption;
};

struct Bench {
  config::testing::TempFolder Folder;
  Song TheSong;
  host::RecordingDialogs Dialogs;
  FakeHost Host;
  config::Settings Settings;
  config::Options Options;
  SongFiles Files{TheSong, Dialogs, Host, host::ProgramFolder(Folder.Path()), Settings, Options};

  std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) {
    return Folder.Write(name, std::string(bytes.begin(), bytes.end())).string();
  }
};

// A song of five 4/4 measures with the given header, in the given layout.
std::vector<uint8_t> SongFile(int markerA, bool styleBlock, std::vector<uint8_t> header) {
  FileBytes file;
  if (markerA == 254) {
    file.U8(254);
  } else {
    if (markerA == 255) file.U8(255).I32(8).Event(0, 0x90, 60, 90, 1);
    file.U8(253).I32(0).Fill(120);
    if (styleBlock) file.StyleBlock("/old/pc/STYLES/pop.vxs");
  }
  std::vector<std::vector<uint8_t>> records(21, std::vector<uint8_t>{48, 1, 0, 0});
  records.back() = {0, 0, 255, 0};
  return file.Chords(std::move(header), records).Bytes;
}

TEST(SongFiles, HeaderValuesAfterLoadingFollowTheLayout) {
  struct Case {
    const char* Name;
    int MarkerA;
    bool StyleBlock;
    bool Autoload;
    std::vector<uint8_t> Header;
    int Tempo;
    std::optional<int> Metrum;
    int MeasureLength;
    std::optional<uint8_t> Program;
    bool StyleLoaded;
    int FromMeasure;
    int ToMeasure;
  };
  const Case cases[] = {
      {"style block keeps the measure length", 255, true, true, {0, 96, 12, 25}, 96, {}, 16, 25, true, 1, 5},
      {"no style block takes it", 255, false, true, {9, 140, 12, 30}, 140, 3, 12, 30, false, 1, 7},
      {"start measure 3", 0, false, true, {3, 120, 16, 30}, 120, 2, 16, {}, false, 3, 5},
      {"unusable values keep the current ones", 0, false, true, {0, 0, 7, 200}, 100, {}, 16, {}, false, 1, 5},
      {"autoload off", 255, true, false, {1, 90, 16, 128}, 90, {}, 16, {}, false, 1, 5},
      {"oldest layout", 254, false, true, {5, 60, 12, 3}, 100, {}, 16, {}, false, 1, 5},
  };
  for (const Case& c : cases) {
    Bench bench;
    bench.Options.LoadSongAndStyleTogether = c.Autoload;
    const std::string path = bench.Write("SONGS/moon.vxa", SongFile(c.MarkerA, c.StyleBlock, c.Header));
    EXPECT_EQ(bench.Files.LoadFile(path), SongLoad::Loaded) << c.Name;
    EXPECT_EQ(bench.Host.CurrentTempo, c.Tempo) << c.Name;
    EXPECT_EQ(bench.Host.Metrum, c.Metrum) << c.Name;
    EXPECT_EQ(bench.TheSong.Range.MeasureLength(), c.MeasureLength) << c.Name;
    EXPECT_EQ(bench.Host.SentProgram, c.Program) << c.Name;
    EXPECT_EQ(bench.Host.LoadedStyle.has_value(), c.StyleLoaded) << c.Name;
    EXPECT_EQ(bench.TheSong.Range.FromMeasure(), c.FromMeasure) << c.Name;
    EXPECT_EQ(bench.TheSong.Range.ToMeasure(), c.ToMeasure) << c.Name;
    EXPECT_EQ(bench.Host.Caption, "KALO - MOON") << c.Name;
    EXPECT_EQ(bench.Settings.Dir, (bench.Folder.Path() / "SONGS").string()) << c.Name;
    EXPECT_EQ(bench.TheSong.Chords.Length, 88) << c.Name;
  }
}

TEST(SongFiles, AStyleComesWithTheSongByItsStoredPath) {
  Bench bench;
  bench.Files.LoadFile(bench.Write("a.vxa", SongFile(255, true, {0, 96, 16, 0})));
  EXPECT_EQ(bench.Host.LoadedStyle, "/old/pc/STYLES/pop.vxs");
}

TEST(SongFiles, OpenAsksOverASongAndLoadsOnlyArrangements) {
  Bench bench;
  bench.TheSong.Chords.Length = 20;
  const std::string path = bench.Write("b.vxa", SongFile(255, false, {0, 96, 16, 0}));
  bench.Dialogs.QueueAnswer(false);
  EXPECT_EQ(bench.Files.Open(false), SongLoad::Refused);
  EXPECT_EQ(bench.TheSong.Chords.Length, 20);
  EXPECT_EQ(bench.Dialogs.Questions(), std::vector<std::string>{kReplaceChordsAndMelodyQuestion});

  bench.Dialogs.QueueFile(bench.Write("c.txt", {1, 2, 3}));
  EXPECT_EQ(bench.Files.Open(true), SongLoad::Cancelled)
      << "F11 asks nothing; a wrong extension loads nothing";
  EXPECT_EQ(bench.Dialogs.LastFileChoice().InitialName, "*.VXA");
  EXPECT_EQ(bench.TheSong.Chords.Length, 20);

  bench.Dialogs.QueueFile(path);
  EXPECT_EQ(bench.Files.Open(true), SongLoad::Loaded);
  EXPECT_EQ(bench.Files.CurrentFile(), path);
  EXPECT_EQ(bench.TheSong.Melody.Count(), 1);
  EXPECT_EQ(bench.Host.Stops, 3);
}

TEST(SongFiles, SavingWritesTheSongWithItsHeaderAndLoadingGivesItBack) {
  Bench bench;
  host::RecordingDialogs& dialogs = bench.Dialogs;
  EXPECT_FALSE(bench.Files.SaveTo((bench.Folder.Path() / "empty.vxa").string()));
  EXPECT_EQ(dialogs.Messages(), std::vector<std::string>{kChordmemoryEmptyMessage});
  EXPECT_FALSE(std::filesystem::exists(bench.Folder.Path() / "empty.vxa"));

  Song& song = bench.TheSong;
  song.Chords.Write(4, {50, 2, 0, 0});
  song.Chords.Write(20, {0, 0, 255, 0});
  song.Chords.Length = 36;
  song.SetMeasureLength(16);
  song.Range.SetFromMeasure(2);
  song.Melody.Load(std::vector<MelodyEvent>{{5, 0x90, 70, 80, 1}});
  song.Memo.Title = "Tune";
  bench.Host.CurrentTempo = 144;
  bench.Host.Program = 52;
  bench.Host.StylePath = "/x/STYLES/waltz.vxs";
  ASSERT_TRUE(bench.Files.SaveTo((bench.Folder.Path() / "tune").string()));
  const auto bytes = host::ReadFilePrefix(bench.Folder.Path() / "tune.vxa", kMaxArrangementFileBytes);
  ASSERT_TRUE(bytes);
  const ParsedArrangement parsed = ParseArrangementFile(*bytes);
  EXPECT_EQ(parsed.Chords.Header(), (ChordmemoryHeader{2, 144, 16, 52}));
  EXPECT_EQ(parsed.StylePath, "/x/STYLES/waltz.vxs");

  Bench other;
  other.Files.LoadFile((bench.Folder.Path() / "tune.vxa").string());
  EXPECT_EQ(other.TheSong.Chords, song.Chords);
  EXPECT_EQ(other.TheSong.Memo, song.Memo);
  EXPECT_EQ(other.TheSong.Melody.Count(), 1);
  EXPECT_EQ(other.TheSong.Range.FromMeasure(), 2);
  EXPECT_EQ(other.Host.CurrentTempo, 144);
  EXPECT_EQ(other.Host.SentProgram, 52);
}

TEST(SongFiles, AnOversizedMelodyBlockDoesNotHideTheChordsBehindIt) {
  Bench bench;
  FileBytes file;
  file.U8(255).I32(48000).Fill(48000, 0x90).U8(253).I32(0).Fill(120);
  const std::vector<uint8_t> song = SongFile(0, false, {0, 96, 16, 0});
  file.Bytes.insert(file.Bytes.end(), song.begin() + 125, song.end());
  ASSERT_GT(file.Bytes.size(), kMaxArrangementFileBytes);
  EXPECT_EQ(bench.Files.LoadFile(bench.Write("big.vxa", file.Bytes)), SongLoad::Loaded);
  EXPECT_EQ(bench.TheSong.Melody.Count(), kMelodyCapacity);
  EXPECT_EQ(bench.TheSong.Chords.Length, 88);
}

TEST(SongFiles, TheDemoSongLoadsWithoutQuestionsAndIsNoErrorWhenMissing) {
  Bench bench;
  EXPECT_EQ(bench.Files.LoadDemoSong(), SongLoad::Unreadable);
  EXPECT_TRUE(bench.Dialogs.Entries().empty());
  bench.TheSong.Chords.Length = 40;
  bench.Options.MelodyAdLib = true;
  bench.Write("SONGS/demo3.vxa", SongFile(255, false, {0, 96, 16, 0}));
  EXPECT_EQ(bench.Files.LoadDemoSong(), SongLoad::Loaded);
  EXPECT_TRUE(bench.Dialogs.Entries().empty());
  EXPECT_EQ(bench.TheSong.Chords.Length, 88);
  EXPECT_EQ(bench.TheSong.Range.RecordStartMeasure(), -4) << "Melody Ad Lib starts with a lead-in";
}

}  // namespace
}  // namespace kalo::song
