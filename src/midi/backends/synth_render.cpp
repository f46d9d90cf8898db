#include "midi/backends/synth_render.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <vector>

#include "host/file_store.h"
#include "midi/backends/fluid_support.h"
#include "midi/tick_sample_map.h"
#include "midi/wav_pcm16_buffer.h"

namespace kalo::midi {

namespace {

constexpr int kChunkFrames = 4096;
// A tail chunk whose samples all round to zero in 16 bits is silence.
constexpr float kSilence = 0.5f / 32768.0f;

// Renders into the WAV buffer and tells the progress.
class Renderer {
 public:
  Renderer(fluid_synth_t* synth, WavPcm16Buffer& wav, const std::function<void(double)>& progress)
      : synth_(synth), wav_(wav), progress_(progress), chunk_(2 * kChunkFrames) {}

  int64_t Position() const { return position_; }

  // Renders up to frame `target`; returns the peak of what it rendered.
  float RenderTo(int64_t target, double doneAtTarget) {
    float peak = 0;
    const int64_t from = position_;
    while (position_ < target) {
      const int n = static_cast<int>(std::min<int64_t>(target - position_, kChunkFrames));
      fluid_synth_write_float(synth_, n, chunk_.data(), 0, 2, chunk_.data(), 1, 2);
      const std::span<const float> samples(chunk_.data(), static_cast<size_t>(2 * n));
      for (float sample : samples) peak = std::max(peak, std::fabs(sample));
      wav_.Append(samples);
      position_ += n;
      Report(reported_ + (doneAtTarget - reported_) * static_cast<double>(position_ - from) /
                             static_cast<double>(target - from));
    }
    return peak;
  }

  void Report(double fraction) {
    if (!progress_ || fraction < told_ + 0.01) return;
    told_ = fraction;
    progress_(fraction);
  }
  void Settle(double fraction) { reported_ = fraction; }
  void Finish() {
    if (progress_) progress_(1.0);
  }

 private:
  fluid_synth_t* synth_;
  WavPcm16Buffer& wav_;
  const std::function<void(double)>& progress_;
  std::vector<float> chunk_;
  int64_t position_ = 0;
  double reported_ = 0;  // the fraction at the start of the current RenderTo
  double told_ = 0;
};

}  // namespace

SynthRenderResult RenderToWav(std::span<const CapturedMessage> messages, std::span<const TempoChange> tempo,
                              const SynthRenderOptions& options, const std::filesystem::path& out) {
  SynthRenderResult result;
  result.SampleRate = options.SampleRate;
  if (options.SampleRate < 8000 || options.SampleRate > 192000) {
    result.Error =
        "The sample rate " + std::to_string(options.SampleRate) + " Hz is not between 8000 and 192000.";
    return result;
  }
  fluid::SettingsPtr settings = fluid::NewSettings(options.SampleRate, false);
  if (settings == nullptr) {
    result.Error = "FluidSynth cannot be set up";
    return result;
  }
  fluid::SynthPtr synth =
      fluid::NewSynthWithSoundFont(settings.get(), options.SoundFont, options.SoundFontSetting, result.Error);
  if (synth == nullptr) return result;

  std::vector<size_t> order(messages.size());
  std::iota(order.begin(), order.end(), size_t{0});
  std::stable_sort(order.begin(), order.end(),
                   [&](size_t a, size_t b) { return messages[a].Tick < messages[b].Tick; });
  const TickSampleMap map(tempo, options.SampleRate);
  const int64_t end = messages.empty() ? 0 : map.SampleAt(messages[order.back()].Tick);
  result.LastEventFrame = end;
  const auto maxTail = static_cast<int64_t>(kMaxRenderTailSeconds * options.SampleRate);
  // Most of the work is the music; the tail's share of the progress is its longest possible length.
  const double musicShare = end == 0 ? 0.0 : static_cast<double>(end) / static_cast<double>(end + maxTail);

  WavPcm16Buffer wav(options.SampleRate, 2);
  wav.Reserve(end + options.SampleRate * 2);
  Renderer renderer(synth.get(), wav, options.Progress);
  for (size_t index : order) {
    const CapturedMessage& message = messages[index];
    const int64_t at = map.SampleAt(message.Tick);
    if (at > renderer.Position()) {
      renderer.RenderTo(at, musicShare * static_cast<double>(at) / static_cast<double>(end));
      renderer.Settle(musicShare * static_cast<double>(at) / static_cast<double>(end));
    }
    fluid::Play(synth.get(), message.Bytes.data(), message.Bytes.size());
  }
  const int64_t tailChunk = std::max<int64_t>(options.SampleRate / 20, 1);
  while (renderer.Position() < end + maxTail) {
    const int64_t target = std::min(renderer.Position() + tailChunk, end + maxTail);
    const double done =
        musicShare + (1 - musicShare) * static_cast<double>(target - end) / static_cast<double>(maxTail);
    const float peak = renderer.RenderTo(target, done);
    renderer.Settle(done);
    if (peak < kSilence && fluid_synth_get_active_voice_count(synth.get()) == 0) break;
  }

  result.Frames = wav.Frames();
  result.Peak = wav.Peak();
  result.ClippedSamples = wav.ClippedSamples();
  const std::span<const uint8_t> bytes = wav.Finish();
  if (bytes.empty()) {
    result.Error = "The render is too long for a WAV file (4 GiB at most).";
    return result;
  }
  if (auto failed = host::WriteFileSafely(out, bytes)) {
    result.Error = "Cannot write " + *failed;  // the writer names the file
    return result;
  }
  renderer.Finish();
  return result;
}

}  // namespace kalo::midi
