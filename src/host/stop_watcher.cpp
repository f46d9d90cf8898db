#include "host/stop_watcher.h"

#include <poll.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <utility>

#include "host/thread_priority.h"

namespace kalo::host {

namespace {

// Ctrl-C, kill, the terminal closing (hang-up) and Ctrl-\ all end the run the same orderly way.
sigset_t StopSignals() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  sigaddset(&set, SIGHUP);
  sigaddset(&set, SIGQUIT);
  return set;
}

}  // namespace

void StopWatcher::BlockStopSignals() {
  sigset_t set = StopSignals();
  // Output to a closed pipe or terminal then fails with an error instead of killing the process
  // before it could release its notes.
  sigaddset(&set, SIGPIPE);
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

StopWatcher::StopWatcher(std::function<void()> onStop, std::function<void()> onPeriod,
                         std::chrono::milliseconds period, bool watchStandardInput)
    : onStop_(std::move(onStop)), onPeriod_(std::move(onPeriod)), period_(period) {
  const sigset_t set = StopSignals();
  signalFd_ = signalfd(-1, &set, SFD_CLOEXEC);
  wakeFd_ = eventfd(0, EFD_CLOEXEC);
  thread_ = std::thread([this, watchStandardInput] { Watch(watchStandardInput); });
}

StopWatcher::~StopWatcher() {
  const uint64_t one = 1;
  if (wakeFd_ >= 0) (void)!write(wakeFd_, &one, sizeof one);
  thread_.join();
  if (signalFd_ >= 0) close(signalFd_);
  if (wakeFd_ >= 0) close(wakeFd_);
}

void StopWatcher::Watch(bool watchStandardInput) {
  // Made while playing, this thread would run in the real-time class on the main thread's CPU, and
  // an input that never ends (it reads whatever comes) would then hold the main thread off for good.
  RunThisThreadNormally();
  // Entry 0 ends the watch, 1 is the signals, 2 standard input (fd -1: not watched).
  std::array<pollfd, 3> fds{
      {{wakeFd_, POLLIN, 0}, {signalFd_, POLLIN, 0}, {watchStandardInput ? 0 : -1, POLLIN, 0}}};
  bool stopped = false;
  auto stop = [&] {
    if (!stopped) onStop_();
    stopped = true;
  };
  for (;;) {
    const int ready = poll(fds.data(), fds.size(), static_cast<int>(period_.count()));
    if (ready < 0 && errno != EINTR) return;
    if (ready <= 0) {
      if (!stopped && onPeriod_) onPeriod_();
      continue;
    }
    if (fds[0].revents != 0) return;
    if (fds[1].revents != 0) {
      signalfd_siginfo info{};
      (void)!read(signalFd_, &info, sizeof info);
      stop();
    }
    if (fds[2].revents != 0) {
      std::array<char, 256> buffer{};
      const ssize_t got = read(0, buffer.data(), buffer.size());
      if (got <= 0) {
        // The end of the input (or an input that cannot be read) stops once and is watched no more.
        fds[2].fd = -1;
        if (got == 0) stop();
      }
    }
  }
}

}  // namespace kalo::host
