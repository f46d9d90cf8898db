// Offline renders read back with libsndfile, so that the check does not share the writer's code.

#include "midi/backends/synth_render.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <vector>

#include "config/temp_folder.h"
#include "midi/wav_audio.h"

namespace kalo::midi {
namespace {

using testing::Audio;
using testing::ReadWav;

CapturedMessage At(int64_t tick, std::vector<uint8_t> bytes) { return {tick, std::move(bytes)}; }

constexpr int kRate = 22050;

TEST(SynthRender, NotesSoundWhereTheyArePlayedAfterATempoChangeAndTheTailRingsOut) {
  config::testing::TempFolder temp;
  // 120 bpm for the first 48 ticks (1 s), then 60 bpm: tick 168 is at 1 + 120/24 = 6 s.
  const std::vector<TempoChange> tempo = {{0, 120}, {48, 60}};
  const std::vector<CapturedMessage> messages = {
      At(0, {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7}),
      At(0, {0xC0, 0}),
      At(0, {0x90, 60, 110}),
      At(0, {0x90, 64, 110}),
      At(0, {0x90, 67, 110}),
      At(0, {0x99, 38, 120}),
      At(24, {0x80, 60, 0}),
      At(24, {0x80, 64, 0}),
      At(24, {0x80, 67, 0}),
      At(168, {0x90, 72, 120}),
      At(192, {0x90, 72, 0}),
      At(100, {0x90}),  // not a whole message: skipped
  };
  std::vector<double> progress;
  SynthRenderOptions options;
  options.SampleRate = kRate;
  options.Progress = [&progress](double fraction) { progress.push_back(fraction); };
  const std::filesystem::path out = temp.Path() / "notes.wav";
  const SynthRenderResult result = RenderToWav(messages, tempo, options, out);
  ASSERT_EQ(result.Error, "");

  const Audio audio = ReadWav(out);
  EXPECT_EQ(audio.Rate, kRate);
  ASSERT_EQ(audio.Channels, 2);
  EXPECT_EQ(audio.Frames(), result.Frames);
  EXPECT_EQ(result.LastEventFrame, 7 * kRate);
  EXPECT_GT(audio.Frames(), 7 * kRate + kRate / 5) << "the release and reverb ring out";
  EXPECT_LT(audio.Frames(), 7 * kRate + kMaxRenderTailSeconds * kRate) << "the tail ends with the sound";

  struct Stretch {
    const char* Name;
    double From, To;
    double MinRms, MaxRms;
  };
  const Stretch stretches[] = {
      {"the chord", 0.0, 0.5, 0.01, 0.5},
      {"long after the chord's release", 4.0, 5.9, 0.0, 0.0005},
      {"the high note", 6.05, 6.5, 0.01, 0.5},
      {"the very end", static_cast<double>(audio.Frames()) / kRate - 0.05, 1e9, 0.0, 0.0005},
  };
  for (const Stretch& row : stretches) {
    const double rms = audio.Rms(row.From, row.To);
    EXPECT_GE(rms, row.MinRms) << row.Name;
    EXPECT_LE(rms, row.MaxRms) << row.Name;
  }
  // FluidSynth starts a note with its next block of 64 frames; the attack adds a few milliseconds.
  const double onset = audio.Onset(5.9, 0.01);
  EXPECT_GE(onset, 6.0);
  EXPECT_LT(onset, 6.0 + 64.0 / kRate + 0.03);

  EXPECT_LT(audio.Peak(), 32767) << "below full scale";
  EXPECT_EQ(result.ClippedSamples, 0);

  ASSERT_FALSE(progress.empty());
  EXPECT_EQ(progress.back(), 1.0);
  for (size_t i = 1; i < progress.size(); ++i) EXPECT_GE(progress[i], progress[i - 1]);
}

TEST(SynthRender, TheTailEndsWithTheSoundOrAtItsLimitForANoteNeverReleased) {
  config::testing::TempFolder temp;
  struct Case {
    const char* Name;
    std::vector<CapturedMessage> Messages;
    double MinSeconds, MaxSeconds;
  };
  const Case cases[] = {
      {"nothing played", {}, 0.0, 0.2},
      {"a short note", {At(0, {0x90, 60, 100}), At(6, {0x80, 60, 0})}, 0.4, 6.0},
      {"a note held past the end",
       {At(0, {0xC0, 19}), At(0, {0x90, 60, 100})},
       kMaxRenderTailSeconds,
       kMaxRenderTailSeconds},
  };
  for (const Case& row : cases) {
    SynthRenderOptions options;
    options.SampleRate = 8000;
    const SynthRenderResult result = RenderToWav(row.Messages, {}, options, temp.Path() / "tail.wav");
    ASSERT_EQ(result.Error, "") << row.Name;
    const double seconds = static_cast<double>(ReadWav(temp.Path() / "tail.wav").Frames()) / 8000;
    EXPECT_GE(seconds, row.MinSeconds) << row.Name;
    EXPECT_LE(seconds, row.MaxSeconds) << row.Name;
  }
}

}  // namespace
}  // namespace kalo::midi
