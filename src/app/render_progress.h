#pragma once
// The progress of a long render, told on standard error. Work that is done within a second of the
// render's start shows nothing; after that, on a terminal, one line is rewritten in place
// ("kalo render: writing song.wav  42%") and ended when the work on that file is over. Off a terminal
// (a log, a pipe) nothing is shown, so that a log keeps only the render's own messages. Main thread.

#include <cstdint>
#include <ostream>
#include <string>

#include "host/time_source.h"

namespace kalo::app {

// How long a render runs before its progress is shown, in microseconds.
inline constexpr int64_t kProgressDelayMicros = 1'000'000;

class RenderProgress {
 public:
  // The render counts as started at construction.
  RenderProgress(const host::TimeSource& clock, std::ostream& out, bool terminal);

  // The work on `what` (a file name) is `fraction` done (0 to 1).
  void Update(const std::string& what, double fraction);
  // The work on the file last updated is over, finished or not: a line shown is ended.
  void Done();

 private:
  const host::TimeSource& clock_;
  std::ostream& out_;
  bool terminal_;
  int64_t start_;
  std::string what_;
  int shownPercent_ = -1;
  bool lineOpen_ = false;
};

}  // namespace kalo::app
