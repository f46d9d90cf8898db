#pragma once
// The bounded notice queue shared by the main loops: many producers (driver and timer threads), one
// consumer (the main thread). Pushing neither allocates nor locks, so that a driver or timer thread
// may push; a full queue refuses the notice rather than overwrite one.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace kalo::host {

class NoticeTarget;

class NoticeQueue {
 public:
  // What a notice carries. `Done` is set by SendNotice: the consumer stores 1 when the notice ran,
  // 2 when it was dropped, and wakes the waiting sender.
  struct Notice {
    NoticeTarget* Target = nullptr;
    uint32_t Message = 0;
    uintptr_t Param = 0;
    std::atomic<uint32_t>* Done = nullptr;
  };

  // capacity is rounded up to a power of two, at least 2.
  explicit NoticeQueue(size_t capacity);

  // Any thread. False when the queue is full.
  bool Push(const Notice& notice);
  // The consumer only. False when the queue is empty.
  bool Pop(Notice& out);

  // The consumer only: runs every queued notice and releases its sender; returns how many ran.
  size_t RunAll();
  // The consumer only: drops every queued notice and releases its sender (the loop has ended).
  void DropAll();
  // The consumer only, once no thread posts for target any more: drops the notices still queued for
  // it and releases their senders (SendNotice answers false), so that target may be destroyed.
  void DropFor(NoticeTarget& target);

 private:
  // `Sequence` tells producers and the consumer whose turn the slot is (the classic bounded-queue
  // sequence scheme).
  struct Slot {
    std::atomic<size_t> Sequence{0};
    Notice Value;
  };

  static void Release(const Notice& notice, uint32_t outcome);

  std::unique_ptr<Slot[]> slots_;
  size_t mask_;
  std::atomic<size_t> enqueuePos_{0};
  size_t dequeuePos_ = 0;  // consumer only
};

}  // namespace kalo::host
