#include "host/tick_timer.h"

#include <sys/prctl.h>
#include <time.h>

#include <cerrno>
#include <chrono>

#include "host/thread_priority.h"

namespace kalo::host {

namespace {

constexpr uint64_t kCommandChange = uint64_t{1} << 32;

class MonotonicTimeSource final : public TimeSource {
 public:
  int64_t NowMicros() const override { return ThreadTickTimer::MonotonicMicros(); }
};

void SleepUntil(int64_t micros) {
  timespec deadline{};
  deadline.tv_sec = static_cast<time_t>(micros / 1'000'000);
  deadline.tv_nsec = static_cast<long>(micros % 1'000'000) * 1000;
  while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &deadline, nullptr) == EINTR) {
  }
}

}  // namespace

int64_t ThreadTickTimer::MonotonicMicros() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<int64_t>(now.tv_sec) * 1'000'000 + now.tv_nsec / 1000;
}

ThreadTickTimer::ThreadTickTimer(MainLoop& loop, PosixThreadPriority* priority)
    : loop_(loop), priority_(priority) {}

ThreadTickTimer::~ThreadTickTimer() { Close(); }

void ThreadTickTimer::Forwarder::OnNotice(uint32_t message, uintptr_t param) {
  if (timer_.closing_.load(std::memory_order_acquire) || timer_.target_ == nullptr) return;
  timer_.inTick_ = true;
  struct Clear {
    bool& Flag;
    ~Clear() { Flag = false; }
  } clear{timer_.inTick_};
  timer_.target_->OnNotice(message, param);
}

void ThreadTickTimer::Open(NoticeTarget& target, const std::atomic<uint8_t>& busy) {
  Close();
  Join();
  target_ = &target;
  busy_ = &busy;
  closing_.store(false);
  exited_.store(false);
  delivering_.store(false);
  thread_ = std::thread([this] { ThreadMain(); });
  if (priority_ != nullptr) priority_->AddThread(thread_.native_handle(), kTimerThreadRealTimePriority);
}

void ThreadTickTimer::Close() {
  if (!thread_.joinable() || closing_.load()) {
    Join();
    return;
  }
  closing_.store(true, std::memory_order_release);
  command_.fetch_add(kCommandChange, std::memory_order_acq_rel);
  command_.notify_all();
  tempo_.store(0);
  nextDue_.store(0);
  if (priority_ != nullptr) priority_->RemoveThread(thread_.native_handle());
  Join();
}

void ThreadTickTimer::Join() {
  // Inside a tick the thread waits for this very tick to return: it ends right after, and the
  // next Open or the destructor joins it.
  if (!thread_.joinable() || inTick_) return;
  // A tick may have been handed over just before Close began; when Close runs inside the main
  // loop, that hand-over waits for this thread, so run it (the forwarder ignores it now).
  while (!exited_.load(std::memory_order_acquire)) {
    if (delivering_.load(std::memory_order_acquire) && loop_.IsMainThread())
      loop_.RunPending();
    else
      std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  thread_.join();
  target_ = nullptr;
  busy_ = nullptr;
}

void ThreadTickTimer::SetTempo(int32_t tempo) {
  if (tempo < 0) tempo = 0;
  tempo_.store(tempo, std::memory_order_relaxed);
  const uint64_t change = (command_.load(std::memory_order_relaxed) >> 32) + 1;
  command_.store((change << 32) | static_cast<uint32_t>(tempo), std::memory_order_release);
  command_.notify_all();
}

void ThreadTickTimer::ThreadMain() {
  // Wake at the deadline itself: without this, a thread at normal priority may be woken up to
  // 50 us late so that the kernel can batch timers.
  prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
  MonotonicTimeSource time;
  TickSchedule schedule(time);
  uint64_t applied = 0;
  uint64_t drops = 0;  // ticks due while one ran, or that the main loop could not take
  while (!closing_.load(std::memory_order_acquire)) {
    const uint64_t command = command_.load(std::memory_order_acquire);
    if (command != applied) {
      applied = command;
      const auto tempo = static_cast<int32_t>(static_cast<uint32_t>(command));
      if (tempo <= 0)
        schedule.Stop();
      else
        schedule.ChangeTempo(tempo);
      nextDue_.store(schedule.NextTickDueMicros(), std::memory_order_relaxed);
    }
    if (!schedule.Running()) {
      command_.wait(applied, std::memory_order_acquire);
      continue;
    }
    SleepUntil(schedule.NextWakeMicros());
    // A stop or retiming that came while sleeping takes effect before the tick.
    if (command_.load(std::memory_order_acquire) != applied) continue;
    if (!schedule.Poll()) continue;
    nextDue_.store(schedule.NextTickDueMicros(), std::memory_order_relaxed);
    if (busy_->load(std::memory_order_acquire) != 0) {
      ++drops;
    } else {
      delivering_.store(true, std::memory_order_release);
      const auto due = static_cast<uintptr_t>(schedule.LastTickDueMicros());
      if (!loop_.SendNotice(forwarder_, kTickNotice, due)) ++drops;
      delivering_.store(false, std::memory_order_release);
    }
    dropped_.store(drops + schedule.MissedTicks(), std::memory_order_relaxed);
  }
  exited_.store(true, std::memory_order_release);
}

void FakeTickTimer::Open(NoticeTarget& target, const std::atomic<uint8_t>& busy) {
  target_ = &target;
  busy_ = &busy;
}

void FakeTickTimer::Close() {
  schedule_.Stop();
  target_ = nullptr;
  busy_ = nullptr;
}

void FakeTickTimer::SetTempo(int32_t tempo) {
  if (tempo <= 0) {
    schedule_.Stop();
    return;
  }
  schedule_.ChangeTempo(tempo);
}

int FakeTickTimer::RunUntil(int64_t micros) {
  int delivered = 0;
  while (schedule_.Running()) {
    const int64_t wake = schedule_.NextWakeMicros();
    if (wake > micros) break;
    if (time_.NowMicros() < wake) time_.Set(wake);
    if (!schedule_.Poll()) continue;
    if (busy_ != nullptr && busy_->load(std::memory_order_acquire) != 0) {
      ++dropped_;
      continue;
    }
    if (target_ == nullptr) continue;
    target_->OnNotice(kTickNotice, static_cast<uintptr_t>(schedule_.LastTickDueMicros()));
    ++delivered;
  }
  if (time_.NowMicros() < micros) time_.Set(micros);
  return delivered;
}

}  // namespace kalo::host
