// The real tick timer thread with the standard main loop. Runs for a fraction of a second and makes
// no assertion about how punctual the ticks are, so that a loaded machine does not fail it.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "host/main_loop.h"
#include "host/tick_timer.h"

namespace kalo::host {
namespace {

using namespace std::chrono_literals;

// Counts ticks on the main thread. After the fifth tick it stays "busy" until the timer has dropped
// three ticks, then lets ticks through again; after the tenth it ends the loop.
class BusyAfterFive final : public NoticeTarget {
 public:
  BusyAfterFive(MainLoop& loop, TickTimer& timer) : loop_(loop), timer_(timer) {}

  void OnNotice(uint32_t message, uintptr_t /*param*/) override {
    if (message != kTickNotice) return;
    if (!loop_.IsMainThread()) OffMainThread.fetch_add(1);
    if (Busy.load() != 0) ArrivedWhileBusy.fetch_add(1);
    const int n = Ticks.fetch_add(1) + 1;
    if (n == 5) {
      Busy.store(1);
      // The busy time ends from the main loop once the timer has dropped some ticks.
      loop_.Post([this] { WaitForDrops(); });
    }
    if (n == 10) loop_.Quit();
  }

  void WaitForDrops() {
    const auto deadline = std::chrono::steady_clock::now() + 3s;
    while (timer_.DroppedTicks() < 3 && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(1ms);
    DroppedWhileBusy = timer_.DroppedTicks();
    Busy.store(0);
  }

  std::atomic<uint8_t> Busy{0};
  std::atomic<int> Ticks{0};
  std::atomic<int> OffMainThread{0};
  std::atomic<int> ArrivedWhileBusy{0};
  uint64_t DroppedWhileBusy = 0;

 private:
  MainLoop& loop_;
  TickTimer& timer_;
};

TEST(TickTimerThreadTest, TicksArriveOnTheMainThreadAndABusyTickIsDropped) {
  StdMainLoop loop;
  ThreadTickTimer timer(loop);
  BusyAfterFive target(loop, timer);
  timer.Open(target, target.Busy);
  timer.SetTempo(250);  // a tick every 10 ms

  // Ends the loop if the ticks stop coming, so that a fault fails the test instead of hanging it.
  std::atomic<bool> finished{false};
  std::thread watchdog([&] {
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (!finished.load() && std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_for(5ms);
    loop.Quit();
  });
  loop.Run();
  finished.store(true);
  watchdog.join();
  timer.Close();

  EXPECT_EQ(target.Ticks.load(), 10);
  EXPECT_EQ(target.OffMainThread.load(), 0);
  EXPECT_EQ(target.ArrivedWhileBusy.load(), 0);
  EXPECT_GE(target.DroppedWhileBusy, 3u);
  EXPECT_FALSE(timer.Running());
}

// Closes the timer from the main loop at the third tick, either inside the tick or from work posted
// by it, while the timer thread is (very likely) handing over the next tick.
class CloseAtThird final : public NoticeTarget {
 public:
  CloseAtThird(MainLoop& loop, ThreadTickTimer& timer, bool insideTick)
      : loop_(loop), timer_(timer), insideTick_(insideTick) {}
  void OnNotice(uint32_t, uintptr_t) override {
    if (++Ticks != 3) return;
    if (insideTick_) {
      timer_.Close();
      loop_.Quit();
      return;
    }
    loop_.Post([this] {
      std::this_thread::sleep_for(30ms);  // the next tick comes due and is handed over meanwhile
      timer_.Close();
      loop_.Quit();
    });
  }
  int Ticks = 0;

 private:
  MainLoop& loop_;
  ThreadTickTimer& timer_;
  bool insideTick_;
};

TEST(TickTimerThreadTest, CloseFromTheMainLoopEndsTheTicksWithoutHanging) {
  for (bool insideTick : {false, true}) {
    SCOPED_TRACE(insideTick ? "inside a tick" : "from posted work");
    StdMainLoop loop;
    ThreadTickTimer timer(loop);
    std::atomic<uint8_t> busy{0};
    CloseAtThird target(loop, timer, insideTick);
    timer.Open(target, busy);
    timer.SetTempo(250);
    loop.Run();
    EXPECT_EQ(target.Ticks, 3);  // nothing reached the target after Close
    EXPECT_FALSE(timer.Running());
  }
}

}  // namespace
}  // namespace kalo::host
