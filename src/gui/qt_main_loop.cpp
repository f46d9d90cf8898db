#include "gui/qt_main_loop.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>
#include <cerrno>
#include <cstdint>
#include <stdexcept>

namespace kalo::gui {

QtMainLoop::QtMainLoop(size_t noticeCapacity)
    : QueuedMainLoop(noticeCapacity), mainThread_(std::this_thread::get_id()) {
  eventFd_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  if (eventFd_ < 0) throw std::runtime_error("the main loop's wake-up (eventfd) cannot be created");
  notifier_ = std::make_unique<QSocketNotifier>(eventFd_, QSocketNotifier::Read);
  QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { OnWake(); });
}

QtMainLoop::~QtMainLoop() {
  notices_.DropAll();  // before the wake-up goes: no sender waits on a loop that is gone
  notifier_.reset();
  ::close(eventFd_);
}

void QtMainLoop::Wake() {
  if (wakePending_.exchange(true, std::memory_order_acq_rel)) return;
  const uint64_t one = 1;
  ssize_t written;
  do {
    written = ::write(eventFd_, &one, sizeof one);
  } while (written < 0 && errno == EINTR);
  // EAGAIN would mean the counter is near overflow: it is readable then anyway.
}

void QtMainLoop::OnWake() {
  uint64_t count;
  while (::read(eventFd_, &count, sizeof count) < 0 && errno == EINTR) {
  }
  // Cleared before draining, and with a read-modify-write: either a producer's exchange comes after
  // this one and writes again, or this one reads the producer's and the drain below sees its notice.
  // A plain store could pass the drain's first read and lose the wake-up.
  wakePending_.exchange(false, std::memory_order_acq_rel);
  DrainOnce();
  if (quit_.load(std::memory_order_acquire)) QCoreApplication::exit(0);
}

void QtMainLoop::Run() {
  quit_.store(false, std::memory_order_release);
  running_.store(true, std::memory_order_release);
  QCoreApplication::exec();
  running_.store(false, std::memory_order_release);
  // Notices still queued when the loop ends are not run; their senders are let go.
  notices_.DropAll();
}

void QtMainLoop::Quit() {
  quit_.store(true, std::memory_order_release);
  if (IsMainThread()) {
    QCoreApplication::exit(0);
    return;
  }
  Wake();
}

bool QtMainLoop::IsMainThread() const { return std::this_thread::get_id() == mainThread_; }

}  // namespace kalo::gui
