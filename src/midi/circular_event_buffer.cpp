#include "midi/circular_event_buffer.h"

namespace kalo::midi {

CircularEventBuffer::CircularEventBuffer(uint16_t capacity)
    : items_(std::make_unique<RingItem[]>(capacity == 0 ? 1 : capacity)), capacity_(capacity) {}

bool CircularEventBuffer::Put(const RingItem& item) noexcept {
  // Only this side raises the count, so a count below capacity stays below it until our increment.
  if (count_.load(std::memory_order_acquire) >= capacity_) return false;
  items_[nextPut_] = item;
  nextPut_ = static_cast<uint16_t>(nextPut_ + 1 == capacity_ ? 0 : nextPut_ + 1);
  // Release: the item is written before the consumer can see the higher count.
  count_.fetch_add(1, std::memory_order_release);
  return true;
}

bool CircularEventBuffer::Read(RingItem& item) const noexcept {
  if (count_.load(std::memory_order_acquire) == 0) return false;
  item = items_[nextGet_];
  return true;
}

void CircularEventBuffer::Remove() noexcept {
  if (count_.load(std::memory_order_acquire) == 0) return;
  nextGet_ = static_cast<uint16_t>(nextGet_ + 1 == capacity_ ? 0 : nextGet_ + 1);
  // Release: our read of the slot happens before the producer may overwrite it.
  count_.fetch_sub(1, std::memory_order_release);
}

}  // namespace kalo::midi
