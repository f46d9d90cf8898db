// Rendering speed of the built-in synthesizer: a dense minute of a full arrangement (drums, bass,
// comping chords, a pad, a melody and controller movement on five channels, 120 bpm) rendered
// offline to a WAV file. Prints one key=value per line; the ratios are audio time over render time,
// by the wall clock and by the processor time the render used.
//   synth_render [sample-rate] [output.wav]

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "midi/backends/synth_render.h"

namespace {

using kalo::midi::CapturedMessage;

constexpr int kTicksPerBeat = 24;
constexpr int kBeats = 120;  // one minute at 120 bpm

void Note(std::vector<CapturedMessage>& out, int64_t tick, int length, int channel, int key, int velocity) {
  out.push_back(
      {tick,
       {static_cast<uint8_t>(0x90 | channel), static_cast<uint8_t>(key), static_cast<uint8_t>(velocity)}});
  out.push_back({tick + length, {static_cast<uint8_t>(0x80 | channel), static_cast<uint8_t>(key), 0}});
}

std::vector<CapturedMessage> DenseMinute() {
  std::vector<CapturedMessage> out;
  const int programs[5] = {0, 33, 48, 73, 0};  // piano, bass, strings, flute; drums on channel 10
  for (int channel = 0; channel < 4; ++channel) {
    out.push_back({0, {static_cast<uint8_t>(0xC0 | channel), static_cast<uint8_t>(programs[channel])}});
    out.push_back({0, {static_cast<uint8_t>(0xB0 | channel), 91, 40}});
    out.push_back({0, {static_cast<uint8_t>(0xB0 | channel), 93, 20}});
  }
  const int roots[4] = {48, 45, 41, 43};  // C, A minor, F, G
  for (int beat = 0; beat < kBeats; ++beat) {
    const int64_t at = int64_t{beat} * kTicksPerBeat;
    const int root = roots[(beat / 4) % 4];
    const bool minor = (beat / 4) % 4 == 1;
    const int chord[4] = {root + 12, root + (minor ? 15 : 16), root + 19, root + 24};
    for (int sixteenth = 0; sixteenth < 4; ++sixteenth) {
      const int64_t step = at + sixteenth * 6;
      Note(out, step, 3, 9, 42, sixteenth == 0 ? 100 : 70);                           // hi-hat
      Note(out, step, 5, 3, chord[(beat + sixteenth) % 4] + 12, 80 + sixteenth * 5);  // melody
    }
    Note(out, at, 6, 9, beat % 2 == 0 ? 36 : 38, 115);  // kick and snare
    if (beat % 16 == 0) Note(out, at, 12, 9, 49, 110);  // crash
    for (int eighth = 0; eighth < 2; ++eighth) {
      const int64_t step = at + eighth * 12;
      for (int key : chord) Note(out, step, 10, 0, key, 75);  // comping
      Note(out, step, 11, 1, root - 12 + (eighth == 1 ? 7 : 0), 100);
    }
    if (beat % 4 == 0) {
      for (int key : chord) Note(out, at, 4 * kTicksPerBeat - 2, 2, key, 70);  // pad
    }
    for (int tick = 0; tick < kTicksPerBeat; tick += 2) {
      out.push_back(
          {at + tick, {0xB2, 11, static_cast<uint8_t>(90 + (beat * 12 + tick) % 30)}});  // expression
      out.push_back({at + tick, {0xE3, 0, static_cast<uint8_t>(64 + (tick % 8) - 4)}});  // bend
    }
  }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  constexpr const char* kUsage =
      "usage: synth_render [SAMPLE_RATE [OUT.wav]]\n"
      "  renders a dense minute (five channels, 120 bpm) through the built-in synthesizer to a 16-bit\n"
      "  WAV file and prints the render time and its ratio to real time; SAMPLE_RATE 8000 to 192000\n"
      "  (default 44100); the file is kept only when OUT.wav is given\n";
  kalo::midi::SynthRenderOptions options;
  if (argc > 1) {
    char* end = nullptr;
    const long rate = std::strtol(argv[1], &end, 10);
    if (argc > 3 || end == argv[1] || *end != '\0') {
      const bool help = std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h";
      std::fputs(kUsage, help ? stdout : stderr);
      return help ? 0 : 2;
    }
    options.SampleRate = static_cast<int>(std::clamp(rate, 0L, 1'000'000L));
  }
  const std::filesystem::path out = argc > 2
                                        ? std::filesystem::path(argv[2])
                                        : std::filesystem::temp_directory_path() / "kalo-synth-render.wav";
  const std::vector<CapturedMessage> messages = DenseMinute();
  const std::vector<kalo::midi::TempoChange> tempo = {{0, 120}};

  const std::clock_t cpuStart = std::clock();
  const auto start = std::chrono::steady_clock::now();
  const kalo::midi::SynthRenderResult result = kalo::midi::RenderToAudioFile(messages, tempo, options, out);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  // On a shared machine the wall time includes waiting for a core; the processor time does not.
  const double cpuSeconds = static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
  if (!result.Error.empty()) {
    std::fprintf(stderr, "synth_render: %s\n", result.Error.c_str());
    return 1;
  }
  const double audio = static_cast<double>(result.Frames) / result.SampleRate;
  std::printf("messages=%zu\nsample_rate=%d\naudio_seconds=%.2f\nrender_seconds=%.3f\nrealtime_ratio=%.1f\n",
              messages.size(), result.SampleRate, audio, seconds, audio / seconds);
  std::printf("cpu_seconds=%.3f\nrealtime_ratio_cpu=%.1f\n", cpuSeconds, audio / cpuSeconds);
  std::printf("peak=%.3f\nclipped_samples=%lld\nwav=%s\n", result.Peak,
              static_cast<long long>(result.ClippedSamples), out.c_str());
  if (argc <= 2) std::filesystem::remove(out);
  return 0;
}
