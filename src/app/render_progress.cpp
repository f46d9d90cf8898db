#include "app/render_progress.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace kalo::app {

RenderProgress::RenderProgress(const host::TimeSource& clock, std::ostream& out, bool terminal)
    : clock_(clock), out_(out), terminal_(terminal), start_(clock.NowMicros()) {}

void RenderProgress::Update(const std::string& what, double fraction) {
  if (what != what_) {
    Done();
    what_ = what;
    shownPercent_ = -1;
  }
  if (!terminal_ || clock_.NowMicros() - start_ < kProgressDelayMicros) return;
  const int percent = static_cast<int>(std::floor(std::clamp(fraction, 0.0, 1.0) * 100.0));
  if (percent == shownPercent_) return;
  shownPercent_ = percent;
  char number[8];
  std::snprintf(number, sizeof number, "%3d%%", percent);
  out_ << "\rkalo render: writing " << what_ << ' ' << number << std::flush;
  lineOpen_ = true;
}

void RenderProgress::Done() {
  if (lineOpen_) out_ << '\n' << std::flush;
  lineOpen_ = false;
  what_.clear();
}

}  // namespace kalo::app
