// Song playback and recording through the whole session: a probe style whose bass plays the chord's
// root on every beat, a song written into the Chordmemory, Play or Record at tick 0, and the roots
// heard beat by beat.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "app/engine_rig.h"
#include "app/song_side.h"
#include "config/temp_folder.h"
#include "host/file_store.h"
#include "song/arrangement_file.h"

namespace kalo::app {
namespace {

using testing::EngineRig;
using testing::StyleWriter;

constexpr int kBass = 1;
constexpr int kMaj = 1;
constexpr int kTicksPerMeasure = 96;

// 4/4, Intro, Basic and Ending (one measure each unless said): the bass C3 on every beat.
StyleWriter ProbeStyle(int endingMeasures = 1) {
  StyleWriter style(4);
  style.Voice(kBass, 33, 100);
  for (int part : {styles::kIntro, styles::kBasic, styles::kEnding})
    style.Part(part, part == styles::kEnding ? endingMeasures : 1, [](StyleWriter& s, int, int, int) {
      s.Play({{kBass, 48, 100}}, 12);
    });
  return style;
}

struct SongFunction {
  int Measure, Beat;
  uint8_t Function, Parameter;
};

// Loads the probe style and writes measures 1..measures, each with the chord (C + measure) maj on its
// first beat, STOP after them.
void LoadSong(EngineRig& rig, int measures, const std::vector<SongFunction>& functions,
              int endingMeasures = 1) {
  rig.Load(ProbeStyle(endingMeasures));
  song::Song& song = rig.Session().Song();
  song.Chords.Clear();
  for (int m = 1; m <= measures; ++m)
    song.Chords.Write(song::PositionOf(m, 1, 16), {static_cast<uint8_t>(48 + m), kMaj, 0, 0});
  song.Chords.Write(song::PositionOf(measures + 1, 1, 16), {0, 0, song::kStopFunction, 0});
  for (const SongFunction& f : functions) {
    song::BeatRecord record = song.Chords.RecordAt(song::PositionOf(f.Measure, f.Beat, 16));
    record.Function = f.Function;
    record.Parameter = f.Parameter;
    song.Chords.Write(song::PositionOf(f.Measure, f.Beat, 16), record);
  }
  song.Chords.Length = static_cast<int16_t>(song::PositionOf(measures + 2, 1, 16));
  song.Range.SetFromMeasure(1);
  song.Range.SetToMeasure(measures);
}

// The measure each played measure's chord names (its root's pitch class), in playing order.
std::vector<int> MeasuresHeard(const EngineRig& rig) {
  std::vector<int> measures;
  for (const auto& [tick, note, velocity] : rig.NoteOns(kBass))
    if (tick % kTicksPerMeasure == 0) measures.push_back(static_cast<int>(note % 12));
  return measures;
}

Timeline PlayAtZero() {
  return Timeline().Do(0, [](Arranger& a) { a.Play(); });
}

struct LoopCase {
  const char* Name;
  std::vector<SongFunction> Functions;
  bool IgnoreLoops;
  std::vector<int> Expected;
};

TEST(SongPlayTest, LoopsPlayTheirSectionNTimesAndTheRestIsIgnoredWhereItMustBe) {
  const std::vector<LoopCase> cases = {
      {"a loop start with 3 passes in measure 5, its end in measure 8",
       {{5, 1, 253, 103}, {8, 3, 253, 0}},
       false,
       {1, 2, 3, 4, 5, 6, 7, 8, 5, 6, 7, 8, 5, 6, 7, 8, 9, 10}},
      {"a loop start inside an open loop is ignored",
       {{2, 1, 253, 102}, {3, 1, 253, 105}, {3, 2, 253, 0}},
       false,
       {1, 2, 3, 2, 3, 4, 5, 6, 7, 8, 9, 10}},
      {"a loop end without an open loop is ignored",
       {{3, 1, 253, 0}},
       false,
       {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}},
      {"Ignore Loops", {{5, 1, 253, 103}, {8, 3, 253, 0}}, true, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}},
      // Parameters outside their tables do nothing: 150 passes, the 17th channel's unmute, a
      // transposition by 100, tempi the tempo field does not take.
      {"253/250", {{2, 1, 253, 250}, {3, 1, 253, 0}}, false, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}},
      {"251/238, 252/100, 254/0, 254/251",
       {{2, 1, 251, 238}, {3, 1, 252, 100}, {4, 1, 254, 0}, {5, 1, 254, 251}},
       false,
       {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}},
  };
  for (const LoopCase& c : cases) {
    EngineRig rig;
    LoadSong(rig, 10, c.Functions);
    rig.Session().SongOptions().IgnoreLoops = c.IgnoreLoops;
    rig.Run(PlayAtZero());
    EXPECT_EQ(MeasuresHeard(rig), c.Expected) << c.Name;
    EXPECT_FALSE(rig.Capture.Cut) << c.Name;
    EXPECT_EQ(rig.Session().Engine().SongState, 0) << c.Name;
    EXPECT_EQ(rig.Capture.Tempi.size(), 1u) << c.Name;
    EXPECT_EQ(rig.Session().Engine().ChannelMute, (std::array<uint8_t, 16>{})) << c.Name;
  }
}

TEST(SongPlayTest, LoopRepeatsThePlayRangeAndAStopAfterTheFirstMeasureGoesBackToo) {
  for (int to : {3, 10}) {
    EngineRig rig;
    LoadSong(rig, 4, {});
    rig.Session().Song().Range.SetFromMeasure(2);
    rig.Session().Song().Range.SetRecordStartMeasure(2);
    rig.Session().Song().Range.SetToMeasure(to);  // 10: the STOP after measure 4 sends it back
    rig.Session().SongOptions().Loop = true;
    rig.Run(PlayAtZero().Stop(7 * kTicksPerMeasure));
    const std::vector<int> expected =
        to == 3 ? std::vector<int>{2, 3, 2, 3, 2, 3, 2} : std::vector<int>{2, 3, 4, 2, 3, 4, 2};
    EXPECT_EQ(MeasuresHeard(rig), expected) << "to " << to;
  }
}

TEST(SongPlayTest, TransposeTempoAndTheEndingWaitActOnTheirBeats) {
  for (int endingMeasures : {1, 16}) {
    EngineRig rig;
    const int ending = config::ComputeControlKeyNotes(rig.Session().Settings()).Ending;
    // Measure 2 transposes down 6 (parameter 250) and sets tempo 90 on its second beat; measure 3
    // plays the ending key and holds a STOP on its third beat, which must not cut the ending short.
    LoadSong(rig, 3,
             {{2, 1, 252, 250},
              {2, 2, song::kTempoFunction, 90},
              {3, 1, static_cast<uint8_t>(ending), 12},
              {3, 3, song::kStopFunction, 0}},
             endingMeasures);
    rig.Run(PlayAtZero());
    // The tempo map an export writes.
    ASSERT_FALSE(rig.Capture.Tempi.empty());
    EXPECT_EQ(rig.Capture.Tempi.back().Bpm, 90);
    EXPECT_EQ(rig.Capture.Tempi.back().Tick / 24, 5) << "the second beat of measure 2";
    const std::vector<int> heard = MeasuresHeard(rig);
    ASSERT_GE(heard.size(), 2u);
    EXPECT_EQ(heard[1], (2 - 6 + 12) % 12);
    // The ending from beat 8 plays to its end, past the STOP of beat 10, for 44 beats at most.
    const std::vector<int64_t> stops = rig.AllNotesOffTicks();
    ASSERT_FALSE(stops.empty());
    EXPECT_EQ(stops.back(), endingMeasures == 1 ? 12 * 24 : (8 + kEndingWaitBeats) * 24);
  }
}

TEST(SongPlayTest, ASongThatBeginsWithRestsStartsTheStyleOnItsFirstChordInTheSongsTime) {
  EngineRig rig;
  rig.Load(ProbeStyle());
  song::Song& song = rig.Session().Song();
  const int intro = config::ComputeControlKeyNotes(rig.Session().Settings()).Intro;
  song.Chords.Clear();
  song.Chords.Write(4, {});                                       // 1:1 a rest
  song.Chords.Write(8, {0, 0, static_cast<uint8_t>(intro), 12});  // 1:2 a part key on a rest
  song.Chords.Write(12, {48, kMaj, 0, 0});                        // 1:3 the first chord
  song.Chords.Write(20, {50, kMaj, 0, 0});                        // 2:1
  song.Chords.Write(36, {0, 0, song::kStopFunction, 0});          // 3:1
  song.Chords.Length = 52;
  song.Melody.Load(std::vector<song::MelodyEvent>{{72, 0x90, 76, 100, 1}, {80, 0x90, 76, 0, 1}});
  song.Melody.Play = true;
  rig.Run(PlayAtZero());

  const auto bass = rig.NoteOns(kBass);
  ASSERT_GE(bass.size(), 3u);
  EXPECT_EQ(std::tuple(bass[0][0], bass[0][1] % 12, bass[2][0], bass[2][1] % 12), std::tuple(48, 0, 96, 2));
  EXPECT_EQ(rig.AllNotesOffTicks().back(), 2 * kTicksPerMeasure) << "STOP on its beat";
  const auto melody = rig.NoteOns(0);
  ASSERT_EQ(melody.size(), 1u);
  EXPECT_EQ(melody[0][0], 72) << "the melody keeps the song's time";
  const std::pair<int64_t, int> introAtFirstChord{48, styles::kIntro};
  const auto& parts = rig.Capture.Parts;
  EXPECT_NE(std::find(parts.begin(), parts.end(), introAtFirstChord), parts.end())
      << "the key given before the first chord acts when the style starts";
}

TEST(SongPlayTest, PlaybackEndsAtStopOrAtTheSongsLengthWhateverTheStart) {
  // Two measures and the STOP measure (52 bytes); with STOP or not, from- and record start measure,
  // the tick at which it stops.
  const std::tuple<bool, int, int, int64_t> cases[] = {
      {true, 8, 1, 3 * kTicksPerMeasure}, {false, 1, 1, 3 * kTicksPerMeasure}, {true, 8, 8, 0}};
  config::Settings settings = testing::QuietSettings();
  settings.PlayIntro = true;  // the intro runs through the lead-in
  for (const auto& [stop, from, recordStart, stopTick] : cases) {
    EngineRig rig(settings);
    LoadSong(rig, 2, {});
    song::Song& song = rig.Session().Song();
    if (!stop) song.Chords.Write(song::PositionOf(3, 1, 16), {});
    song.Range.SetFromMeasure(from);
    song.Range.SetRecordStartMeasure(recordStart);
    rig.Run(PlayAtZero());
    ASSERT_FALSE(rig.AllNotesOffTicks().empty());
    EXPECT_EQ(rig.AllNotesOffTicks().back(), stopTick)
        << stop << " from " << from << " lead-in from " << recordStart;
  }
}

TEST(SongPlayTest, PlayFromAMeasureWithoutAChordStartsInTheChordInForceAfterASilentLeadIn) {
  config::Settings settings = testing::QuietSettings();
  settings.PlayIntro = true;  // the intro runs through the lead-in
  for (const bool leadIn : {false, true}) {
    EngineRig rig(settings);
    LoadSong(rig, 3, {});
    song::Song& song = rig.Session().Song();
    song.Chords.Write(song::PositionOf(1, 3, 16), {55, kMaj, 0, 0});  // G after the first chord
    song.Chords.Write(song::PositionOf(2, 1, 16), {});
    song.Range.SetFromMeasure(2);
    song.Range.SetRecordStartMeasure(leadIn ? 1 : 2);
    rig.Session().SongOptions().Voices = song::IntroVoices::MuteAll;
    rig.Run(PlayAtZero());
    const auto notes = rig.NoteOns(kBass);
    ASSERT_FALSE(notes.empty()) << leadIn;
    EXPECT_EQ(notes.front()[0], leadIn ? kTicksPerMeasure : 0) << "lead-in " << leadIn;
    EXPECT_EQ(notes.front()[1] % 12, 7) << "lead-in " << leadIn;
  }
}

TEST(SongPlayTest, PlayDuringASongHandsOverToLiveChordsAndASecondPlayEndsAnExternalWait) {
  EngineRig rig;
  LoadSong(rig, 8, {});
  rig.Run(PlayAtZero().Do(100, [](Arranger& a) { a.Play(); }).Chord(200, 57, kMaj).Stop(300));
  const auto notes = rig.NoteOns(kBass);
  ASSERT_FALSE(notes.empty());
  EXPECT_EQ(notes.back()[0], 288);
  EXPECT_EQ(notes.back()[1] % 12, 9);  // the player's A, not the song's measure 4

  Arranger& a = rig.Session();
  a.SetSlaveMode(true);
  a.Play();
  EXPECT_EQ(a.Clock().StartWait, engine::kExternalStartWait);
  a.Play();
  EXPECT_EQ(a.Clock().StartWait, 0);
  EXPECT_EQ(a.Engine().SongState, -1);
}

TEST(SongPlayTest, RecordingWaitsForTheFirstChordStoresEachBeatAndEndsWithTheEndMark) {
  EngineRig rig;
  rig.Load(ProbeStyle());
  rig.Run(Timeline()
              .Do(0, [](Arranger& a) { a.Record(); })
              .Chord(72, 48, kMaj)  // three beats of waiting
              .Chord(120, 53, kMaj)
              .Stop(72 + 240));  // 2½ measures after the first chord
  const song::Song& song = rig.Session().Song();
  EXPECT_EQ(song.Chords.Length, 52);
  EXPECT_EQ(song.Range.ToMeasure(), 2);
  EXPECT_EQ(song.Chords.RecordAt(4), (song::BeatRecord{48, kMaj, 0, 0}));
  EXPECT_EQ(song.Chords.RecordAt(8), (song::BeatRecord{48, kMaj, 0, 0}));
  EXPECT_EQ(song.Chords.RecordAt(12), (song::BeatRecord{53, kMaj, 0, 0}));
  EXPECT_EQ(song.Chords.RecordAt(36).Function, song::kStopFunction);
  EXPECT_FALSE(rig.NoteOns(kBass).empty());  // the style started with the first chord
}

TEST(SongPlayTest, AMelodyRecordedDuringPlayComesBackOnTheNextPlay) {
  EngineRig rig;
  LoadSong(rig, 4, {});
  song::MelodyTrack& melody = rig.Session().Song().Melody;
  melody.Record = true;
  melody.Play = true;
  rig.Run(PlayAtZero()
              .Do(30, [](Arranger& a) { a.RecordMelodyEvent(0x93, 72, 100); })
              .Do(60, [](Arranger& a) { a.RecordMelodyEvent(0x83, 72, 0); })
              .Stop(200));
  ASSERT_EQ(melody.Count(), 2);
  melody.Record = false;
  rig.Run(PlayAtZero().Stop(200));
  const auto notes = rig.NoteOns(0);  // the melody channel
  ASSERT_EQ(notes.size(), 1u);
  EXPECT_NEAR(static_cast<double>(notes[0][0]), 30.0, 1.0);
  EXPECT_EQ(notes[0][1], 72);
}

TEST(SongPlayTest, PlayAndOverwriteAndStepRecordingWriteWhereThePlayerEntersChords) {
  EngineRig rig;
  LoadSong(rig, 4, {});
  Arranger& a = rig.Session();
  rig.Run(Timeline()
              .Do(0, [](Arranger& s) { s.PlayAndOverwrite(); })
              .Chord(96, 57, kMaj)  // measure 2, beat 1
              .Stop(200));
  EXPECT_EQ(a.Song().Chords.RecordAt(20), (song::BeatRecord{57, kMaj, 0, 0}));
  EXPECT_EQ(a.Song().Chords.RecordAt(36), (song::BeatRecord{51, kMaj, 0, 0}));  // measure 3 untouched

  a.SongOptions().Edit = false;
  a.Song().Clear();
  a.StepRecord();
  const int fill = config::ComputeControlKeyNotes(a.Settings()).FillIn;
  a.Chords().SetChord(48, kMaj, perform::kUntransposed);
  a.Chords().SetChord(53, kMaj, perform::kUntransposed);
  a.ControlKey(fill, 12);  // a function alone waits for the step's chord
  a.Chords().SetChord(55, 3, perform::kUntransposed);
  a.Chords().SetChord(48, kMaj, perform::kUntransposed);
  a.Stop();
  const song::Chordmemory& c = a.Song().Chords;
  EXPECT_EQ(c.RecordAt(4), (song::BeatRecord{48, kMaj, 0, 0}));
  EXPECT_EQ(c.RecordAt(12), (song::BeatRecord{55, 3, static_cast<uint8_t>(fill), 12}));
  EXPECT_EQ(c.RecordAt(20), (song::BeatRecord{0, 0, song::kStopFunction, 0}));
  EXPECT_EQ(c.Length, 36);
  EXPECT_FALSE(a.Options().PlayChords);  // back as it was
}

TEST(DemoSongTest, TheShippedDemoRoundTripsAndPlaysItsMelodyForAboutAMinuteAndAHalf) {
  const auto bytes = host::ReadFilePrefix(KALO_SHIPPED_SONGS_DIR "/demo3.vxa", song::kArrangementReadLimit);
  ASSERT_TRUE(bytes);
  const song::ParsedArrangement parsed = song::ParseArrangementFile(*bytes);

  // Played as the first start plays it: the song's style found below the program folder.
  OfflineDriver driver(config::Settings{},
                       host::ProgramFolder(std::filesystem::path(KALO_SHIPPED_SONGS_DIR).parent_path()));
  driver.Session().SongFiles().LoadDemoSong();
  EXPECT_TRUE(driver.Session().Gen().StyleLoaded);
  const OfflineCapture capture = driver.Run(Timeline().Do(0, [](Arranger& a) { a.Play(); }), 24 * 3000);
  EXPECT_FALSE(capture.Cut);
  const double seconds = static_cast<double>(capture.Ticks) * 60.0 / (parsed.Chords.Header().Tempo * 24.0);
  EXPECT_GT(seconds, 80.0);
  EXPECT_LT(seconds, 100.0);
  // Opened, played and saved again, it is the same file to the byte.
  const config::testing::TempFolder folder;
  ASSERT_TRUE(driver.Session().SongFiles().SaveTo((folder.Path() / "saved.vxa").string()));
  EXPECT_EQ(config::testing::ReadText(folder.Path() / "saved.vxa"),
            std::string(bytes->begin(), bytes->end()));

  size_t melodyNotes = 0;
  for (const midi::CapturedMessage& m : capture.Midiout())
    melodyNotes += m.Bytes.size() == 3 && m.Bytes[0] == 0x90 && m.Bytes[2] > 0;
  size_t written = 0;
  for (const song::MelodyEvent& e : parsed.Melody) written += song::IsNoteStart(e);
  EXPECT_GT(written, 50u);
  EXPECT_EQ(melodyNotes, written);  // the style leaves channel 1 to the melody
}

}  // namespace
}  // namespace kalo::app
