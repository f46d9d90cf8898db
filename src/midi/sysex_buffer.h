#pragma once
// System-exclusive buffers: TMyMidiHdr is one buffer of fixed size (for receiving, or one outgoing
// message); SysexReceivePool is an input's set of receive buffers with the queue of free ones that
// the driver callback takes from and the main thread gives back to.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace kalo::midi {

class TMyMidiHdr {
 public:
  explicit TMyMidiHdr(size_t size);
  TMyMidiHdr(const TMyMidiHdr&) = delete;
  TMyMidiHdr& operator=(const TMyMidiHdr&) = delete;

  uint8_t* Data() noexcept { return data_.get(); }
  const uint8_t* Data() const noexcept { return data_.get(); }
  size_t Size() const noexcept { return size_; }
  // Bytes the driver wrote (receive) or bytes to send (output); at most Size().
  size_t BytesRecorded = 0;

 private:
  std::unique_ptr<uint8_t[]> data_;
  size_t size_;
};

// Receive buffers of one open input. Take runs on the driver thread, GiveBack on the main thread;
// the free queue is a single-producer, single-consumer ring of pointers, so neither allocates or locks.
class SysexReceivePool {
 public:
  SysexReceivePool(uint16_t count, uint16_t size);  // allocates everything at once
  SysexReceivePool(const SysexReceivePool&) = delete;
  SysexReceivePool& operator=(const SysexReceivePool&) = delete;

  // Driver thread: the next free buffer, or null when all are in use.
  TMyMidiHdr* Take() noexcept;
  // Main thread: hands a buffer back to the driver, emptied. Only buffers of this pool.
  void GiveBack(TMyMidiHdr* buffer) noexcept;

  uint16_t BufferSize() const noexcept { return size_; }
  size_t BufferCount() const noexcept { return buffers_.size(); }
  size_t FreeCount() const noexcept;

 private:
  std::vector<std::unique_ptr<TMyMidiHdr>> buffers_;
  std::unique_ptr<TMyMidiHdr*[]> queue_;  // capacity buffers_.size() + 1
  size_t queueSize_;
  uint16_t size_;
  std::atomic<size_t> head_{0};  // next to take; driver thread writes
  std::atomic<size_t> tail_{0};  // next free slot; main thread writes
};

}  // namespace kalo::midi
