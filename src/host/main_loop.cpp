#include "host/main_loop.h"

namespace kalo::host {

QueuedMainLoop::QueuedMainLoop(size_t noticeCapacity) : notices_(noticeCapacity) {}

QueuedMainLoop::~QueuedMainLoop() { notices_.DropAll(); }

void QueuedMainLoop::Post(std::function<void()> fn) {
  {
    std::lock_guard lock(postMutex_);
    posted_.push_back(std::move(fn));
  }
  Wake();
}

void QueuedMainLoop::Send(std::function<void()> fn) {
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

bool QueuedMainLoop::PostNotice(NoticeTarget& target, uint32_t message, uintptr_t param) {
  if (!notices_.Push({&target, message, param, nullptr})) return false;
  Wake();
  return true;
}

bool QueuedMainLoop::SendNotice(NoticeTarget& target, uint32_t message, uintptr_t param) {
  if (IsMainThread()) {
    target.OnNotice(message, param);
    return true;
  }
  if (!running_.load(std::memory_order_acquire)) return false;
  std::atomic<uint32_t> done{0};
  if (!notices_.Push({&target, message, param, &done})) return false;
  Wake();
  done.wait(0, std::memory_order_acquire);
  return done.load(std::memory_order_acquire) == 1;
}

void QueuedMainLoop::DropNotices(NoticeTarget& target) { notices_.DropFor(target); }

size_t QueuedMainLoop::DrainOnce() {
  size_t ran = notices_.RunAll();
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

size_t QueuedMainLoop::RunPending() {
  size_t total = 0;
  for (;;) {
    const size_t ran = DrainOnce();
    if (ran == 0) return total;
    total += ran;
  }
}

StdMainLoop::StdMainLoop(size_t noticeCapacity) : QueuedMainLoop(noticeCapacity) {
  mainThread_.store(std::this_thread::get_id());
}

void StdMainLoop::Wake() {
  wakeCounter_.fetch_add(1, std::memory_order_release);
  wakeCounter_.notify_one();
}

size_t StdMainLoop::RunPending() {
  mainThread_.store(std::this_thread::get_id());
  return QueuedMainLoop::RunPending();
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
  // Notices still queued when the loop ends are not run; their senders are let go.
  notices_.DropAll();
}

void StdMainLoop::Quit() {
  quit_.store(true, std::memory_order_release);
  Wake();
}

bool StdMainLoop::IsMainThread() const { return mainThread_.load() == std::this_thread::get_id(); }

}  // namespace kalo::host
