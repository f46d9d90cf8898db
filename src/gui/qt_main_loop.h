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
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "host/main_loop.h"
#include "host/notice_queue.h"

class QSocketNotifier;

namespace kalo::gui {

class QtMainLoop final : public host::MainLoop {
 public:
  // Main thread, after the QApplication exists.
  explicit QtMainLoop(size_t noticeCapacity = 4096);
  ~QtMainLoop() override;
  QtMainLoop(const QtMainLoop&) = delete;
  QtMainLoop& operator=(const QtMainLoop&) = delete;

  void Post(std::function<void()> fn) override;
  void Send(std::function<void()> fn) override;
  bool PostNotice(host::NoticeTarget& target, uint32_t message, uintptr_t param) override;
  bool SendNotice(host::NoticeTarget& target, uint32_t message, uintptr_t param) override;
  void DropNotices(host::NoticeTarget& target) override;
  // Runs QApplication::exec until Quit.
  void Run() override;
  void Quit() override;
  size_t RunPending() override;
  bool IsMainThread() const override;

  // Whether SendNotice is taken: while Run runs, or after AcceptSends (a test that turns the Qt
  // event loop itself, for example with QTest::qWait).
  void AcceptSends(bool accept) { running_.store(accept, std::memory_order_release); }

 private:
  // Any thread; writes the eventfd only when no wake-up is pending yet.
  void Wake();
  // Main thread: the eventfd became readable.
  void OnWake();
  size_t DrainOnce();

  host::NoticeQueue notices_;
  std::mutex postMutex_;
  std::deque<std::function<void()>> posted_;

  int eventFd_ = -1;
  std::unique_ptr<QSocketNotifier> notifier_;
  std::atomic<bool> wakePending_{false};
  std::atomic<bool> running_{false};
  std::atomic<bool> quit_{false};
  std::thread::id mainThread_;
};

}  // namespace kalo::gui
