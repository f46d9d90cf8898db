#pragma once
// Tap tempo: the player taps once per beat for one measure and the average interval becomes the
// tempo. Intervals are counted in steps of 50 ms and kept in one byte each (up to 12.75 s), as the
// tempo's resolution has always been; the result lies in the tempo field's range. Plain logic over
// the caller's monotonic milliseconds, so that tests give the times. Main thread.

#include <cstdint>
#include <optional>

namespace kalo::gui {

class TapTempo {
 public:
  static constexpr int kStepMs = 50;
  static constexpr int kLongestInterval = 255;  // steps

  // Taps per measure of a "Metrum" choice: 3 for "3/4" and "6/8", 5 for "5/4", else 4.
  static int TapsPerMeasure(int metrumIndex);

  // A tap at `nowMs`, the measure having `taps` taps (2 or more). Returns the tempo (25..250) on
  // the measure's last tap, which also starts the next measure afresh; otherwise nullopt. A tap
  // within one step of the last one is a bounce and is dropped; a tap after more than the longest
  // interval begins a new measure count.
  std::optional<int> Tap(int64_t nowMs, int taps);
  // The place in its measure count of the last tap, from 1; 0 for a dropped bounce.
  int LastTap() const { return lastTap_; }
  void Reset() { taps_ = 0; }

 private:
  int taps_ = 0;
  int64_t last_ = 0;
  int sum_ = 0;  // steps between the taps so far
  int lastTap_ = 0;
};

}  // namespace kalo::gui
