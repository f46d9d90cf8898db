#pragma once
// The fixed-capacity ring between an input's driver callback (the one producer) and the main thread
// (the one consumer). The event count is the only field both sides write; it is atomic. Nothing here
// allocates after construction.

#include <atomic>
#include <cstdint>
#include <memory>

namespace kalo::midi {

class TMyMidiHdr;

// One received event: 12 bytes of payload as the driver delivered it.
struct RingItem {
  uint32_t Time = 0;             // milliseconds since input start
  uint32_t Packed = 0;           // short message; 0 for system-exclusive
  TMyMidiHdr* Header = nullptr;  // the filled receive buffer; null for a short message
};

class CircularEventBuffer {
 public:
  explicit CircularEventBuffer(uint16_t capacity);
  CircularEventBuffer(const CircularEventBuffer&) = delete;
  CircularEventBuffer& operator=(const CircularEventBuffer&) = delete;

  // Producer only. False (and nothing changes) when the ring holds Capacity items.
  bool Put(const RingItem& item) noexcept;
  // Consumer only. Copies the oldest item; false when empty.
  bool Read(RingItem& item) const noexcept;
  // Consumer only. Drops the oldest item; nothing when empty.
  void Remove() noexcept;

  uint16_t Count() const noexcept { return count_.load(std::memory_order_acquire); }
  uint16_t Capacity() const noexcept { return capacity_; }

 private:
  std::unique_ptr<RingItem[]> items_;
  uint16_t capacity_;
  uint16_t nextPut_ = 0;  // producer only
  uint16_t nextGet_ = 0;  // consumer only
  std::atomic<uint16_t> count_{0};
};

}  // namespace kalo::midi
