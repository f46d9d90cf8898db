#pragma once
// Little-endian field readers and writers over byte buffers. A reader never reads past its buffer:
// a read that does not fit fails, leaves the target unchanged and consumes nothing.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

namespace kalo::host {

class ByteReader {
 public:
  explicit ByteReader(std::span<const uint8_t> bytes) : bytes_(bytes) {}

  size_t Position() const { return pos_; }
  size_t Remaining() const { return bytes_.size() - pos_; }
  // Moves to `position`, clamped to the end of the buffer.
  void Seek(size_t position) { pos_ = position < bytes_.size() ? position : bytes_.size(); }

  bool ReadU8(uint8_t& value) {
    if (Remaining() < 1) return false;
    value = bytes_[pos_++];
    return true;
  }
  bool ReadU16(uint16_t& value) {
    if (Remaining() < 2) return false;
    value = static_cast<uint16_t>(bytes_[pos_] | (bytes_[pos_ + 1] << 8));
    pos_ += 2;
    return true;
  }
  bool ReadI16(int16_t& value) {
    uint16_t raw = 0;
    if (!ReadU16(raw)) return false;
    value = static_cast<int16_t>(raw);
    return true;
  }
  bool ReadU32(uint32_t& value) {
    if (Remaining() < 4) return false;
    value = static_cast<uint32_t>(bytes_[pos_]) | (static_cast<uint32_t>(bytes_[pos_ + 1]) << 8) |
            (static_cast<uint32_t>(bytes_[pos_ + 2]) << 16) | (static_cast<uint32_t>(bytes_[pos_ + 3]) << 24);
    pos_ += 4;
    return true;
  }
  bool ReadI32(int32_t& value) {
    uint32_t raw = 0;
    if (!ReadU32(raw)) return false;
    value = static_cast<int32_t>(raw);
    return true;
  }
  // Copies up to target.size() bytes; returns how many were there.
  size_t ReadSome(std::span<uint8_t> target) {
    size_t count = target.size() < Remaining() ? target.size() : Remaining();
    if (count > 0) std::memcpy(target.data(), bytes_.data() + pos_, count);
    pos_ += count;
    return count;
  }

 private:
  std::span<const uint8_t> bytes_;
  size_t pos_ = 0;
};

class ByteWriter {
 public:
  explicit ByteWriter(std::vector<uint8_t>& out) : out_(out) {}

  void WriteU8(uint8_t value) { out_.push_back(value); }
  void WriteU16(uint16_t value) {
    out_.push_back(static_cast<uint8_t>(value & 0xFF));
    out_.push_back(static_cast<uint8_t>(value >> 8));
  }
  void WriteI16(int16_t value) { WriteU16(static_cast<uint16_t>(value)); }
  void WriteU32(uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) out_.push_back(static_cast<uint8_t>((value >> shift) & 0xFF));
  }
  void WriteI32(int32_t value) { WriteU32(static_cast<uint32_t>(value)); }
  void WriteBytes(std::span<const uint8_t> bytes) { out_.insert(out_.end(), bytes.begin(), bytes.end()); }

 private:
  std::vector<uint8_t>& out_;
};

}  // namespace kalo::host
