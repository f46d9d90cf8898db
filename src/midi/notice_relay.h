#pragma once
// The notification target of one device: driver threads post notices through it without
// allocating or locking, and the main loop delivers them to the device's handler in the order they
// were posted. A device may be destroyed while notices for it are still queued: the relay then
// outlives it and only runs the clean-up function for each late notice, freeing itself with the last.

#include <atomic>
#include <cstdint>
#include <functional>

#include "host/main_loop.h"

namespace kalo::midi {

class NoticeRelay final : public host::NoticeTarget {
 public:
  using Handler = std::function<void(uint32_t message, uintptr_t param)>;
  // Runs for a notice that arrives after Release, so that what param refers to is not leaked.
  using CleanUp = void (*)(uint32_t message, uintptr_t param);

  NoticeRelay(host::MainLoop& loop, Handler handler, CleanUp cleanUp)
      : loop_(loop), handler_(std::move(handler)), cleanUp_(cleanUp) {}

  // Any thread. False when the loop's notice queue was full (the notice is lost).
  bool Post(uint32_t message, uintptr_t param) noexcept {
    pending_.fetch_add(1, std::memory_order_acq_rel);
    if (loop_.PostNotice(*this, message, param)) return true;
    pending_.fetch_sub(1, std::memory_order_acq_rel);
    return false;
  }

  // Main thread: the owner goes away. Frees the relay now or after its last queued notice.
  static void Release(NoticeRelay* relay) {
    if (relay == nullptr) return;
    relay->released_ = true;
    if (!relay->inNotice_ && relay->pending_.load(std::memory_order_acquire) == 0) delete relay;
  }

  void OnNotice(uint32_t message, uintptr_t param) override {
    pending_.fetch_sub(1, std::memory_order_acq_rel);
    inNotice_ = true;
    if (!released_) {
      handler_(message, param);  // may Release this relay (the owner destroyed in its handler)
    } else if (cleanUp_ != nullptr) {
      cleanUp_(message, param);
    }
    inNotice_ = false;
    if (released_ && pending_.load(std::memory_order_acquire) == 0) delete this;
  }

 private:
  ~NoticeRelay() override = default;

  host::MainLoop& loop_;
  Handler handler_;
  CleanUp cleanUp_;
  std::atomic<int> pending_{0};
  bool released_ = false;  // main thread only
  bool inNotice_ = false;  // main thread only
};

}  // namespace kalo::midi
