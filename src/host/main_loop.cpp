#include "host/main_loop.h"

#include <bit>
#include <stdexcept>

namespace kalo::host {

StdMainLoop::StdMainLoop(size_t noticeCapacity) {
  size_t capacity = std::bit_ceil(noticeCapacity < 2 ? size_t{2} : noticeCapacity);
  slots_ = std::make_unique<Slot[]>(capacity);
  for (size_t i = 0; i < capacity; ++i) slots_[i].Sequence.store(i, std::memory_order_relaxed);
  mask_ = capacity - 1;
  mainThread_.store(std::this_thread::get_id());
}

StdMainLoop::~StdMainLoop() { ReleasePendingSends(); }

void StdMainLoop::Wake() {
  wakeCounter_.fetch_add(1, std::memory_order_release);
  wakeCounter_.notify_one();
}

bool StdMainLoop::PushNotice(NoticeTarget& target, uint32_t message, uintptr_t param,
                             std::atomic<uint32_t>* done) {
  size_t pos = enqueuePos_.load(std::memory_order_relaxed);
  for (;;) {
    Slot& slot = slots_[pos & mask_];
    size_t seq = slot.Sequence.load(std::memory_order_acquire);
    auto diff = static_cast<intptr_t>(seq) - static_cast<intptr_t>(pos);
    if (diff == 0) {
      if (enqueuePos_.compare_exchange_weak(pos, pos + 1, std::memory_order_relaxed)) {
        slot.Target = &target;
        slot.Message = message;
        slot.Param = param;
        slot.Done = done;
        slot.Sequence.store(pos + 1, std::memory_order_release);
        Wake();
        return true;
      }
    } else if (diff < 0) {
      return false;  // full
    } else {
      pos = enqueuePos_.load(std::memory_order_relaxed);
    }
  }
}

bool StdMainLoop::PopNotice(Slot& out) {
  Slot& slot = slots_[dequeuePos_ & mask_];
  size_t seq = slot.Sequence.load(std::memory_order_acquire);
  if (static_cast<intptr_t>(seq) - static_cast<intptr_t>(dequeuePos_ + 1) < 0) return false;
  out.Target = slot.Target;
  out.Message = slot.Message;
  out.Param = slot.Param;
  out.Done = slot.Done;
  slot.Sequence.store(dequeuePos_ + mask_ + 1, std::memory_order_release);
  ++dequeuePos_;
  return true;
}

void StdMainLoop::Post(std::function<void()> fn) {
  {
    std::lock_guard lock(postMutex_);
    posted_.push_back(std::move(fn));
  }
  Wake();
}

void StdMainLoop::Send(std::function<void()> fn) {
  if (IsMainThread()) {
    fn();
    return;
  }
  std::atomic<bool> done{false};
  Post([&] {
    fn();
    done.store(true, std::memory_order_release);
    done.notify_one();
  });
  done.wait(false, std::memory_order_acquire);
}

bool StdMainLoop::PostNotice(NoticeTarget& target, uint32_t message, uintptr_t param) {
  return PushNotice(target, message, param, nullptr);
}

bool StdMainLoop::SendNotice(NoticeTarget& target, uint32_t message, uintptr_t param) {
  if (IsMainThread()) {
    target.OnNotice(message, param);
    return true;
  }
  if (!running_.load(std::memory_order_acquire)) return false;
  std::atomic<uint32_t> done{0};
  if (!PushNotice(target, message, param, &done)) return false;
  done.wait(0, std::memory_order_acquire);
  return done.load(std::memory_order_acquire) == 1;
}

void StdMainLoop::DropNotices(NoticeTarget& target) {
  // Every notice for target is published (no thread posts for it any more), so only published slots
  // are looked at; the producers do not touch a published slot until the consumer releases it.
  const size_t end = enqueuePos_.load(std::memory_order_acquire);
  for (size_t pos = dequeuePos_; pos != end; ++pos) {
    Slot& slot = slots_[pos & mask_];
    if (slot.Sequence.load(std::memory_order_acquire) != pos + 1 || slot.Target != &target) continue;
    slot.Target = nullptr;
    if (slot.Done != nullptr) {
      slot.Done->store(2, std::memory_order_release);
      slot.Done->notify_one();
      slot.Done = nullptr;
    }
  }
}

size_t StdMainLoop::DrainOnce() {
  size_t ran = 0;
  Slot notice;
  while (PopNotice(notice)) {
    if (notice.Target != nullptr) notice.Target->OnNotice(notice.Message, notice.Param);
    if (notice.Done != nullptr) {
      notice.Done->store(1, std::memory_order_release);
      notice.Done->notify_one();
    }
    ++ran;
  }
  // Take the functions queued so far; those posted meanwhile run in the next round.
  std::deque<std::function<void()>> batch;
  {
    std::lock_guard lock(postMutex_);
    batch.swap(posted_);
  }
  for (auto& fn : batch) {
    fn();
    ++ran;
  }
  return ran;
}

size_t StdMainLoop::RunPending() {
  mainThread_.store(std::this_thread::get_id());
  size_t total = 0;
  for (;;) {
    size_t ran = DrainOnce();
    if (ran == 0) return total;
    total += ran;
  }
}

void StdMainLoop::Run() {
  mainThread_.store(std::this_thread::get_id());
  quit_.store(false);
  running_.store(true, std::memory_order_release);
  while (!quit_.load(std::memory_order_acquire)) {
    uint32_t seen = wakeCounter_.load(std::memory_order_acquire);
    if (DrainOnce() == 0 && !quit_.load(std::memory_order_acquire)) wakeCounter_.wait(seen);
  }
  running_.store(false, std::memory_order_release);
  ReleasePendingSends();
}

void StdMainLoop::Quit() {
  quit_.store(true, std::memory_order_release);
  Wake();
}

void StdMainLoop::ReleasePendingSends() {
  // Notices still queued when the loop ends are not run; their senders are let go.
  Slot notice;
  while (PopNotice(notice)) {
    if (notice.Done != nullptr) {
      notice.Done->store(2, std::memory_order_release);
      notice.Done->notify_one();
    }
  }
}

bool StdMainLoop::IsMainThread() const { return mainThread_.load() == std::this_thread::get_id(); }

}  // namespace kalo::host
