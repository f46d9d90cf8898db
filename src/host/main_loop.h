#pragma once
// The main thread's loop: every command, MIDI notification and tick runs here, one at a time.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "host/notice_queue.h"

namespace kalo::host {

// Receives notices on the main thread. A notice is the fixed-size message a driver or timer thread
// can hand over without allocating: a message number and one parameter.
class NoticeTarget {
 public:
  virtual ~NoticeTarget() = default;
  virtual void OnNotice(uint32_t message, uintptr_t param) = 0;
};

class MainLoop {
 public:
  virtual ~MainLoop() = default;

  // Queues fn to run on the main thread after everything queued before it. Any thread that may
  // allocate (not the driver or timer thread).
  virtual void Post(std::function<void()> fn) = 0;

  // Runs fn on the main thread and returns when it has run. Called on the main thread it runs fn
  // at once. May allocate; for commands from helper threads and tests.
  virtual void Send(std::function<void()> fn) = 0;

  // Driver-thread safe: queues a notice without allocating or locking. Notices reach their targets
  // in the order they were posted. False when the notice queue is full (the notice is lost).
  virtual bool PostNotice(NoticeTarget& target, uint32_t message, uintptr_t param) = 0;

  // Timer-thread safe: runs target.OnNotice on the main thread and returns when it has run, without
  // allocating or locking. False when the loop is not running or the queue is full (nothing ran).
  // Must not be called from the main thread while it runs the loop's handlers for another Send.
  virtual bool SendNotice(NoticeTarget& target, uint32_t message, uintptr_t param) = 0;

  // Main thread: notices queued for target and not yet delivered are never delivered (a SendNotice
  // among them returns false). The caller guarantees that no thread posts for target any more, so
  // that target may be destroyed afterwards.
  virtual void DropNotices(NoticeTarget& target) = 0;

  // Runs until Quit. The thread that calls Run is the main thread.
  virtual void Run() = 0;
  // Any thread: makes Run return after the handler that runs now.
  virtual void Quit() = 0;
  // Runs everything queued now, without waiting; returns how many items ran. For tests and
  // offline loops that drive the program without Run.
  virtual size_t RunPending() = 0;
  // True on the thread that runs (or last ran) the loop.
  virtual bool IsMainThread() const = 0;
};

// What every loop shares: posted functions under a mutex, notices through the lock-free queue, and
// the hand-over rules of Send and SendNotice. A loop adds how the main thread is woken and run.
class QueuedMainLoop : public MainLoop {
 public:
  ~QueuedMainLoop() override;
  QueuedMainLoop(const QueuedMainLoop&) = delete;
  QueuedMainLoop& operator=(const QueuedMainLoop&) = delete;

  void Post(std::function<void()> fn) override;
  void Send(std::function<void()> fn) override;
  bool PostNotice(NoticeTarget& target, uint32_t message, uintptr_t param) override;
  bool SendNotice(NoticeTarget& target, uint32_t message, uintptr_t param) override;
  void DropNotices(NoticeTarget& target) override;
  size_t RunPending() override;

 protected:
  explicit QueuedMainLoop(size_t noticeCapacity);
  // Any thread, the driver and timer threads included (no allocation, no lock): makes the main
  // thread drain soon.
  virtual void Wake() = 0;
  // Main thread: runs the queued notices, then the functions posted up to now; what they post runs
  // in the next round, so that nothing else waiting on the main thread is starved. How many ran.
  size_t DrainOnce();

  NoticeQueue notices_;
  // Whether SendNotice is taken (the loop runs), and whether Quit was asked for.
  std::atomic<bool> running_{false};
  std::atomic<bool> quit_{false};

 private:
  std::mutex postMutex_;
  std::deque<std::function<void()>> posted_;
};

// The standard-library loop used by the command line and the tests.
class StdMainLoop final : public QueuedMainLoop {
 public:
  explicit StdMainLoop(size_t noticeCapacity = 4096);

  void Run() override;
  void Quit() override;
  size_t RunPending() override;
  bool IsMainThread() const override;

 private:
  void Wake() override;

  std::atomic<uint32_t> wakeCounter_{0};
  std::atomic<std::thread::id> mainThread_;
};

}  // namespace kalo::host
