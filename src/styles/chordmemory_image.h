#pragma once
// The song's Chordmemory as bytes: the value a work file carries, handed to and taken from the
// owner of the Chordmemory. One 4-byte head record, then one 4-byte beat record per quarter note.

#include <array>
#include <cstddef>
#include <cstdint>

namespace kalo::styles {

// Bytes reserved for the Chordmemory: the largest block a file may load.
inline constexpr size_t kChordmemoryBufferSize = 12010;
// The working area that clearing zeroes and recording may reach (records 0 to 3000).
inline constexpr size_t kChordmemoryWorkingSize = 12004;
inline constexpr int16_t kEmptyChordmemoryLength = 4;

struct ChordmemoryImage {
  int16_t Length = kEmptyChordmemoryLength;  // bytes in use, head record included; below 5 = empty
  std::array<uint8_t, kChordmemoryBufferSize> Bytes{};

  bool Empty() const { return Length < 5; }
  // A cleared Chordmemory: all zero, length 4, STOP (function code 255) in beat record 1.
  static ChordmemoryImage Cleared() {
    ChordmemoryImage image;
    image.Bytes[6] = 255;
    return image;
  }
  bool operator==(const ChordmemoryImage&) const = default;
};

}  // namespace kalo::styles
