#pragma once
// Arrangement files put together byte by byte from their layout, independently of the writer.

#include <cstdint>
#include <string>
#include <vector>

namespace kalo::song::testing {

struct FileBytes {
  std::vector<uint8_t> Bytes;

  FileBytes& U8(int value) {
    Bytes.push_back(static_cast<uint8_t>(value));
    return *this;
  }
  FileBytes& I32(int32_t value) {
    for (int shift = 0; shift < 32; shift += 8)
      U8(static_cast<int>((static_cast<uint32_t>(value) >> shift) & 0xFF));
    return *this;
  }
  FileBytes& Text(const std::string& text) {
    Bytes.insert(Bytes.end(), text.begin(), text.end());
    return *this;
  }
  FileBytes& Fill(size_t count, uint8_t value = 0) {
    Bytes.insert(Bytes.end(), count, value);
    return *this;
  }
  FileBytes& Event(int32_t time, int status, int data1, int data2, int flag) {
    return I32(time).U8(status).U8(data1).U8(data2).U8(flag);
  }
  // A style block: the length byte, the path, zeros to 160 bytes.
  FileBytes& StyleBlock(const std::string& path) {
    U8(252).U8(static_cast<int>(path.size())).Text(path);
    return Fill(159 - path.size());
  }
  // A Chordmemory: header, then the beat records given as four bytes each.
  FileBytes& Chords(std::vector<uint8_t> header, const std::vector<std::vector<uint8_t>>& records) {
    Bytes.insert(Bytes.end(), header.begin(), header.end());
    for (const auto& r : records) Bytes.insert(Bytes.end(), r.begin(), r.end());
    return *this;
  }
};

}  // namespace kalo::song::testing
