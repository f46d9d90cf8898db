#include "song/song_files.h"

#include <gtest/gtest.h>

#include <optional>

#include "config/temp_folder.h"
#include "song/arrangement_bytes.h"
#include "song/arrangement_file.h"

namespace kalo::song {
namespace {

using testing::FileBytes;

struct FakeHost : SongFileHost {
  void StopTransport() override { ++Stops; }
  int Tempo() const override { return CurrentTempo; }
  void SetTempo(int bpm) override { CurrentTempo = bpm; }
  bool EighthNoteStyle() const override { return false; }
  void SetMetrum(int index) override { Metrum = index; }
  uint8_t MelodyProgram() const override { return Program; }
  void SendMelodyProgram(uint8_t program) override { SentProgram = program; }
  void LoadStyleByName(const std::string& path) override {
    LoadedStyle = path;
    StylePath = "/found/" + path;  // where the look-up found it
  }
  std::string CurrentStylePath() const override { return StylePath; }
  void SetCaption(const std::string& caption) override { Caption = caption; }

  int Stops = 0, CurrentTempo = 100, Metrum = -1, SentProgram = -1;
  uint8_t Program = 52;
  std::string LoadedStyle, Caption, StylePath = "/x/STYLES/waltz.vxs";
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

// Five 4/4 measures of C and a STOP (88 bytes of Chordmemory) with the given header and layout;
// markerA 0 stands for neither 255 nor 254.
std::vector<uint8_t> SongFile(int markerA, bool styleBlock, std::vector<uint8_t> header) {
  FileBytes file;
  if (markerA == 254) file.U8(254);
  if (markerA == 255) file.U8(255).I32(8).Event(0, 0x90, 60, 90, 1);
  if (markerA != 254) file.U8(253).I32(0).Fill(120);
  if (styleBlock) file.StyleBlock("/old/pc/STYLES/pop.vxs");
  std::vector<std::vector<uint8_t>> records(21, std::vector<uint8_t>{48, 1, 0, 0});
  records.back() = {0, 0, 255, 0};
  return file.Chords(std::move(header), records).Bytes;
}

TEST(SongFiles, HeaderValuesAfterLoadingFollowTheLayout) {
  struct Case {
    const char* Name;
    int MarkerA;
    bool StyleBlock, Autoload;
    std::vector<uint8_t> Header;
    int Tempo, Metrum, MeasureLength, Program;  // -1: not set or sent
    const char* Style;
    int From, To;
  };
  const Case cases[] = {
      {"style block", 255, true, true, {0, 96, 12, 25}, 96, -1, 16, 25, "/old/pc/STYLES/pop.vxs", 1, 5},
      {"no style block", 255, false, true, {9, 140, 12, 30}, 140, 3, 12, 30, "", 1, 7},
      {"start measure 3", 0, false, true, {3, 120, 16, 30}, 120, 2, 16, -1, "", 3, 5},
      {"unusable values", 0, false, true, {0, 0, 7, 200}, 100, -1, 16, -1, "", 1, 5},
      {"autoload off", 255, true, false, {1, 90, 16, 128}, 90, -1, 16, -1, "", 1, 5},
      {"oldest layout", 254, false, true, {5, 60, 12, 3}, 100, -1, 16, -1, "", 1, 5},
  };
  for (const Case& c : cases) {
    Bench bench;
    bench.Options.LoadSongAndStyleTogether = c.Autoload;
    const std::string path = bench.Write("SONGS/moon.vxa", SongFile(c.MarkerA, c.StyleBlock, c.Header));
    ASSERT_EQ(bench.Files.LoadFile(path), SongLoad::Loaded) << c.Name;
    const FakeHost& h = bench.Host;
    EXPECT_EQ(std::tuple(h.CurrentTempo, h.Metrum, bench.TheSong.Range.MeasureLength(), h.SentProgram),
              std::tuple(c.Tempo, c.Metrum, c.MeasureLength, c.Program))
        << c.Name;
    EXPECT_EQ(h.LoadedStyle, c.Style) << c.Name;
    EXPECT_EQ(std::pair(bench.TheSong.Range.FromMeasure(), bench.TheSong.Range.ToMeasure()),
              std::pair(c.From, c.To))
        << c.Name;
    EXPECT_EQ(h.Caption, "KALO - MOON") << c.Name;
    EXPECT_EQ(bench.Settings.Dir, (bench.Folder.Path() / "SONGS").string()) << c.Name;
    EXPECT_EQ(bench.TheSong.Chords.Length, 88) << c.Name;
  }
}

TEST(SongFiles, OpenAsksOverASongAndLoadsOnlyArrangements) {
  Bench bench;
  bench.TheSong.Chords.Length = 20;
  bench.Dialogs.QueueAnswer(false);
  EXPECT_EQ(bench.Files.Open(false), SongLoad::Refused);
  EXPECT_EQ(bench.Dialogs.Questions(), std::vector<std::string>{kReplaceChordsAndMelodyQuestion});
  bench.Dialogs.QueueFile(bench.Write("c.txt", SongFile(255, false, {0, 96, 16, 0})));
  EXPECT_EQ(bench.Files.Open(true), SongLoad::Cancelled) << "F11 asks nothing; only .vxa names load";
  EXPECT_EQ(bench.Dialogs.LastFileChoice().InitialName, "*.VXA");
  EXPECT_EQ(bench.TheSong.Chords.Length, 20);
  EXPECT_EQ(bench.Host.Stops, 2);
}

TEST(SongFiles, SavingStampsTheHeaderAndLoadingGivesTheSongBack) {
  Bench bench;
  EXPECT_FALSE(bench.Files.SaveTo((bench.Folder.Path() / "empty.vxa").string()));
  EXPECT_EQ(bench.Dialogs.Messages(), std::vector<std::string>{kChordmemoryEmptyMessage});
  EXPECT_FALSE(std::filesystem::exists(bench.Folder.Path() / "empty.vxa"));

  Song& song = bench.TheSong;
  song.Chords.Write(4, {50, 2, 0, 0});
  song.Chords.Write(20, {0, 0, 255, 0});
  song.Chords.Length = 36;
  song.Range.SetFromMeasure(2);
  song.Melody.Load(std::vector<MelodyEvent>{{5, 0x90, 70, 80, 1}});
  song.Memo.Title = "Tune";
  bench.Host.CurrentTempo = 144;
  ASSERT_TRUE(bench.Files.SaveTo((bench.Folder.Path() / "tune").string()));

  Bench other;
  ASSERT_EQ(other.Files.LoadFile((bench.Folder.Path() / "tune.vxa").string()), SongLoad::Loaded);
  EXPECT_EQ(other.TheSong.Chords.Header(), (ChordmemoryHeader{2, 144, 16, 52}));
  EXPECT_EQ(other.TheSong.Chords, song.Chords);
  EXPECT_EQ(other.TheSong.Memo, song.Memo);
  EXPECT_EQ(other.TheSong.Melody.Count(), 1);
  EXPECT_EQ(other.Host.LoadedStyle, "/x/STYLES/waltz.vxs");
  EXPECT_EQ(std::tuple(other.TheSong.Range.FromMeasure(), other.Host.CurrentTempo, other.Host.SentProgram),
            std::tuple(2, 144, 52));

  EXPECT_EQ(bench.Dialogs.Messages().size(), 1u);
  song.Memo.Author = "\u03A9mega";
  ASSERT_TRUE(bench.Files.SaveTo((bench.Folder.Path() / "omega").string()));
  EXPECT_EQ(bench.Dialogs.Messages().back(), UnstorableMemoMessage("\u03A9"));
}

TEST(SongFiles, OpeningAndSavingWritesBackEveryFieldTheUserLeftAsItWas) {
  const std::string memo = "Intro twice\r\nTitle\r\nSub\r\nAuthor\r\n(c) 1999\r\n";
  // A file with every block, in the layout the program writes; the header holds start measure 0
  // and melody program 73, which the session does not take as they stand.
  const auto file = [&memo](bool melody) {
    FileBytes bytes;
    bytes.U8(255).I32(melody ? 16 : 0);
    if (melody) bytes.Event(0, 0x90, 72, 90, 1).Event(20, 0x80, 72, 0, 1);
    bytes.U8(253).I32(static_cast<int32_t>(memo.size())).Text(memo).Fill(120);
    bytes.StyleBlock("STYLES/pop.vxs");
    return bytes.Chords({0, 132, 12, 73}, {{48, 1, 36, 12}, {0, 0, 252, 250}, {55, 3, 0, 0}, {0, 0, 255, 0}})
        .Bytes;
  };
  for (const bool melody : {true, false}) {
    Bench bench;
    const std::vector<uint8_t> original = file(melody);
    ASSERT_EQ(bench.Files.LoadFile(bench.Write("song.vxa", original)), SongLoad::Loaded);
    ASSERT_TRUE(bench.Files.SaveTo((bench.Folder.Path() / "again.vxa").string()));
    EXPECT_EQ(config::testing::ReadText(bench.Folder.Path() / "again.vxa"),
              std::string(original.begin(), original.end()))
        << melody;

    bench.Host.CurrentTempo = 90;  // what the user changes is saved as changed
    bench.Host.Program = 20;
    ASSERT_TRUE(bench.Files.SaveTo((bench.Folder.Path() / "again.vxa").string()));
    const std::string changed = config::testing::ReadText(bench.Folder.Path() / "again.vxa");
    EXPECT_EQ(ParseArrangementFile(std::vector<uint8_t>(changed.begin(), changed.end())).Chords.Header(),
              (ChordmemoryHeader{0, 90, 12, 20}));
  }
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
  bench.TheSong.Chords.Length = 40;
  bench.Options.MelodyAdLib = true;
  EXPECT_EQ(bench.Files.LoadDemoSong(), SongLoad::Unreadable);
  bench.Write("SONGS/demo3.vxa", SongFile(255, false, {0, 96, 16, 0}));
  EXPECT_EQ(bench.Files.LoadDemoSong(), SongLoad::Loaded);
  EXPECT_TRUE(bench.Dialogs.Entries().empty());
  EXPECT_EQ(bench.TheSong.Chords.Length, 88);
  EXPECT_EQ(bench.TheSong.Range.RecordStartMeasure(), -4) << "Melody Ad Lib starts with a lead-in";
}

}  // namespace
}  // namespace kalo::song
