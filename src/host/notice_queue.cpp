#include "host/notice_queue.h"

#include <bit>

#include "host/main_loop.h"

namespace kalo::host {

NoticeQueue::NoticeQueue(size_t capacity) {
  const size_t rounded = std::bit_ceil(capacity < 2 ? size_t{2} : capacity);
  slots_ = std::make_unique<Slot[]>(rounded);
  for (size_t i = 0; i < rounded; ++i) slots_[i].Sequence.store(i, std::memory_order_relaxed);
  mask_ = rounded - 1;
}

bool NoticeQueue::Push(const Notice& notice) {
  size_t pos = enqueuePos_.load(std::memory_order_relaxed);
  for (;;) {
    Slot& slot = slots_[pos & mask_];
    const size_t seq = slot.Sequence.load(std::memory_order_acquire);
    const auto diff = static_cast<intptr_t>(seq) - static_cast<intptr_t>(pos);
    if (diff == 0) {
      if (enqueuePos_.compare_exchange_weak(pos, pos + 1, std::memory_order_relaxed)) {
        slot.Value = notice;
        slot.Sequence.store(pos + 1, std::memory_order_release);
        return true;
      }
    } else if (diff < 0) {
      return false;  // full
    } else {
      pos = enqueuePos_.load(std::memory_order_relaxed);
    }
  }
}

bool NoticeQueue::Pop(Notice& out) {
  Slot& slot = slots_[dequeuePos_ & mask_];
  const size_t seq = slot.Sequence.load(std::memory_order_acquire);
  if (static_cast<intptr_t>(seq) - static_cast<intptr_t>(dequeuePos_ + 1) < 0) return false;
  out = slot.Value;
  slot.Sequence.store(dequeuePos_ + mask_ + 1, std::memory_order_release);
  ++dequeuePos_;
  return true;
}

void NoticeQueue::Release(const Notice& notice, uint32_t outcome) {
  if (notice.Done == nullptr) return;
  notice.Done->store(outcome, std::memory_order_release);
  notice.Done->notify_one();
}

size_t NoticeQueue::RunAll() {
  size_t ran = 0;
  Notice notice;
  while (Pop(notice)) {
    if (notice.Target != nullptr) notice.Target->OnNotice(notice.Message, notice.Param);
    Release(notice, 1);
    ++ran;
  }
  return ran;
}

void NoticeQueue::DropFor(NoticeTarget& target) {
  // Only published slots are looked at; producers do not touch a published slot until the consumer
  // releases it, and none posts for target any more.
  const size_t end = enqueuePos_.load(std::memory_order_acquire);
  for (size_t pos = dequeuePos_; pos != end; ++pos) {
    Slot& slot = slots_[pos & mask_];
    if (slot.Sequence.load(std::memory_order_acquire) != pos + 1 || slot.Value.Target != &target) continue;
    slot.Value.Target = nullptr;
    Release(slot.Value, 2);
    slot.Value.Done = nullptr;
  }
}

void NoticeQueue::DropAll() {
  Notice notice;
  while (Pop(notice)) Release(notice, 2);
}

}  // namespace kalo::host
