// Speed of a render: a full style (all eight parts, two measures each, eight channels in sixteenth
// notes with controllers) played by a long song with fills, "To" parts and an ending, through
// the real tick and output path with no real time, to events; then the captured "Midiout" messages
// rendered through the built-in synthesizer to a WAV file, as `kalo render -o OUT.wav` does. Prints
// key=value lines:
//
//   render_speed [--measures N] [--no-wav]
//
// The piece is a song of 749 measures of 4/4 (2996 beats, 25 minutes at tempo 120) unless --measures
// says otherwise. realtime_ratio is how many times faster than real
// time the render to events runs (48 ticks a second at tempo 120), by the wall clock;
// realtime_ratio_cpu by the processor time it took, which a machine busy with other work does not
// change. The wav_ figures are the same for the synthesizer: audio time over render time.

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "app/offline_driver.h"
#include "app/render_output.h"
#include "app/synth_settings.h"
#include "host/time_source.h"
#include "midi/backends/synth_render.h"
#include "perform/chord_chart.h"
#include "song/chart_song.h"
#include "styles/style_file.h"
#include "styles/style_records.h"

namespace {

using namespace kalo;

constexpr int kBeatsPerMeasure = 4;
constexpr double kRealTimeTicksPerSecond = 24.0 * 120.0 / 60.0;
// The piece: the longest song of whole 4/4 measures the Chordmemory holds (749 measures, 2996 beats,
// with STOP in the record after them). Its events should take under a second, its sound at least 50
// times less than real time.
constexpr int kMaxMeasures = 749;
// Ticks a song may run beyond its beats before the render gives up: an intro and the ending wait.
constexpr int64_t kSlackTicks = 24 * 100;
constexpr double kEventsTargetSeconds = 1.0;
constexpr int kWavTargetRatio = 50;

// A style written sixteenth by sixteenth.
class FullStyle {
 public:
  FullStyle() {
    header_.MeasureLength = 16;
    header_.Tempo = 120;
    const uint8_t programs[8] = {48, 33, 0, 25, 61, 89, 16, 0};
    for (int c = 0; c < 8; ++c) {
      const int channel = c == 7 ? 9 : c;
      Message(static_cast<uint8_t>(0xC0 | channel), programs[c], 0);
      Message(static_cast<uint8_t>(0xB0 | channel), 7, 100);
      header_.Channels[static_cast<size_t>(channel)].Values[96] = programs[c];
      header_.Channels[static_cast<size_t>(channel)].Values[7] = 100;
      header_.ChannelUsed[static_cast<size_t>(channel)] = 1;
    }
    for (int part = 0; part < styles::kPartCount; ++part) AddPart(part, 2);
  }

  std::vector<uint8_t> FileBytes() const { return styles::SerializeStyleFile(header_, parts_, bytes_); }

 private:
  void Message(uint8_t status, uint8_t data1, uint8_t data2) {
    bytes_.insert(bytes_.end(), {status, data1, data2});
  }
  void Wait(int ticks) {
    for (; ticks > 8; ticks -= 8) bytes_.push_back(0xFF);
    if (ticks > 0) bytes_.push_back(static_cast<uint8_t>(0xF7 + ticks));
  }

  void AddPart(int part, int measures) {
    styles::TStylePart& record = parts_[static_cast<size_t>(part)];
    record.FirstMeasure = static_cast<int16_t>(1 + 2 * part);
    record.LastMeasure = static_cast<int16_t>(record.FirstMeasure + measures - 1);
    record.Beat = 1;
    record.StartOffset = static_cast<int32_t>(bytes_.size());
    for (int m = 0; m < measures; ++m) {
      for (int beat = 0; beat < kBeatsPerMeasure; ++beat) {
        if (m == 0 && beat > 0)
          record.EntryOffsets[static_cast<size_t>(beat) - 1] = static_cast<int32_t>(bytes_.size());
        if (beat == 0) Message(0xB2, 10, static_cast<uint8_t>(40 + 10 * part));
        for (int sixteenth = 0; sixteenth < 4; ++sixteenth) {
          const int step = beat * 4 + sixteenth;
          std::vector<std::array<uint8_t, 2>> notes = {{9, static_cast<uint8_t>(step % 2 ? 42 : 36)}};
          if (sixteenth == 0) notes.insert(notes.end(), {{0, 60}, {0, 64}, {0, 67}, {1, 36}, {5, 72}});
          if (sixteenth == 2)
            notes.insert(notes.end(), {{2, static_cast<uint8_t>(64 + step % 5)}, {3, 55}, {4, 79}});
          if (step % 3 == 0) notes.push_back({6, static_cast<uint8_t>(48 + step % 7)});
          for (const auto& n : notes) Message(static_cast<uint8_t>(0x90 | n[0]), n[1], 90);
          Wait(4);
          for (const auto& n : notes) Message(static_cast<uint8_t>(0x90 | n[0]), n[1], 0);
          Wait(2);
        }
      }
    }
    record.EndOffset = static_cast<int32_t>(bytes_.size());
    if (part == styles::kFillInExtended) record.Variation = styles::kVariationMarker;
  }

  styles::TStyleHeader header_;
  styles::PartTable parts_{};
  std::vector<uint8_t> bytes_;
};

// Renders the capture to a WAV file in the temporary folder, as `kalo render -o OUT.wav` does, prints
// the figures and removes the file.
int RenderWav(const app::OfflineCapture& capture) {
  const midi::SynthOptions synth = app::SynthOptionsFrom(config::Settings{});
  midi::SynthRenderOptions options;
  options.SoundFont = synth.SoundFont;
  options.SoundFontSetting = synth.SoundFontSetting;
  options.SampleRate = app::kRenderSampleRate;
  const std::filesystem::path out = std::filesystem::temp_directory_path() / "kalo-render-speed.wav";
  host::SteadyTimeSource clock;
  const int64_t begin = clock.NowMicros();
  const std::clock_t cpuBegin = std::clock();
  const midi::SynthRenderResult result =
      midi::RenderToAudioFile(capture.Midiout(), capture.Tempi, options, out);
  const double cpuSeconds = static_cast<double>(std::clock() - cpuBegin) / CLOCKS_PER_SEC;
  const double seconds = static_cast<double>(clock.NowMicros() - begin) / 1e6;
  std::error_code ignored;
  std::filesystem::remove(out, ignored);
  if (!result.Error.empty()) {
    std::fprintf(stderr, "render_speed: %s\n", result.Error.c_str());
    return 1;
  }
  const double audio = static_cast<double>(result.Frames) / result.SampleRate;
  std::printf("wav_sample_rate=%d\n", result.SampleRate);
  std::printf("wav_audio_seconds=%.1f\n", audio);
  std::printf("wav_seconds=%.3f\n", seconds);
  std::printf("wav_realtime_ratio=%.1f\n", audio / seconds);
  std::printf("wav_cpu_seconds=%.3f\n", cpuSeconds);
  std::printf("wav_realtime_ratio_cpu=%.1f\n", audio / cpuSeconds);
  std::printf("wav_target_ratio=%d\n", kWavTargetRatio);
  std::printf("wav_peak=%.3f\n", result.Peak);
  std::printf("wav_clipped_samples=%lld\n", static_cast<long long>(result.ClippedSamples));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  int measures = kMaxMeasures;
  bool wav = true;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--measures" && i + 1 < argc) {
      measures = std::atoi(argv[++i]);
    } else if (arg == "--no-wav") {
      wav = false;
    } else {
      measures = 0;
      break;
    }
  }
  if (measures < 1) {
    std::fprintf(stderr, "usage: render_speed [--measures N (1 or more)] [--no-wav]\n");
    return 2;
  }

  config::Settings settings;
  settings.Quantize = 1;
  app::OfflineDriver driver(settings, host::ProgramFolder("/nonexistent-kalo-folder"));
  const std::vector<uint8_t> style = FullStyle().FileBytes();
  if (!driver.LoadStyle("FULL.VXS", style)) {
    std::fprintf(stderr, "render_speed: the style was refused\n");
    return 1;
  }

  // The song: two chords a measure through the chord types; a fill every 4 measures, To Extended and
  // To Basic in turn every 16, and the ending on the last measure's last beat; STOP follows. It is
  // played as Play plays a song: the Chordmemory read ahead beat by beat by the song side.
  const config::ControlKeyNotes keys = config::ComputeControlKeyNotes(driver.Session().Settings());
  const int roots[] = {0, 5, 7, 9, 2, 4, 11, 8};
  perform::ChordChart chart;
  chart.BeatsPerMeasure = kBeatsPerMeasure;
  chart.Measures = measures;
  using Kind = perform::ChartItem::Kind;
  for (int m = 0; m < measures; ++m) {
    const int beat = m * kBeatsPerMeasure;
    const auto request = [&chart](int at, perform::ChartRequest what) {
      perform::ChartItem item{Kind::kRequest, at};
      item.Request = what;
      chart.Items.push_back(item);
    };
    for (int half = 0; half < 2; ++half) {
      const int index = 2 * m + half;
      chart.Items.push_back({Kind::kChord, beat + 2 * half, roots[index % 8], 1 + index % 17});
    }
    if (m % 4 == 3) request(beat + 3, perform::ChartRequest::kFill);
    if (m % 16 == 7) request(beat + 3, perform::ChartRequest::kToExtended);
    if (m % 16 == 15) request(beat + 3, perform::ChartRequest::kToBasic);
    if (m == measures - 1) request(beat + 3, perform::ChartRequest::kEnding);
  }
  std::sort(chart.Items.begin(), chart.Items.end(),
            [](const perform::ChartItem& a, const perform::ChartItem& b) { return a.Beat < b.Beat; });
  const auto chords = song::ChordmemoryFromChart(chart, keys, song::ChartSongShape{});
  if (!chords) {
    std::fprintf(stderr, "render_speed: %d measures do not fit the Chordmemory (%d at most)\n", measures,
                 kMaxMeasures);
    return 2;
  }
  driver.Session().Song().Chords = *chords;
  app::Timeline timeline;
  timeline.Do(0, [](app::Arranger& a) { a.Play(); });

  host::SteadyTimeSource clock;
  const int64_t begin = clock.NowMicros();
  const std::clock_t cpuBegin = std::clock();
  const app::OfflineCapture capture =
      driver.Run(timeline, int64_t{measures} * kBeatsPerMeasure * 24 + kSlackTicks);
  const std::clock_t cpuEnd = std::clock();
  const int64_t elapsed = clock.NowMicros() - begin;
  const double cpuSeconds = static_cast<double>(cpuEnd - cpuBegin) / CLOCKS_PER_SEC;

  size_t messages = 0;
  for (const auto& output : capture.Outputs) messages += output.size();
  const double seconds = static_cast<double>(elapsed) / 1e6;
  const double ticksPerSecond = static_cast<double>(capture.Ticks) / seconds;
  std::printf("piece=song (Chordmemory played as Play plays it)\n");
  std::printf("measures=%d\n", measures);
  std::printf("beats=%d\n", measures * kBeatsPerMeasure);
  std::printf("ticks=%lld\n", static_cast<long long>(capture.Ticks));
  std::printf("messages=%zu\n", messages);
  std::printf("seconds=%.3f\n", seconds);
  std::printf("target_seconds=%.0f\n", kEventsTargetSeconds);
  std::printf("ticks_per_second=%.0f\n", ticksPerSecond);
  std::printf("messages_per_second=%.0f\n", static_cast<double>(messages) / seconds);
  std::printf("realtime_ratio=%.0f\n", ticksPerSecond / kRealTimeTicksPerSecond);
  std::printf("cpu_seconds=%.3f\n", cpuSeconds);
  std::printf("realtime_ratio_cpu=%.0f\n",
              static_cast<double>(capture.Ticks) / cpuSeconds / kRealTimeTicksPerSecond);
  std::printf("stopped_by_itself=%s\n", capture.Cut ? "no" : "yes");
  std::fflush(stdout);
  return wav ? RenderWav(capture) : 0;
}
