// The due-time rule of the tick timer, driven by a fake clock through FakeTickTimer.

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <vector>

#include "host/tick_timer.h"
#include "host/time_source.h"

namespace kalo::host {
namespace {

// Records the fake time at which each tick arrives; an optional hook runs inside the tick.
class TickRecorder final : public NoticeTarget {
 public:
  explicit TickRecorder(const TimeSource& time) : time_(time) {}
  void OnNotice(uint32_t message, uintptr_t param) override {
    ASSERT_EQ(message, kTickNotice);
    Arrivals.push_back(time_.NowMicros());
    Dues.push_back(static_cast<int64_t>(param));
    if (Hook) Hook(Arrivals.size());
  }
  std::vector<int64_t> Arrivals;
  std::vector<int64_t> Dues;
  std::function<void(size_t)> Hook;

 private:
  const TimeSource& time_;
};

class TickTimerScheduleTest : public ::testing::Test {
 protected:
  void StartAt(int32_t tempo) {
    timer.Open(ticks, busy);
    timer.SetTempo(tempo);
  }

  FakeTimeSource time{1'000'000};
  FakeTickTimer timer{time};
  TickRecorder ticks{time};
  std::atomic<uint8_t> busy{0};
};

constexpr int64_t kStart = 1'000'000;

TEST_F(TickTimerScheduleTest, TicksFallDueOnTheExactScheduleWhateverTheTempo) {
  for (int32_t tempo : {120, 97, 25, 250, 133}) {
    SCOPED_TRACE(tempo);
    time.Set(kStart);
    ticks.Arrivals.clear();
    ticks.Dues.clear();
    StartAt(tempo);
    // One minute holds 24 * tempo ticks; the tick after them is due exactly one minute later.
    const int64_t minuteTicks = 24 * static_cast<int64_t>(tempo);
    timer.RunUntil(kStart + 60'000'000);
    ASSERT_EQ(static_cast<int64_t>(ticks.Dues.size()), minuteTicks + 1);
    for (int64_t n = 0; n <= minuteTicks; ++n)
      ASSERT_EQ(ticks.Dues[n], kStart + n * 2'500'000 / tempo) << "tick " << n;
    EXPECT_EQ(ticks.Dues.back(), kStart + 60'000'000);
    EXPECT_EQ(ticks.Arrivals, ticks.Dues);
    timer.SetTempo(0);
  }
}

TEST_F(TickTimerScheduleTest, AStallShorterThanFourPeriodsIsCaughtUpAtFourTimesTheRate) {
  const int64_t period = 2'500'000 / 120;  // 20,833 us
  StartAt(120);
  ticks.Hook = [&](size_t n) {
    if (n == 10) time.Advance(period * 7 / 2);  // the tenth tick blocks for 3.5 periods
  };
  timer.RunUntil(kStart + 40 * 2'500'000 / 120);
  // Nothing is lost: every tick of the ideal schedule arrived.
  EXPECT_EQ(ticks.Arrivals.size(), 41u);
  EXPECT_EQ(timer.DroppedTicks(), 0u);
  // Behind the stall, the late ticks follow each other a quarter period apart.
  const int64_t quarter = period / 4;
  EXPECT_EQ(ticks.Arrivals[10], ticks.Arrivals[9] + period * 7 / 2);
  EXPECT_EQ(ticks.Arrivals[11] - ticks.Arrivals[10], quarter);
  EXPECT_EQ(ticks.Arrivals[12] - ticks.Arrivals[11], quarter);
  // Back in time, the ticks arrive on their due times again.
  for (size_t n = 20; n < ticks.Arrivals.size(); ++n) EXPECT_EQ(ticks.Arrivals[n], ticks.Dues[n]);
}

TEST_F(TickTimerScheduleTest, AStallLongerThanFourPeriodsResumesWithoutABurst) {
  const int64_t period = 2'500'000 / 120;
  StartAt(120);
  int64_t stallEnd = 0;
  ticks.Hook = [&](size_t n) {
    if (n == 10) {
      time.Advance(period * 6);
      stallEnd = time.NowMicros();
    }
  };
  timer.RunUntil(kStart + 40 * period);
  ASSERT_GT(ticks.Arrivals.size(), 11u);
  EXPECT_EQ(ticks.Arrivals[10], stallEnd);  // the first tick after the stall comes at once
  for (size_t n = 11; n < ticks.Arrivals.size(); ++n)
    EXPECT_GE(ticks.Arrivals[n] - ticks.Arrivals[n - 1], period) << "tick " << n;
  EXPECT_GE(timer.DroppedTicks(), 5u);
}

TEST_F(TickTimerScheduleTest, ATickThatComesDueWhileOneRunsIsDroppedNotQueued) {
  const int64_t period = 2'500'000 / 120;
  StartAt(120);
  ticks.Hook = [&](size_t n) {
    if (n == 5) busy.store(1);  // a tick that stays in progress
  };
  timer.RunUntil(kStart + 15 * period);
  EXPECT_EQ(ticks.Arrivals.size(), 5u);
  const uint64_t dropped = timer.DroppedTicks();
  EXPECT_EQ(dropped, 10u);
  busy.store(0);
  const int64_t resumeFrom = time.NowMicros();
  timer.RunUntil(kStart + 30 * period);
  // Only the ticks due after the busy time arrive, on schedule: the dropped ones are gone.
  EXPECT_EQ(ticks.Arrivals.size(), 5u + 15u);
  EXPECT_GT(ticks.Arrivals[5], resumeFrom);
  for (size_t n = 5; n < ticks.Arrivals.size(); ++n) EXPECT_EQ(ticks.Arrivals[n], ticks.Dues[n]);
  EXPECT_EQ(timer.DroppedTicks(), dropped);
}

TEST_F(TickTimerScheduleTest, ARetimedClockKeepsThePendingTickThenFollowsTheNewPeriod) {
  StartAt(120);
  timer.RunUntil(kStart + 100'000);
  const int64_t pending = timer.NextTickDueMicros();
  timer.SetTempo(60);
  EXPECT_EQ(timer.NextTickDueMicros(), pending);
  const size_t before = ticks.Dues.size();
  timer.RunUntil(pending + 3 * 41'667);
  ASSERT_EQ(ticks.Dues.size(), before + 4);
  EXPECT_EQ(ticks.Dues[before], pending);
  EXPECT_EQ(ticks.Dues[before + 3], pending + 125'000);  // 3 * 2,500,000 / 60
}

}  // namespace
}  // namespace kalo::host
