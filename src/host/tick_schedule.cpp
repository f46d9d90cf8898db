#include "host/tick_schedule.h"

#include <algorithm>
#include <limits>

namespace kalo::host {

void TickSchedule::Start(int32_t tempo) {
  if (tempo <= 0) {
    Stop();
    return;
  }
  tempo_ = tempo;
  base_ = time_.NowMicros();
  count_ = 0;
  granted_ = false;
}

void TickSchedule::ChangeTempo(int32_t tempo) {
  if (!Running() || tempo <= 0) {
    Start(tempo);
    return;
  }
  base_ = NextTickDueMicros();
  count_ = 0;
  tempo_ = tempo;
}

void TickSchedule::Stop() {
  tempo_ = 0;
  count_ = 0;
  granted_ = false;
}

int64_t TickSchedule::NextTickDueMicros() const { return Running() ? DueOf(count_) : 0; }

int64_t TickSchedule::NextWakeMicros() const {
  if (!Running()) return std::numeric_limits<int64_t>::max();
  const int64_t due = DueOf(count_);
  if (!granted_) return due;
  // At most one tick per quarter period: the catch-up rate.
  return std::max(due, lastGrantAt_ + TickOffsetMicros(tempo_, 1) / 4);
}

bool TickSchedule::Poll() {
  if (!Running()) return false;
  const int64_t now = time_.NowMicros();
  if (now < NextWakeMicros()) return false;
  int64_t due = DueOf(count_);
  if (due < now - TickOffsetMicros(tempo_, 4)) {
    // More than four periods behind: skip what was missed and go on from now.
    const int64_t period = TickOffsetMicros(tempo_, 1);
    missed_ += static_cast<uint64_t>((now - due) / std::max<int64_t>(period, 1));
    base_ = now;
    count_ = 0;
    due = now;
  }
  lastDue_ = due;
  lastGrantAt_ = now;
  granted_ = true;
  ++count_;
  return true;
}

}  // namespace kalo::host
