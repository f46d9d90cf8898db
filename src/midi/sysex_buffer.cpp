#include "midi/sysex_buffer.h"

namespace kalo::midi {

TMyMidiHdr::TMyMidiHdr(size_t size) : data_(std::make_unique<uint8_t[]>(size == 0 ? 1 : size)), size_(size) {}

SysexReceivePool::SysexReceivePool(uint16_t count, uint16_t size)
    : queue_(std::make_unique<TMyMidiHdr*[]>(size_t{count} + 1)), queueSize_(size_t{count} + 1), size_(size) {
  buffers_.reserve(count);
  for (uint16_t i = 0; i < count; ++i) {
    buffers_.push_back(std::make_unique<TMyMidiHdr>(size));
    queue_[i] = buffers_.back().get();
  }
  tail_.store(count, std::memory_order_release);
}

TMyMidiHdr* SysexReceivePool::Take() noexcept {
  size_t head = head_.load(std::memory_order_relaxed);
  if (head == tail_.load(std::memory_order_acquire)) return nullptr;
  TMyMidiHdr* buffer = queue_[head];
  head_.store(head + 1 == queueSize_ ? 0 : head + 1, std::memory_order_release);
  buffer->BytesRecorded = 0;
  return buffer;
}

void SysexReceivePool::GiveBack(TMyMidiHdr* buffer) noexcept {
  if (buffer == nullptr) return;
  size_t tail = tail_.load(std::memory_order_relaxed);
  size_t next = tail + 1 == queueSize_ ? 0 : tail + 1;
  // The queue has one slot more than there are buffers, so it is never full for a buffer of ours.
  if (next == head_.load(std::memory_order_acquire)) return;
  buffer->BytesRecorded = 0;
  queue_[tail] = buffer;
  tail_.store(next, std::memory_order_release);
}

size_t SysexReceivePool::FreeCount() const noexcept {
  size_t head = head_.load(std::memory_order_acquire);
  size_t tail = tail_.load(std::memory_order_acquire);
  return tail >= head ? tail - head : tail + queueSize_ - head;
}

}  // namespace kalo::midi
