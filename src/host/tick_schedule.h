#pragma once
// When the sequencer's ticks are due. A plain class over a TimeSource so that tests drive it with a
// fake clock; the timer thread only sleeps until NextWakeMicros() and asks Poll().

#include <cstdint>

#include "host/time_source.h"

namespace kalo::host {

// Due times are kept in microseconds and computed from a count of ticks since the (re)start, so no
// rounding accumulates: tick n is due at base + n * 2,500,000 / tempo (60,000,000 microseconds per
// minute over 24 ticks per quarter note), exact to the microsecond whatever the tempo.
//
// Catching up: when a tick is granted late, the next ones come at a quarter period apart until the
// schedule is in time again, so a late clock catches up at up to four times the normal rate. When
// the schedule is more than four periods behind, the missed ticks are skipped instead and the
// schedule restarts from now.
//
// Not thread-safe: one thread (the timer thread) owns an instance.
class TickSchedule {
 public:
  explicit TickSchedule(const TimeSource& time) : time_(time) {}

  // Starts at `tempo` quarter notes per minute (1 or more); the first tick is due now.
  void Start(int32_t tempo);
  // Retimes a running schedule: the tick already pending stays due when it was, the ones after it
  // follow at the new period. Starts the schedule when it is stopped.
  void ChangeTempo(int32_t tempo);
  void Stop();
  bool Running() const { return tempo_ > 0; }
  int32_t Tempo() const { return tempo_; }

  // True when a tick is due now; the schedule then moves on to the next tick. The caller either
  // delivers the tick or drops it (while one runs), the schedule advances either way.
  bool Poll();

  // Absolute time (TimeSource microseconds) at which Poll() can next grant a tick; the latest
  // possible time when stopped.
  int64_t NextWakeMicros() const;
  // Due time of the next tick to grant.
  int64_t NextTickDueMicros() const;
  // Due time of the tick that Poll() granted last.
  int64_t LastTickDueMicros() const { return lastDue_; }
  // Ticks skipped because the schedule fell more than four periods behind, since construction.
  uint64_t MissedTicks() const { return missed_; }

  // Offset of tick n from the start of a schedule at `tempo`, in microseconds (rounded down).
  static int64_t TickOffsetMicros(int32_t tempo, int64_t n) { return n * kMicrosPerTickTimesTempo / tempo; }

  static constexpr int64_t kMicrosPerTickTimesTempo = 2'500'000;

 private:
  int64_t DueOf(int64_t n) const { return base_ + TickOffsetMicros(tempo_, n); }

  const TimeSource& time_;
  int32_t tempo_ = 0;
  int64_t base_ = 0;   // due time of tick 0 since the last (re)start or retiming
  int64_t count_ = 0;  // ticks granted since base_
  int64_t lastDue_ = 0;
  int64_t lastGrantAt_ = 0;
  bool granted_ = false;  // a tick was granted since the last Start
  uint64_t missed_ = 0;
};

}  // namespace kalo::host
