#include "styles/style_records.h"

#include <algorithm>
#include <cctype>
#include <vector>

#include "config/settings.h"

namespace kalo::styles {

std::optional<int> PartNumberOf(std::string_view name) {
  for (int p = 0; p < kPartCount; ++p) {
    const auto& candidate = kPartNames[static_cast<size_t>(p)];
    if (candidate.size() != name.size()) continue;
    bool same = std::equal(candidate.begin(), candidate.end(), name.begin(), [](char a, char b) {
      return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
    });
    if (same) return p;
  }
  return std::nullopt;
}

bool IsStoredController(int controller) {
  return std::find(kStoredControllers.begin(), kStoredControllers.end(), controller) !=
         kStoredControllers.end();
}

void EncodeHeader(const TStyleHeader& header, ByteWriter& out) {
  for (const auto& setup : header.Channels) out.WriteBytes(setup.Values);
  out.WriteBytes(header.ChannelUsed);
  out.WriteI16(header.Tempo);
  out.WriteI16(header.IntroMeasures);
  out.WriteI16(header.MeasureLength);
  out.WriteU8(header.Converted);
  out.WriteU8(header.SuppressControllers);
  out.WriteU8(header.Override);
}

void EncodePartTable(const PartTable& parts, ByteWriter& out) {
  for (const auto& part : parts) {
    out.WriteI16(part.FirstMeasure);
    out.WriteI16(part.LastMeasure);
    out.WriteI16(part.Beat);
    out.WriteBytes(part.Reserved);
    out.WriteI32(part.StartOffset);
    out.WriteI32(part.EndOffset);
    out.WriteU16(part.Variation);
    for (int32_t entry : part.EntryOffsets) out.WriteI32(entry);
    out.WriteBytes(part.Mute);
    out.WriteBytes(part.CutNotes);
  }
}

TStyleHeader DecodeHeader(std::span<const uint8_t, kStyleHeaderSize> bytes) {
  TStyleHeader header;
  ByteReader in(bytes);
  for (auto& setup : header.Channels) in.ReadSome(setup.Values);
  in.ReadSome(header.ChannelUsed);
  in.ReadI16(header.Tempo);
  in.ReadI16(header.IntroMeasures);
  in.ReadI16(header.MeasureLength);
  in.ReadU8(header.Converted);
  in.ReadU8(header.SuppressControllers);
  in.ReadU8(header.Override);
  return header;
}

PartTable DecodePartTable(std::span<const uint8_t, kPartTableSize> bytes) {
  PartTable parts;
  ByteReader in(bytes);
  for (auto& part : parts) {
    in.ReadI16(part.FirstMeasure);
    in.ReadI16(part.LastMeasure);
    in.ReadI16(part.Beat);
    in.ReadSome(part.Reserved);
    in.ReadI32(part.StartOffset);
    in.ReadI32(part.EndOffset);
    in.ReadU16(part.Variation);
    for (int32_t& entry : part.EntryOffsets) in.ReadI32(entry);
    in.ReadSome(part.Mute);
    in.ReadSome(part.CutNotes);
  }
  return parts;
}

TStyleHeader DecodeHeaderPrefix(std::span<const uint8_t> bytes) {
  // The reset image: set-ups not set, everything else 0.
  std::array<uint8_t, kStyleHeaderSize> image{};
  std::fill(image.begin(), image.begin() + kChannelCount * kChannelSetupSize, kNotSet);
  std::copy_n(bytes.begin(), std::min(bytes.size(), image.size()), image.begin());
  return DecodeHeader(image);
}

PartTable DecodePartTablePrefix(std::span<const uint8_t> bytes) {
  std::array<uint8_t, kPartTableSize> image{};
  std::copy_n(bytes.begin(), std::min(bytes.size(), image.size()), image.begin());
  return DecodePartTable(image);
}

bool IsValidMeasureLength(int measureLength) {
  return std::find(std::begin(config::kMetrumLengths), std::end(config::kMetrumLengths), measureLength) !=
         std::end(config::kMetrumLengths);
}

Metre MetreOf(int16_t storedMeasureLength) {
  int value = storedMeasureLength;  // widened before negating: -32768 stays representable
  Metre metre;
  if (value < 0 && IsValidMeasureLength(-value)) {
    metre.MeasureLength = -value;
    metre.EighthNotes = true;
  } else if (value > 0 && IsValidMeasureLength(value)) {
    metre.MeasureLength = value;
  }
  return metre;
}

int16_t StoredMeasureLength(const Metre& metre) {
  return static_cast<int16_t>(metre.EighthNotes ? -metre.MeasureLength : metre.MeasureLength);
}

int MetrumIndexFor(const Metre& metre) {
  if (metre.EighthNotes) {
    if (metre.MeasureLength == 12) return 6;  // "6/8"
    if (metre.MeasureLength == 4) return 8;   // "1/8"
  }
  for (int i = 0; i < config::kMetrumCount; ++i)
    if (config::kMetrumLengths[i] == metre.MeasureLength) return i;
  return 2;  // "4/4"
}

}  // namespace kalo::styles
