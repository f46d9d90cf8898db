#include "midi/wav_pcm16_buffer.h"

#include <cmath>
#include <cstring>

namespace kalo::midi {

namespace {

void Put16(uint8_t* at, uint32_t value) {
  at[0] = static_cast<uint8_t>(value);
  at[1] = static_cast<uint8_t>(value >> 8);
}

void Put32(uint8_t* at, uint32_t value) {
  Put16(at, value & 0xFFFF);
  Put16(at + 2, value >> 16);
}

}  // namespace

WavPcm16Buffer::WavPcm16Buffer(int sampleRate, int channels)
    : sampleRate_(sampleRate), channels_(channels), bytes_(kHeaderBytes, 0) {}

void WavPcm16Buffer::Reserve(int64_t frames) {
  bytes_.reserve(kHeaderBytes + static_cast<size_t>(frames) * static_cast<size_t>(channels_) * 2);
}

void WavPcm16Buffer::Append(std::span<const float> interleaved) {
  const size_t at = bytes_.size();
  bytes_.resize(at + interleaved.size() * 2);
  uint8_t* out = bytes_.data() + at;
  for (float sample : interleaved) {
    const float magnitude = std::fabs(sample);
    if (magnitude > peak_) peak_ = magnitude;
    float scaled = std::nearbyint(sample * 32768.0f);
    if (scaled > 32767.0f || scaled < -32768.0f) {
      ++clipped_;
      scaled = scaled > 0 ? 32767.0f : -32768.0f;
    }
    Put16(out, static_cast<uint16_t>(static_cast<int16_t>(scaled)));
    out += 2;
  }
  samples_ += static_cast<int64_t>(interleaved.size());
}

std::span<const uint8_t> WavPcm16Buffer::Finish() {
  const uint64_t dataBytes = bytes_.size() - kHeaderBytes;
  if (dataBytes + kHeaderBytes - 8 > UINT32_MAX) return {};
  uint8_t* h = bytes_.data();
  const auto blockAlign = static_cast<uint32_t>(channels_ * 2);
  std::memcpy(h, "RIFF", 4);
  Put32(h + 4, static_cast<uint32_t>(dataBytes + kHeaderBytes - 8));
  std::memcpy(h + 8, "WAVEfmt ", 8);
  Put32(h + 16, 16);  // size of the format chunk
  Put16(h + 20, 1);   // PCM
  Put16(h + 22, static_cast<uint32_t>(channels_));
  Put32(h + 24, static_cast<uint32_t>(sampleRate_));
  Put32(h + 28, static_cast<uint32_t>(sampleRate_) * blockAlign);
  Put16(h + 32, blockAlign);
  Put16(h + 34, 16);  // bits per sample
  std::memcpy(h + 36, "data", 4);
  Put32(h + 40, static_cast<uint32_t>(dataBytes));
  return bytes_;
}

}  // namespace kalo::midi
