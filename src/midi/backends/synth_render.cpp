#include "midi/backends/synth_render.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <vector>

#include "midi/backends/fluid_support.h"
#include "midi/tick_sample_map.h"

namespace kalo::midi {

namespace {

constexpr int kChunkFrames = 4096;
constexpr int kChannels = 2;

// Renders block by block into the file, converting to 16 bits, and tells the progress.
class Renderer {
 public:
  Renderer(fluid_synth_t* synth, AudioFileWriter& file, const std::function<void(double)>& progress)
      : synth_(synth), file_(file), progress_(progress), floats_(kChannels * kChunkFrames) {}

  int64_t Position() const { return position_; }
  int64_t Written() const { return written_; }
  float Peak() const { return peak_; }
  int64_t Clipped() const { return clipped_; }

  // Renders up to frame `target` straight into the file; false when the file failed.
  bool RenderTo(int64_t target, double doneAtTarget) {
    const int64_t from = position_;
    while (position_ < target) {
      const int n = static_cast<int>(std::min<int64_t>(target - position_, kChunkFrames));
      Next(n);
      if (!Emit(0, n)) return false;
      Report(reported_ + (doneAtTarget - reported_) * static_cast<double>(position_ - from) /
                             static_cast<double>(target - from));
    }
    reported_ = doneAtTarget;
    return true;
  }

  // Renders on until the sound has stayed below kAudibleLevel for `silence` frames, or for `limit`
  // frames at most, and writes the sound with at most `silence` frames after it. False when the file
  // failed.
  bool RingOut(int64_t limit, int64_t silence) {
    const int64_t from = position_;
    // Frames rendered since the last audible sample, held back until more sound follows them.
    std::vector<int16_t> held;
    while (position_ < from + limit) {
      const int n = static_cast<int>(std::min<int64_t>(from + limit - position_, kChunkFrames));
      Next(n);
      int lastAudible = -1;
      for (int frame = 0; frame < n; ++frame) {
        for (int c = 0; c < kChannels; ++c) {
          if (std::fabs(floats_[static_cast<size_t>(frame * kChannels + c)]) >= kAudibleLevel)
            lastAudible = frame;
        }
      }
      if (lastAudible >= 0) {
        if (!Put(held)) return false;
        held.clear();
      }
      held.insert(held.end(), shorts_.begin() + (lastAudible + 1) * kChannels,
                  shorts_.begin() + n * kChannels);
      if (!Emit(0, lastAudible + 1)) return false;
      Report(reported_ +
             (1.0 - reported_) * static_cast<double>(position_ - from) / static_cast<double>(limit));
      if (static_cast<int64_t>(held.size()) >= silence * kChannels) break;
    }
    held.resize(std::min<size_t>(held.size(), static_cast<size_t>(silence * kChannels)));
    return Put(held);
  }

  void Finish() {
    if (progress_) progress_(1.0);
  }

 private:
  // Renders the next n frames into floats_ and shorts_.
  void Next(int n) {
    fluid_synth_write_float(synth_, n, floats_.data(), 0, kChannels, floats_.data(), 1, kChannels);
    shorts_.resize(static_cast<size_t>(n * kChannels));
    for (size_t i = 0; i < shorts_.size(); ++i) {
      const float sample = floats_[i];
      peak_ = std::max(peak_, std::fabs(sample));
      float scaled = std::nearbyint(sample * 32768.0f);
      if (scaled > 32767.0f || scaled < -32768.0f) {
        ++clipped_;
        scaled = scaled > 0 ? 32767.0f : -32768.0f;
      }
      shorts_[i] = static_cast<int16_t>(scaled);
    }
    position_ += n;
  }
  bool Emit(int first, int count) {
    return Put(std::span<const int16_t>(shorts_).subspan(static_cast<size_t>(first * kChannels),
                                                         static_cast<size_t>(count * kChannels)));
  }
  bool Put(std::span<const int16_t> samples) {
    written_ += static_cast<int64_t>(samples.size()) / kChannels;
    return samples.empty() || file_.Write(samples);
  }
  void Report(double fraction) {
    if (!progress_ || fraction < told_ + 0.01) return;
    told_ = fraction;
    progress_(fraction);
  }

  fluid_synth_t* synth_;
  AudioFileWriter& file_;
  const std::function<void(double)>& progress_;
  std::vector<float> floats_;
  std::vector<int16_t> shorts_;
  int64_t position_ = 0;  // frames rendered
  int64_t written_ = 0;   // frames handed to the file
  float peak_ = 0;
  int64_t clipped_ = 0;
  double reported_ = 0;  // the fraction at the start of the current stretch
  double told_ = 0;
};

}  // namespace

SynthRenderResult RenderToAudioFile(std::span<const CapturedMessage> messages,
                                    std::span<const TempoChange> tempo, const SynthRenderOptions& options,
                                    const std::filesystem::path& out) {
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

  std::vector<uint32_t> order(messages.size());
  std::iota(order.begin(), order.end(), uint32_t{0});
  std::stable_sort(order.begin(), order.end(),
                   [&](uint32_t a, uint32_t b) { return messages[a].Tick < messages[b].Tick; });
  const TickSampleMap map(tempo, options.SampleRate);
  const int64_t end = messages.empty() ? 0 : map.SampleAt(messages[order.back()].Tick);
  result.LastEventFrame = end;
  const auto maxTail = static_cast<int64_t>(kMaxRenderTailSeconds * options.SampleRate);
  const auto silence = static_cast<int64_t>(kTrailingSilenceSeconds * options.SampleRate);
  // Most of the work is the music; the tail's share of the progress is its longest possible length.
  const double musicShare = end == 0 ? 0.0 : static_cast<double>(end) / static_cast<double>(end + maxTail);

  AudioFileWriter file(out, options.Type, options.SampleRate, kChannels, end + maxTail);
  result.Rf64 = file.Rf64();
  Renderer renderer(synth.get(), file, options.Progress);
  bool writing = file.Error().empty();
  for (size_t i = 0; i < order.size() && writing; ++i) {
    const CapturedMessage& message = messages[order[i]];
    const int64_t at = map.SampleAt(message.Tick);
    if (at > renderer.Position())
      writing = renderer.RenderTo(at, musicShare * static_cast<double>(at) / static_cast<double>(end));
    fluid::Play(synth.get(), message.Bytes.data(), message.Bytes.size());
  }
  if (writing) writing = renderer.RingOut(maxTail, silence);

  result.Frames = renderer.Written();
  result.Peak = renderer.Peak();
  result.ClippedSamples = renderer.Clipped();
  if (auto failed = writing ? file.Finish() : std::optional(file.Error())) {
    result.Error = "Cannot write " + *failed;  // the writer names the file
    return result;
  }
  renderer.Finish();
  return result;
}

}  // namespace kalo::midi
