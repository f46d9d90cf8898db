#pragma once
// The end of a run that plays until it is told to stop: SIGINT (Ctrl-C), SIGTERM, SIGHUP
// (the terminal closed), SIGQUIT or the end of standard input. A watcher thread waits for them and for a
// period to pass; it calls OnStop once, when the first of them comes, and OnPeriod every period until then.
// Both run on the watcher's thread and must only hand work to the main loop (MainLoop::Post and Quit are safe
// there).

#include <chrono>
#include <functional>
#include <thread>

namespace kalo::host {

class StopWatcher {
 public:
  // Blocks the stop signals in the calling thread and so in every thread started from it later, so
  // that only the watcher takes them, and SIGPIPE, so that writing to a closed output fails instead of
  // killing the run. Call on the main thread before any other thread starts.
  static void BlockStopSignals();

  // Starts the watcher. Standard input is read (and what it carries ignored) only when
  // `watchStandardInput`; an unreadable standard input is not watched.
  StopWatcher(std::function<void()> onStop, std::function<void()> onPeriod, std::chrono::milliseconds period,
              bool watchStandardInput);
  // Ends and joins the watcher thread.
  ~StopWatcher();
  StopWatcher(const StopWatcher&) = delete;
  StopWatcher& operator=(const StopWatcher&) = delete;

 private:
  void Watch(bool watchStandardInput);

  std::function<void()> onStop_;
  std::function<void()> onPeriod_;
  std::chrono::milliseconds period_;
  int signalFd_ = -1;
  int wakeFd_ = -1;
  std::thread thread_;
};

}  // namespace kalo::host
