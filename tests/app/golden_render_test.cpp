// Golden renders: two small styles, each played over a chord sequence and as a song, compared message
// by message with event lists that were read through by hand and stored in tests/app/golden/. After a change
// that is meant to alter what is sent, run with KALO_WRITE_GOLDEN=1 to write the lists again, and
// read the difference before committing it.

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/engine_rig.h"
#include "midi/event_listing.h"

namespace kalo::app {
namespace {

using testing::EngineRig;
using testing::StyleWriter;

constexpr int kMaj = 1, kMin = 2, kSeventh = 3, kMajor7 = 9;
constexpr int kBass = 1, kPiano = 2, kStrings = 4, kOrgan = 0, kDrums = 9;

// 4/4: Intro, Basic, Fill in Basic, Ending. Hi-hat on every beat; bass C2 on beats 1 and 3; piano
// C-E-G on beats 2 and 4; Basic adds a kick and a held string C5; the fill is snares; the ending one
// long chord.
StyleWriter PopStyle() {
  StyleWriter style(4);
  style.Voice(kBass, 33, 100).Voice(kPiano, 0, 90).Voice(kStrings, 48, 80).Voice(kDrums, 0, 100);
  auto groove = [](StyleWriter& s, int part, int, int beat) {
    std::vector<testing::Sound> sounds = {{kDrums, 42, 80}};
    if (beat % 2 == 0) sounds.push_back({kBass, 36, 100});
    if (beat % 2 == 1) sounds.insert(sounds.end(), {{kPiano, 60, 90}, {kPiano, 64, 90}, {kPiano, 67, 90}});
    if (part == styles::kBasic && beat % 2 == 0) sounds.push_back({kDrums, 36, 110});
    if (part == styles::kBasic && beat == 0) {
      s.Message(0x90 | kStrings, 72, 70);  // held through the measure, ended before its last delay
      s.Play(sounds, 12);
      return;
    }
    if (part == styles::kBasic && beat == 3) {
      s.Play(sounds, 12, 20);
      s.Message(0x90 | kStrings, 72, 0);
      s.Wait(4);
      return;
    }
    s.Play(sounds, 12);
  };
  style.Part(styles::kIntro, 1, groove).Part(styles::kBasic, 1, groove);
  style.Part(styles::kFillInBasic, 1, [](StyleWriter& s, int, int, int beat) {
    std::vector<testing::Sound> sounds = {{kDrums, 38, 100}};
    if (beat == 0) sounds.push_back({kBass, 36, 100});
    s.Play(sounds, 6);
  });
  style.Part(styles::kEnding, 1, [](StyleWriter& s, int, int, int beat) {
    if (beat == 0)
      s.Play({{kBass, 36, 100}, {kPiano, 60, 90}, {kPiano, 64, 90}, {kPiano, 67, 90}, {kDrums, 49, 100}}, 72,
             96);
  });
  return style;
}

// 3/4 without an intro: bass on beat 1, an organ chord C-E-G from beat 2 into beat 3.
StyleWriter WaltzStyle() {
  StyleWriter style(3);
  style.Voice(kOrgan, 16, 90).Voice(kBass, 32, 100).Voice(kDrums, 0, 100);
  style.Part(styles::kBasic, 1, [](StyleWriter& s, int, int, int beat) {
    if (beat == 0) s.Play({{kBass, 36, 100}, {kDrums, 36, 100}}, 12);
    if (beat == 1) {
      s.Message(0x90 | kOrgan, 60, 85).Message(0x90 | kOrgan, 64, 85).Message(0x90 | kOrgan, 67, 85);
      s.Play({{kDrums, 42, 70}}, 6, 24);
    }
    if (beat == 2) {
      s.Wait(12);
      s.Message(0x90 | kOrgan, 60, 0).Message(0x90 | kOrgan, 64, 0).Message(0x90 | kOrgan, 67, 0);
      s.Play({{kDrums, 42, 70}}, 6, 12);
    }
  });
  return style;
}

std::string EventList(const OfflineCapture& capture) { return midi::ListEvents(capture.Midiout()); }

void CompareWithGolden(const std::string& name, const std::string& rendered) {
  const std::string path = std::string(KALO_TEST_SOURCE_DIR) + "/app/golden/" + name + ".events";
  if (std::getenv("KALO_WRITE_GOLDEN") != nullptr) {
    std::ofstream(path) << rendered;
    GTEST_SKIP() << "wrote " << path;
  }
  std::ifstream file(path);
  ASSERT_TRUE(file) << "missing " << path;
  std::stringstream stored;
  stored << file.rdbuf();
  EXPECT_EQ(rendered, stored.str()) << name;
}

TEST(GoldenRenderTest, PopStyleWithIntroFillAndEndingOverCAmFG7C) {
  config::Settings settings = testing::QuietSettings();
  settings.PlayIntro = true;
  settings.Quantize = 1;  // chord steps of two beats, so that "F G7" shares a measure
  EngineRig rig(settings);
  rig.Load(PopStyle());
  const config::ControlKeyNotes keys = config::ComputeControlKeyNotes(settings);
  rig.Run(app::Timeline()
              .Chord(0, 48, kMaj)
              .Chord(96, 57, kMin)
              .Chord(192, 53, kMaj)
              .Chord(240, 55, kSeventh)
              .Chord(288, 48, kMaj)
              .ControlKey(280, keys.FillIn)
              .ControlKey(384, keys.Ending));
  EXPECT_FALSE(rig.Capture.Cut);
  CompareWithGolden("pop_intro_fill_ending", EventList(rig.Capture));
}

TEST(GoldenRenderTest, WaltzWithCountInMetronomePadAndAReVoicedOrgan) {
  config::Settings settings = testing::QuietSettings();
  settings.PlayIntro = true;  // the style has no intro: a count-in instead
  settings.Pad = true;
  EngineRig rig(settings);
  rig.Load(WaltzStyle());
  rig.Run(app::Timeline()
              .Do(0, [](Arranger& a) { a.Engine().SetMetronome(true); })
              .Chord(0, 50, kMin)
              .Chord(120, 55, kSeventh)
              .Chord(144, 48, kMajor7)
              .Stop(288));
  CompareWithGolden("waltz_count_in_pad", EventList(rig.Capture));
}

// A song written record by record: {measure, beat, root, type, function, parameter}.
struct SongRecord {
  int Measure, Beat;
  uint8_t Root, Type, Function, Parameter;
};

void WriteSong(song::Song& song, int measureLength, int measures, const std::vector<SongRecord>& records) {
  song.Chords.Clear();
  song.Chords.Write(4, {});
  for (const SongRecord& r : records)
    song.Chords.Write(song::PositionOf(r.Measure, r.Beat, measureLength),
                      {r.Root, r.Type, r.Function, r.Parameter});
  song.Chords.Length = static_cast<int16_t>(song::PositionOf(measures + 1, 1, measureLength));
  song.SetMeasureLength(measureLength);
  song.Range.SetFromMeasure(1);
  song.Range.SetToMeasure(measures);
}

TEST(GoldenRenderTest, PopSongWithIntroALoopAFillATranspositionAndAnEndingPastItsStop) {
  config::Settings settings = testing::QuietSettings();
  settings.PlayIntro = true;
  EngineRig rig(settings);
  rig.Load(PopStyle());
  const config::ControlKeyNotes keys = config::ComputeControlKeyNotes(settings);
  const auto fill = static_cast<uint8_t>(keys.FillIn), ending = static_cast<uint8_t>(keys.Ending);
  // Measures 2 and 3 play twice; measure 4 is transposed up 2 and ends; the STOP of measure 5 waits
  // for the ending.
  WriteSong(rig.Session().Song(), 16, 5,
            {{1, 1, 48, kMaj, 0, 0},
             {1, 3, 57, kMin, 0, 0},
             {2, 1, 53, kMaj, 253, 102},
             {2, 3, 55, kSeventh, fill, 12},
             {3, 1, 48, kMaj, 253, 0},
             {4, 1, 48, kMaj, 252, 2},
             {4, 3, 0, 0, ending, 12},
             {5, 1, 0, 0, song::kStopFunction, 0}});
  rig.Run(app::Timeline().Do(0, [](Arranger& a) { a.Play(); }));
  EXPECT_FALSE(rig.Capture.Cut);
  CompareWithGolden("pop_song_loop_fill_transpose_ending", EventList(rig.Capture));
}

TEST(GoldenRenderTest, WaltzSongWithCountInMetronomeAMutedOrganAndAStop) {
  config::Settings settings = testing::QuietSettings();
  settings.Metrum = 3;  // "3/4"
  EngineRig rig(settings);
  rig.Load(WaltzStyle());
  Arranger& session = rig.Session();
  session.SetCountIn(true);
  session.SetMetronome(true);
  // The organ (channel 1) is muted in measure 2 and plays again in measure 3 (parameters 237 and
  // 254); the song stops at the first beat of measure 4.
  WriteSong(session.Song(), 12, 4,
            {{1, 1, 50, kMin, 0, 0},
             {2, 1, 55, kSeventh, 251, 237},
             {3, 1, 48, kMajor7, 251, 254},
             {4, 1, 0, 0, song::kStopFunction, 0}});
  rig.Run(app::Timeline().Do(0, [](Arranger& a) { a.Play(); }));
  EXPECT_FALSE(rig.Capture.Cut);
  CompareWithGolden("waltz_song_count_in_mute_stop", EventList(rig.Capture));
}

}  // namespace
}  // namespace kalo::app
