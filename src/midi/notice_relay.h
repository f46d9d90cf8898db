#pragma once
// The notification target of one device: driver threads post notices through it without
// allocating or locking, and the main loop delivers them to the device's handler in the order they
// were posted. The device owns its relay. Destroying the relay (on the main thread, once no driver
// thread posts for it any more) drops the notices still queued for it, so a device destroyed with
// notices pending is never called; the handler itself may destroy the device.

#include <cstdint>
#include <functional>
#include <utility>

#include "host/main_loop.h"

namespace kalo::midi {

class NoticeRelay final : public host::NoticeTarget {
 public:
  using Handler = std::function<void(uint32_t message, uintptr_t param)>;

  NoticeRelay(host::MainLoop& loop, Handler handler) : loop_(loop), handler_(std::move(handler)) {}
  ~NoticeRelay() override { loop_.DropNotices(*this); }
  NoticeRelay(const NoticeRelay&) = delete;
  NoticeRelay& operator=(const NoticeRelay&) = delete;

  // Any thread. False when the loop's notice queue was full (the notice is lost).
  bool Post(uint32_t message, uintptr_t param) noexcept { return loop_.PostNotice(*this, message, param); }

  // Main thread. Touches nothing of the relay after the handler returns: the handler may have
  // destroyed the device, and with it this relay.
  void OnNotice(uint32_t message, uintptr_t param) override { handler_(message, param); }

 private:
  host::MainLoop& loop_;
  Handler handler_;
};

}  // namespace kalo::midi
