#pragma once
// The periodic source of the sequencer's ticks. A due tick is handed to the main thread
// synchronously as the notice kTickNotice (parameter: the tick's due time in TimeSource
// microseconds); while a tick runs (the busy flag is non-zero) a due tick is dropped, not queued.

#include <atomic>
#include <cstdint>
#include <thread>

#include "host/main_loop.h"
#include "host/tick_schedule.h"
#include "host/time_source.h"

namespace kalo::host {

class PosixThreadPriority;

// Message number of the tick notice.
inline constexpr uint32_t kTickNotice = 0x511;

class TickTimer {
 public:
  virtual ~TickTimer() = default;
  // Main thread. Ticks go to `target` from now on; `busy` is read before each tick and a tick that
  // comes due while it is non-zero is dropped. Both must outlive Close().
  virtual void Open(NoticeTarget& target, const std::atomic<uint8_t>& busy) = 0;
  // Main thread. Stops the ticks; no tick reaches the target after Close returns.
  virtual void Close() = 0;
  // Main thread. `tempo` quarter notes per minute (1 or more) starts the ticks, or retimes them
  // while they run (the pending tick keeps its due time); 0 or less stops them.
  virtual void SetTempo(int32_t tempo) = 0;
  // The tempo last set; 0 when stopped.
  virtual int32_t Tempo() const = 0;
  bool Running() const { return Tempo() > 0; }
  // Due time of the next tick (TimeSource microseconds), as last seen by the timer; 0 when stopped.
  virtual int64_t NextTickDueMicros() const = 0;
  // Ticks dropped so far: those due while a tick ran, those the main loop could not take (not
  // running), and those skipped after a long stall.
  virtual uint64_t DroppedTicks() const = 0;
};

// The real timer: a thread that sleeps to absolute deadlines on CLOCK_MONOTONIC and hands each due
// tick over with MainLoop::SendNotice. The thread neither allocates nor locks. With a priority
// object, the thread is registered there for real-time scheduling while it exists.
class ThreadTickTimer final : public TickTimer {
 public:
  explicit ThreadTickTimer(MainLoop& loop, PosixThreadPriority* priority = nullptr);
  ~ThreadTickTimer() override;
  ThreadTickTimer(const ThreadTickTimer&) = delete;
  ThreadTickTimer& operator=(const ThreadTickTimer&) = delete;

  void Open(NoticeTarget& target, const std::atomic<uint8_t>& busy) override;
  // Joins the thread. When called on the main thread while the loop runs, it keeps running the
  // loop's pending work meanwhile, so that a tick handed over just now cannot block it. Called
  // from inside a tick, it stops the ticks at once and leaves the join to Open or the destructor.
  void Close() override;
  void SetTempo(int32_t tempo) override;
  int32_t Tempo() const override { return tempo_.load(std::memory_order_relaxed); }
  int64_t NextTickDueMicros() const override { return nextDue_.load(std::memory_order_relaxed); }
  uint64_t DroppedTicks() const override { return dropped_.load(std::memory_order_relaxed); }

  // The clock the due times refer to (CLOCK_MONOTONIC).
  static int64_t MonotonicMicros();

 private:
  // Forwards ticks to the target until Close begins.
  class Forwarder final : public NoticeTarget {
   public:
    explicit Forwarder(ThreadTickTimer& timer) : timer_(timer) {}
    void OnNotice(uint32_t message, uintptr_t param) override;

   private:
    ThreadTickTimer& timer_;
  };

  void ThreadMain();
  void Join();

  MainLoop& loop_;
  PosixThreadPriority* priority_;
  Forwarder forwarder_{*this};
  NoticeTarget* target_ = nullptr;
  const std::atomic<uint8_t>* busy_ = nullptr;
  std::thread thread_;

  // Commands from the main thread: the tempo in the low 32 bits, a change count above it.
  std::atomic<uint64_t> command_{0};
  std::atomic<int32_t> tempo_{0};
  std::atomic<bool> closing_{false};
  std::atomic<bool> exited_{false};
  std::atomic<bool> delivering_{false};  // the thread waits in SendNotice
  bool inTick_ = false;                  // main thread: the target handles a tick now
  std::atomic<int64_t> nextDue_{0};
  std::atomic<uint64_t> dropped_{0};
};

// A timer for tests: the same schedule over a FakeTimeSource, advanced by RunUntil, which delivers
// the due ticks to the target directly on the calling thread. A target may move the fake clock
// (a long tick) or change the tempo while it handles a tick.
class FakeTickTimer final : public TickTimer {
 public:
  explicit FakeTickTimer(FakeTimeSource& time) : time_(time), schedule_(time) {}

  void Open(NoticeTarget& target, const std::atomic<uint8_t>& busy) override;
  void Close() override;
  void SetTempo(int32_t tempo) override;
  int32_t Tempo() const override { return schedule_.Tempo(); }
  int64_t NextTickDueMicros() const override { return schedule_.NextTickDueMicros(); }
  uint64_t DroppedTicks() const override { return dropped_ + schedule_.MissedTicks(); }

  // Moves the fake clock to `micros`, waking at each time the real timer would and delivering
  // every tick that comes due on the way; returns the number of ticks delivered.
  int RunUntil(int64_t micros);

  bool IsOpen() const { return target_ != nullptr; }

 private:
  FakeTimeSource& time_;
  TickSchedule schedule_;
  NoticeTarget* target_ = nullptr;
  const std::atomic<uint8_t>* busy_ = nullptr;
  uint64_t dropped_ = 0;
};

// The tick source of offline work (rendering, tests, benchmarks): no thread and no clock. The owner
// runs the ticks itself, as fast as it likes, by calling the clock's OnTick; this timer only keeps
// the tempo it was given, so that the owner can stamp what it renders with it.
class ManualTickTimer final : public TickTimer {
 public:
  void Open(NoticeTarget& /*target*/, const std::atomic<uint8_t>& /*busy*/) override { open_ = true; }
  void Close() override {
    open_ = false;
    tempo_ = 0;
  }
  void SetTempo(int32_t tempo) override { tempo_ = tempo > 0 ? tempo : 0; }
  int32_t Tempo() const override { return tempo_; }
  int64_t NextTickDueMicros() const override { return 0; }
  uint64_t DroppedTicks() const override { return 0; }
  bool IsOpen() const { return open_; }

 private:
  int32_t tempo_ = 0;
  bool open_ = false;
};

}  // namespace kalo::host
