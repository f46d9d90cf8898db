#pragma once
// The main loop on the Qt event loop: commands, MIDI notices and ticks run between the window's own
// events, one at a time, on the thread that created the QApplication.
//
// Driver and timer threads hand notices over through the lock-free notice queue and one wake-up: an
// eventfd whose readability a QSocketNotifier reports to the event loop. Writing to an eventfd neither
// allocates nor takes a user-space lock, and only the first notice after a drain writes at all. Qt's
// own cross-thread calls (posted events, queued invocations) allocate an event and lock the thread's
// event list, so they are used for nothing that a driver or timer thread calls.

#include <atomic>
#include <memory>
#include <thread>

#include "host/main_loop.h"

class QSocketNotifier;

namespace kalo::gui {

class QtMainLoop final : public host::QueuedMainLoop {
 public:
  // Main thread, after the QApplication exists.
  explicit QtMainLoop(size_t noticeCapacity = 4096);
  ~QtMainLoop() override;

  // Runs QApplication::exec until Quit.
  void Run() override;
  void Quit() override;
  bool IsMainThread() const override;

  // Whether SendNotice is taken: while Run runs, or after AcceptSends (a test that turns the Qt
  // event loop itself, for example with QTest::qWait).
  void AcceptSends(bool accept) { running_.store(accept, std::memory_order_release); }

 private:
  // Any thread; writes the eventfd only when no wake-up is pending yet.
  void Wake() override;
  // Main thread: the eventfd became readable.
  void OnWake();

  int eventFd_ = -1;
  std::unique_ptr<QSocketNotifier> notifier_;
  std::atomic<bool> wakePending_{false};
  std::thread::id mainThread_;
};

}  // namespace kalo::gui
