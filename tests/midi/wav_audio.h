#pragma once
// Rendered audio read back with libsndfile, so that checks of sound do not share the writer's code.

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <vector>

namespace kalo::midi::testing {

struct Audio {
  int Rate = 0;
  int Channels = 0;
  std::vector<short> Samples;  // interleaved
  int64_t Frames() const { return Channels == 0 ? 0 : static_cast<int64_t>(Samples.size()) / Channels; }
  double Seconds() const { return Rate == 0 ? 0 : static_cast<double>(Frames()) / Rate; }

  // Root mean square of all channels between two times in seconds, full scale 1.
  double Rms(double from, double to) const {
    double sum = 0;
    const auto first = std::min(Samples.size(), static_cast<size_t>(from * Rate) * Channels);
    const auto last = std::min(Samples.size(), static_cast<size_t>(to * Rate) * Channels);
    for (size_t i = first; i < last; ++i) sum += (Samples[i] / 32768.0) * (Samples[i] / 32768.0);
    return last > first ? std::sqrt(sum / static_cast<double>(last - first)) : 0;
  }
  // The largest sample magnitude; 32767 or more is full scale.
  int Peak() const {
    int peak = 0;
    for (short sample : Samples) peak = std::max(peak, std::abs(static_cast<int>(sample)));
    return peak;
  }
  // The first time at or after `from` where a sample reaches `level`, or -1.
  double Onset(double from, double level) const {
    for (size_t i = static_cast<size_t>(from * Rate) * Channels; i < Samples.size(); ++i) {
      if (std::abs(Samples[i] / 32768.0) >= level) return static_cast<double>(i / Channels) / Rate;
    }
    return -1;
  }
};

// The file's samples; an empty Audio when libsndfile cannot open it.
inline Audio ReadWav(const std::filesystem::path& path) {
  SF_INFO info{};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  Audio audio;
  if (file == nullptr) return audio;
  audio.Rate = info.samplerate;
  audio.Channels = info.channels;
  audio.Samples.resize(static_cast<size_t>(info.frames * info.channels));
  audio.Samples.resize(
      static_cast<size_t>(sf_read_short(file, audio.Samples.data(), info.frames * info.channels)));
  sf_close(file);
  return audio;
}

}  // namespace kalo::midi::testing
