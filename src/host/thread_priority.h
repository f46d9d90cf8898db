#pragma once
// Real-time scheduling while a style or song plays. The engine asks for a "priority class": the
// real-time class (0x100) while playing and, at its reset, the class it found at start-up. On POSIX
// systems the real-time class means SCHED_FIFO for the registered threads (the timer thread above
// the main thread); where the system refuses, everything stays at the priority it had.

#include <sched.h>

#include <cstdint>
#include <string>
#include <thread>
#include <vector>

namespace kalo::host {

inline constexpr uint32_t kNormalPriorityClass = 0x20;
inline constexpr uint32_t kRealTimePriorityClass = 0x100;

// SCHED_FIFO priorities asked for in the real-time class: moderate, below the system's own
// interrupt and audio threads.
inline constexpr int kTimerThreadRealTimePriority = 40;
inline constexpr int kMainThreadRealTimePriority = 30;

// A thread started by one in the real-time class inherits its SCHED_FIFO priority and its one CPU. A
// helper that is not time-critical, and that what it reads may keep busy, calls this first on its own
// thread: it runs with normal scheduling on every CPU again, so that it can never hold off the thread
// that started it.
void RunThisThreadNormally();

class ThreadPriority {
 public:
  virtual ~ThreadPriority() = default;
  // The class the registered threads run in now: kRealTimePriorityClass or kNormalPriorityClass.
  virtual uint32_t GetPriorityClass() const = 0;
  // Main thread. kRealTimePriorityClass asks for real-time scheduling; any other class returns
  // every registered thread to the scheduling it had when it was registered. False when the
  // system refused (nothing is changed then).
  virtual bool SetPriorityClass(uint32_t priorityClass) = 0;
};

// pthread scheduling. Construct it on the main thread: the calling thread is registered as the
// main thread. Every method is for the main thread.
//
// In the real-time class the registered threads also share the CPU the main thread runs on, so that
// handing a tick from the timer thread to the main thread is a switch on a CPU that is awake
// anyway instead of the wake-up of a second, possibly idle CPU (which costs hundreds of
// microseconds on virtual machines). Their CPU sets are restored with their scheduling.
class PosixThreadPriority final : public ThreadPriority {
 public:
  PosixThreadPriority();
  ~PosixThreadPriority() override;
  PosixThreadPriority(const PosixThreadPriority&) = delete;
  PosixThreadPriority& operator=(const PosixThreadPriority&) = delete;

  // Registers a thread with the SCHED_FIFO priority it gets in the real-time class and records its
  // present scheduling as the one to restore. A thread registered while the real-time class is on
  // is raised at once (silently staying where it is when refused).
  void AddThread(std::thread::native_handle_type thread, int realTimePriority);
  // Returns the thread to its found scheduling and forgets it; call before the thread ends.
  void RemoveThread(std::thread::native_handle_type thread);

  uint32_t GetPriorityClass() const override;
  bool SetPriorityClass(uint32_t priorityClass) override;

  // The system's text for the last refusal, empty when the last request was granted.
  const std::string& LastError() const { return lastError_; }

 private:
  struct Entry {
    std::thread::native_handle_type Thread;
    int RealTimePriority;
    int FoundPolicy;
    int FoundPriority;
    bool HasFoundCpus;
    cpu_set_t FoundCpus;
  };
  bool Raise(const Entry& entry);
  void Restore(const Entry& entry);
  void ShareOneCpu();

  std::vector<Entry> threads_;
  bool realTime_ = false;
  std::string lastError_;
};

// For offline work, which must not change how the machine schedules: every class is granted and
// nothing changes.
class UnchangedPriority final : public ThreadPriority {
 public:
  uint32_t GetPriorityClass() const override { return current_; }
  bool SetPriorityClass(uint32_t priorityClass) override {
    current_ = priorityClass;
    return true;
  }

 private:
  uint32_t current_ = kNormalPriorityClass;
};

// Records the classes asked for; grants them unless told to refuse.
class FakeThreadPriority final : public ThreadPriority {
 public:
  explicit FakeThreadPriority(uint32_t found = kNormalPriorityClass) : current_(found) {}
  uint32_t GetPriorityClass() const override { return current_; }
  bool SetPriorityClass(uint32_t priorityClass) override {
    Requests.push_back(priorityClass);
    if (Refuse && priorityClass == kRealTimePriorityClass) return false;
    current_ = priorityClass;
    return true;
  }

  bool Refuse = false;
  std::vector<uint32_t> Requests;

 private:
  uint32_t current_;
};

}  // namespace kalo::host
