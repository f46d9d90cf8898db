#pragma once
// A RIFF WAVE file of 16-bit PCM built in memory: samples are appended as floats (full scale 1.0),
// rounded and clamped, and the finished bytes go to the file in one write.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace kalo::midi {

class WavPcm16Buffer {
 public:
  WavPcm16Buffer(int sampleRate, int channels);

  // Room for this many frames, so that appending does not move the bytes.
  void Reserve(int64_t frames);
  // Interleaved samples, a whole number of frames.
  void Append(std::span<const float> interleaved);

  int64_t Frames() const { return samples_ / channels_; }
  // The largest magnitude appended, before clamping.
  float Peak() const { return peak_; }
  // Samples beyond full scale, clamped to it.
  int64_t ClippedSamples() const { return clipped_; }

  // The whole file with its sizes filled in; empty when the data exceeds a WAVE file's 4 GiB.
  std::span<const uint8_t> Finish();

 private:
  static constexpr size_t kHeaderBytes = 44;

  int sampleRate_;
  int channels_;
  std::vector<uint8_t> bytes_;
  int64_t samples_ = 0;
  float peak_ = 0;
  int64_t clipped_ = 0;
};

}  // namespace kalo::midi
