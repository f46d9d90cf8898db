#pragma once
// Monotonic time for the clock, time stamps and timeouts.

#include <atomic>
#include <cstdint>

namespace kalo::host {

class TimeSource {
 public:
  virtual ~TimeSource() = default;
  // Microseconds on a monotonic clock; the origin is arbitrary but fixed for the process.
  virtual int64_t NowMicros() const = 0;
  // Milliseconds on the same clock (the tick count the engine compares due times with).
  int64_t NowMillis() const { return NowMicros() / 1000; }
};

// The system's monotonic clock.
class SteadyTimeSource final : public TimeSource {
 public:
  int64_t NowMicros() const override;
};

// A clock that moves only when told; safe to read from any thread.
class FakeTimeSource final : public TimeSource {
 public:
  explicit FakeTimeSource(int64_t startMicros = 0) : now_(startMicros) {}
  int64_t NowMicros() const override { return now_.load(std::memory_order_acquire); }
  void Set(int64_t micros) { now_.store(micros, std::memory_order_release); }
  void Advance(int64_t micros) { now_.fetch_add(micros, std::memory_order_acq_rel); }

 private:
  std::atomic<int64_t> now_;
};

}  // namespace kalo::host
