// Real-time scheduling of registered threads. Whether the system grants SCHED_FIFO depends on the
// machine; each test checks the promised outcome for either answer.

#include <gtest/gtest.h>
#include <pthread.h>
#include <sched.h>

#include <atomic>
#include <thread>
#include <vector>

#include "host/stop_watcher.h"
#include "host/thread_priority.h"

namespace kalo::host {
namespace {

struct Scheduling {
  int Policy = -1;
  int Priority = -1;
  bool operator==(const Scheduling&) const = default;
};

// The CPUs a thread may run on.
std::vector<int> CpusOf(pthread_t thread) {
  cpu_set_t set;
  CPU_ZERO(&set);
  std::vector<int> cpus;
  if (pthread_getaffinity_np(thread, sizeof set, &set) != 0) return cpus;
  for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu)
    if (CPU_ISSET(cpu, &set)) cpus.push_back(cpu);
  return cpus;
}

Scheduling SchedulingOf(pthread_t thread) {
  Scheduling result;
  sched_param param{};
  if (pthread_getschedparam(thread, &result.Policy, &param) == 0) result.Priority = param.sched_priority;
  return result;
}

// A thread that waits until released.
class Parked {
 public:
  Parked() : thread_([this] { release_.wait(false); }) {}
  ~Parked() {
    release_.store(true);
    release_.notify_all();
    thread_.join();
  }
  pthread_t Handle() { return thread_.native_handle(); }

 private:
  std::atomic<bool> release_{false};
  std::thread thread_;
};

// Runs fn on a fresh thread, which is the "main thread" of the priority object built there, so that
// the test runner's own thread is never raised.
template <typename Fn>
void OnFreshThread(Fn fn) {
  std::thread(fn).join();
}

TEST(PriorityTest, TheRealTimeClassRaisesEveryRegisteredThreadAndTheFoundClassRestoresThem) {
  OnFreshThread([] {
    Parked timerThread;
    const Scheduling mainFound = SchedulingOf(pthread_self());
    const Scheduling timerFound = SchedulingOf(timerThread.Handle());
    const std::vector<int> cpusFound = CpusOf(pthread_self());
    PosixThreadPriority priority;
    priority.AddThread(timerThread.Handle(), kTimerThreadRealTimePriority);
    const uint32_t saved = priority.GetPriorityClass();
    EXPECT_EQ(saved, kNormalPriorityClass);

    if (priority.SetPriorityClass(kRealTimePriorityClass)) {
      EXPECT_EQ(SchedulingOf(pthread_self()), (Scheduling{SCHED_FIFO, kMainThreadRealTimePriority}));
      EXPECT_EQ(SchedulingOf(timerThread.Handle()), (Scheduling{SCHED_FIFO, kTimerThreadRealTimePriority}));
      EXPECT_EQ(priority.GetPriorityClass(), kRealTimePriorityClass);
      // Both share one CPU, so that the hand-over of a tick wakes no second CPU.
      EXPECT_EQ(CpusOf(pthread_self()).size(), 1u);
      EXPECT_EQ(CpusOf(timerThread.Handle()), CpusOf(pthread_self()));
    } else {
      EXPECT_FALSE(priority.LastError().empty());
      EXPECT_EQ(SchedulingOf(pthread_self()), mainFound);
    }
    EXPECT_TRUE(priority.SetPriorityClass(saved));
    EXPECT_EQ(SchedulingOf(pthread_self()), mainFound);
    EXPECT_EQ(SchedulingOf(timerThread.Handle()), timerFound);
    EXPECT_EQ(CpusOf(pthread_self()), cpusFound);
    EXPECT_EQ(CpusOf(timerThread.Handle()), cpusFound);
    EXPECT_EQ(priority.GetPriorityClass(), kNormalPriorityClass);
  });
}

TEST(PriorityTest, HelperThreadsOfARealTimeThreadRunNormallyOnEveryCpu) {
  OnFreshThread([] {
    PosixThreadPriority priority;
    if (!priority.SetPriorityClass(kRealTimePriorityClass)) GTEST_SKIP() << priority.LastError();
    const std::vector<int> every = [] {
      std::vector<int> cpus;
      std::thread([&] {
        RunThisThreadNormally();
        cpus = CpusOf(pthread_self());
      }).join();
      return cpus;
    }();
    EXPECT_EQ(every.size(), static_cast<size_t>(std::thread::hardware_concurrency()));
    // The stop watcher is such a helper: its period callback runs on its thread.
    std::atomic<int> policy{-1};
    {
      StopWatcher watcher([] {}, [&] { policy = SchedulingOf(pthread_self()).Policy; },
                          std::chrono::milliseconds(1), false);
      for (int i = 0; i < 5000 && policy == -1; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_EQ(policy, SCHED_OTHER);
    priority.SetPriorityClass(kNormalPriorityClass);
  });
}

TEST(PriorityTest, WhenOneThreadIsRefusedEveryThreadKeepsItsPriority) {
  OnFreshThread([] {
    Parked other;
    const Scheduling mainFound = SchedulingOf(pthread_self());
    PosixThreadPriority priority;
    priority.AddThread(other.Handle(), 1000);  // no system grants this priority
    EXPECT_FALSE(priority.SetPriorityClass(kRealTimePriorityClass));
    EXPECT_FALSE(priority.LastError().empty());
    EXPECT_EQ(SchedulingOf(pthread_self()), mainFound);
    EXPECT_EQ(priority.GetPriorityClass(), kNormalPriorityClass);
  });
}

}  // namespace
}  // namespace kalo::host
