// Speed of the offline driver: a full style (all eight parts, two measures each, eight channels in
// sixteenth notes with controllers) played over a long chord chart with fills, "To" parts and an
// ending, through the real tick and output path with no real time. Prints key=value lines:
//
//   render_speed [--measures N]
//
// realtime_ratio is how many times faster than real time the render runs at tempo 120 (48 ticks a
// second), by the wall clock; realtime_ratio_cpu by the processor time the render took, which a
// machine busy with other work does not change.

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "app/offline_driver.h"
#include "host/time_source.h"
#include "styles/style_file.h"
#include "styles/style_records.h"

namespace {

using namespace kalo;

constexpr int kBeatsPerMeasure = 4;
constexpr int kTicksPerBeat = 24;
constexpr double kRealTimeTicksPerSecond = 24.0 * 120.0 / 60.0;

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

}  // namespace

int main(int argc, char** argv) {
  int measures = 2000;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--measures" && i + 1 < argc) {
      measures = std::atoi(argv[++i]);
    } else {
      measures = 0;
      break;
    }
  }
  if (measures < 1) {
    std::fprintf(stderr, "usage: render_speed [--measures N (1 or more)]\n");
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

  // Two chords a measure through the chord types; a fill every 4 measures, To Extended and To Basic
  // in turn every 16, and the ending after the last measure.
  const config::ControlKeyNotes keys = config::ComputeControlKeyNotes(driver.Session().Settings());
  const int roots[] = {48, 53, 55, 57, 50, 52, 59, 56};
  app::Timeline timeline;
  const int64_t measureTicks = kBeatsPerMeasure * kTicksPerBeat;
  for (int m = 0; m < measures; ++m) {
    const int64_t start = m * measureTicks;
    for (int half = 0; half < 2; ++half) {
      const int index = 2 * m + half;
      timeline.Chord(start + half * 2 * kTicksPerBeat, roots[index % 8], 1 + index % 17);
    }
    if (m % 4 == 3) timeline.ControlKey(start + 30, keys.FillIn);
    if (m % 16 == 7) timeline.ControlKey(start + 30, keys.ToExtended);
    if (m % 16 == 15) timeline.ControlKey(start + 30, keys.ToBasic);
  }
  timeline.ControlKey(measures * measureTicks, keys.Ending);

  host::SteadyTimeSource clock;
  const int64_t begin = clock.NowMicros();
  const std::clock_t cpuBegin = std::clock();
  const app::OfflineCapture capture = driver.Run(timeline);
  const std::clock_t cpuEnd = std::clock();
  const int64_t elapsed = clock.NowMicros() - begin;
  const double cpuSeconds = static_cast<double>(cpuEnd - cpuBegin) / CLOCKS_PER_SEC;

  size_t messages = 0;
  for (const auto& output : capture.Outputs) messages += output.size();
  const double seconds = static_cast<double>(elapsed) / 1e6;
  const double ticksPerSecond = static_cast<double>(capture.Ticks) / seconds;
  std::printf("measures=%d\n", measures);
  std::printf("ticks=%lld\n", static_cast<long long>(capture.Ticks));
  std::printf("messages=%zu\n", messages);
  std::printf("seconds=%.3f\n", seconds);
  std::printf("ticks_per_second=%.0f\n", ticksPerSecond);
  std::printf("messages_per_second=%.0f\n", static_cast<double>(messages) / seconds);
  std::printf("realtime_ratio=%.0f\n", ticksPerSecond / kRealTimeTicksPerSecond);
  std::printf("cpu_seconds=%.3f\n", cpuSeconds);
  std::printf("realtime_ratio_cpu=%.0f\n",
              static_cast<double>(capture.Ticks) / cpuSeconds / kRealTimeTicksPerSecond);
  std::printf("stopped_by_itself=%s\n", capture.Cut ? "no" : "yes");
  return 0;
}
