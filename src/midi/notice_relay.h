#pragma once
// The notification target of one device: driver threads post notices through it without
// allocating or locking, and the main loop delivers them to the device's handler in the order they
// were posted. A device may be destroyed while notices for it are still queued: the relay then
// outlives it, ignores those notices and frees itself with the last one. Relays waiting so stay on
// a list of their own, so that a loop destroyed with notices still queued leaves nothing unreachable.

#include <atomic>
#include <cstdint>
#include <functional>

#include "host/main_loop.h"

namespace kalo::midi {

class NoticeRelay final : public host::NoticeTarget {
 public:
  using Handler = std::function<void(uint32_t message, uintptr_t param)>;

  NoticeRelay(host::MainLoop& loop, Handler handler) : loop_(loop), handler_(std::move(handler)) {}

  // Any thread. False when the loop's notice queue was full (the notice is lost).
  bool Post(uint32_t message, uintptr_t param) noexcept {
    pending_.fetch_add(1, std::memory_order_acq_rel);
    if (loop_.PostNotice(*this, message, param)) return true;
    pending_.fetch_sub(1, std::memory_order_acq_rel);
    return false;
  }

  // Main thread: the owner goes away (no driver thread posts for it any more). Frees the relay now
  // or after its last queued notice.
  static void Release(NoticeRelay* relay) {
    if (relay == nullptr) return;
    relay->released_ = true;
    if (relay->inNotice_) return;  // OnNotice finishes the job
    if (relay->pending_.load(std::memory_order_acquire) == 0) {
      delete relay;
    } else {
      relay->LinkOrphan();
    }
  }

  void OnNotice(uint32_t message, uintptr_t param) override {
    pending_.fetch_sub(1, std::memory_order_acq_rel);
    if (!released_) {
      inNotice_ = true;
      handler_(message, param);  // may Release this relay (the owner destroyed in its handler)
      inNotice_ = false;
      if (!released_) return;
      if (pending_.load(std::memory_order_acquire) != 0) {
        LinkOrphan();
        return;
      }
    } else if (pending_.load(std::memory_order_acquire) != 0) {
      return;
    }
    UnlinkOrphan();
    delete this;
  }

 private:
  ~NoticeRelay() override = default;

  static NoticeRelay*& Orphans() {
    static NoticeRelay* head = nullptr;
    return head;
  }
  void LinkOrphan() {
    if (linked_) return;
    linked_ = true;
    next_ = Orphans();
    prev_ = nullptr;
    if (next_ != nullptr) next_->prev_ = this;
    Orphans() = this;
  }
  void UnlinkOrphan() {
    if (!linked_) return;
    if (prev_ != nullptr) {
      prev_->next_ = next_;
    } else {
      Orphans() = next_;
    }
    if (next_ != nullptr) next_->prev_ = prev_;
    linked_ = false;
  }

  host::MainLoop& loop_;
  Handler handler_;
  std::atomic<int> pending_{0};
  // Main thread only:
  bool released_ = false;
  bool inNotice_ = false;
  bool linked_ = false;
  NoticeRelay* prev_ = nullptr;
  NoticeRelay* next_ = nullptr;
};

}  // namespace kalo::midi
