#include "gui/tap_tempo.h"

#include <algorithm>

#include "engine/sequencer_clock.h"

namespace kalo::gui {

int TapTempo::TapsPerMeasure(int metrumIndex) {
  switch (metrumIndex) {
    case 1:  // 5/4
      return 5;
    case 3:  // 3/4
    case 6:  // 6/8
      return 3;
    default:
      return 4;
  }
}

std::optional<int> TapTempo::Tap(int64_t nowMs, int taps) {
  const int64_t steps = taps_ == 0 ? 0 : (nowMs - last_) / kStepMs;
  lastTap_ = 0;
  if (taps_ > 0 && steps <= 0) return std::nullopt;
  last_ = nowMs;
  if (taps_ == 0 || steps > kLongestInterval) {
    lastTap_ = taps_ = 1;
    sum_ = 0;
    return std::nullopt;
  }
  sum_ += static_cast<int>(steps);
  lastTap_ = ++taps_;
  if (taps_ < std::max(taps, 2)) return std::nullopt;
  const int average = sum_ / (taps_ - 1);
  taps_ = 0;
  return std::clamp(60000 / average / kStepMs, engine::kMinFieldTempo, engine::kMaxFieldTempo);
}

}  // namespace kalo::gui
