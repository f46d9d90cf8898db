// Offline renders read back with libsndfile, so that the check does not share the writer's code.

#include "midi/backends/synth_render.h"

#include <sys/resource.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>
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
  const SynthRenderResult result = RenderToAudioFile(messages, tempo, options, out);
  ASSERT_EQ(result.Error, "");

  const Audio audio = ReadWav(out);
  EXPECT_EQ(audio.Rate, kRate);
  ASSERT_EQ(audio.Channels, 2);
  EXPECT_EQ(audio.Frames(), result.Frames);
  EXPECT_EQ(result.LastEventFrame, 7 * kRate);
  EXPECT_GT(audio.Frames(), 7 * kRate + kRate / 5) << "the release and reverb ring out";

  struct Stretch {
    const char* Name;
    double From, To;
    double MinRms, MaxRms;
  };
  const Stretch stretches[] = {
      {"the chord", 0.0, 0.5, 0.01, 0.5},
      {"long after the chord's release", 4.0, 5.9, 0.0, 0.0005},
      {"the high note", 6.05, 6.5, 0.01, 0.5},
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

// The last sample at or above the audible level (-60 dB of full scale), in seconds; -1 for none.
double LastAudible(const Audio& audio) {
  const int level = static_cast<int>(std::ceil(kAudibleLevel * 32768));
  for (size_t i = audio.Samples.size(); i-- > 0;) {
    if (std::abs(static_cast<int>(audio.Samples[i])) >= level)
      return static_cast<double>(i / static_cast<size_t>(audio.Channels)) / audio.Rate;
  }
  return -1;
}

TEST(SynthRender, TheFileEndsHalfASecondAfterTheSoundOrAtTheLimitForANoteNeverReleased) {
  config::testing::TempFolder temp;
  struct Case {
    const char* Name;
    std::vector<CapturedMessage> Messages;
    AudioFileType Type;
    double MinSeconds, MaxSeconds;
  };
  const std::vector<CapturedMessage> note = {At(0, {0x90, 60, 100}), At(6, {0x80, 60, 0})};
  const std::vector<CapturedMessage> held = {At(0, {0xC0, 19}), At(0, {0x90, 60, 100})};
  const Case cases[] = {
      {"nothing played", {}, AudioFileType::kWav, kTrailingSilenceSeconds, kTrailingSilenceSeconds},
      {"a short note", note, AudioFileType::kWav, 0.6, 6.0},
      {"a short note as FLAC", note, AudioFileType::kFlac, 0.6, 6.0},
      {"a short note as Ogg Vorbis", note, AudioFileType::kOgg, 0.6, 6.0},
      {"a note held past the end", held, AudioFileType::kWav, kMaxRenderTailSeconds, kMaxRenderTailSeconds},
  };
  for (const Case& row : cases) {
    SynthRenderOptions options;
    options.SampleRate = 8000;
    options.Type = row.Type;
    const char* names[] = {"tail.wav", "tail.flac", "tail.ogg"};
    const std::filesystem::path out = temp.Path() / names[static_cast<int>(row.Type)];
    const SynthRenderResult result = RenderToAudioFile(row.Messages, {}, options, out);
    ASSERT_EQ(result.Error, "") << row.Name;
    const Audio audio = ReadWav(out);
    EXPECT_EQ(audio.Frames(), result.Frames) << row.Name;
    EXPECT_GE(audio.Seconds(), row.MinSeconds) << row.Name;
    EXPECT_LE(audio.Seconds(), row.MaxSeconds) << row.Name;
    // Lossy Ogg Vorbis blurs the level a little, so its quiet end may move a little.
    const double slack = row.Type == AudioFileType::kOgg ? 0.05 : 0.01;
    if (!row.Messages.empty() && row.MaxSeconds < kMaxRenderTailSeconds) {
      EXPECT_NEAR(audio.Seconds() - LastAudible(audio), kTrailingSilenceSeconds, slack) << row.Name;
    }
  }
}

TEST(SynthRender, AWavFileThatCouldPassFourGibibytesIsWrittenAsRf64) {
  config::testing::TempFolder temp;
  const int64_t frames = static_cast<int64_t>(kMaxWaveFileBytes / 4);
  for (const auto& [maxFrames, magic] : {std::pair{frames / 2, "RIFF"}, std::pair{frames, "RF64"}}) {
    AudioFileWriter file(temp.Path() / "long.wav", AudioFileType::kWav, 8000, 2, maxFrames);
    const std::vector<int16_t> samples(200, 1000);
    ASSERT_TRUE(file.Write(samples));
    ASSERT_EQ(file.Finish(), std::nullopt);
    EXPECT_EQ(config::testing::ReadText(temp.Path() / "long.wav").substr(0, 4), magic);
    EXPECT_EQ(ReadWav(temp.Path() / "long.wav").Frames(), 100) << magic;
  }
}

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

// The process's address space in bytes, from /proc.
int64_t AddressSpaceBytes() {
  int64_t pages = 0;
  std::ifstream("/proc/self/statm") >> pages;
  return pages * sysconf(_SC_PAGESIZE);
}

// Renders with the address space limited to `bytes` and ends the process: 0 when the file was written.
[[noreturn]] void RenderWithin(int64_t bytes, const std::vector<CapturedMessage>& messages,
                               const std::filesystem::path& out) {
  const rlimit limit{static_cast<rlim_t>(bytes), RLIM_INFINITY};
  if (setrlimit(RLIMIT_AS, &limit) != 0) _exit(3);
  const SynthRenderResult result = RenderToAudioFile(messages, {}, SynthRenderOptions{}, out);
  _exit(result.Error.empty() ? 0 : 1);
}

// Ten minutes of sound, 106 MB as a WAV file, rendered with the address space limited to what
// the process has plus 32 MB: a render that held the sound, or even a third of it, cannot allocate it.
// The render runs in a fresh run of this test (FluidSynth's thread pool does not survive a bare fork),
// which learns where to write from the environment.
TEST(SynthRender, ALongRenderStreamsToItsFileWithinASmallMemoryLimit) {
  if (kSanitized) GTEST_SKIP() << "the sanitizers reserve their memory at start";
  constexpr int64_t kMargin = 32 << 20;
  constexpr int kMinutes = 10;
  constexpr const char* kTarget = "KALO_TEST_LONG_RENDER";
  std::vector<CapturedMessage> sparse;
  for (int64_t second = 0; second < kMinutes * 60; second += 20) {
    sparse.push_back(At(second * 48, {0x90, 60, 100}));
    sparse.push_back(At(second * 48 + 24, {0x80, 60, 0}));
  }
  const char* given = std::getenv(kTarget);  // set in the fresh run
  std::optional<config::testing::TempFolder> temp;
  if (given == nullptr) temp.emplace();
  const std::filesystem::path out =
      given != nullptr ? std::filesystem::path(given) : temp->Path() / "long.wav";
  const std::string style = GTEST_FLAG_GET(death_test_style);
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  ::setenv(kTarget, out.c_str(), 1);
  EXPECT_EXIT(RenderWithin(AddressSpaceBytes() + kMargin, sparse, out), ::testing::ExitedWithCode(0), "");
  ::unsetenv(kTarget);
  GTEST_FLAG_SET(death_test_style, style);
  ASSERT_TRUE(std::filesystem::exists(out));
  EXPECT_GT(std::filesystem::file_size(out), static_cast<uintmax_t>(3 * kMargin));
  EXPECT_NEAR(ReadWav(out).Seconds(), kMinutes * 60 - 20 + 1.0 + kTrailingSilenceSeconds, 1.5);
}

}  // namespace
}  // namespace kalo::midi
