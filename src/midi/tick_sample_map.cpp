#include "midi/tick_sample_map.h"

#include <algorithm>
#include <cmath>

namespace kalo::midi {

namespace {

int ClampBpm(int bpm) { return std::clamp(bpm, kMinRenderBpm, kMaxRenderBpm); }

}  // namespace

TickSampleMap::TickSampleMap(std::span<const TempoChange> tempo, int sampleRate) : sampleRate_(sampleRate) {
  std::vector<TempoChange> changes(tempo.begin(), tempo.end());
  std::stable_sort(changes.begin(), changes.end(),
                   [](const TempoChange& a, const TempoChange& b) { return a.Tick < b.Tick; });
  segments_.push_back(Segment{});
  for (const TempoChange& change : changes) {
    const int64_t tick = std::max<int64_t>(change.Tick, 0);
    Segment& last = segments_.back();
    if (tick == last.Tick) {
      last.Bpm = ClampBpm(change.Bpm);
      continue;
    }
    int64_t whole = 0;
    int64_t rest = 0;
    Span(tick - last.Tick, last.Bpm, whole, rest);
    double fraction = last.Fraction + static_cast<double>(rest) / (2.0 * last.Bpm);
    const double carry = std::floor(fraction);
    segments_.push_back(Segment{tick, ClampBpm(change.Bpm), last.Whole + whole + static_cast<int64_t>(carry),
                                fraction - carry});
  }
}

void TickSampleMap::Span(int64_t ticks, int bpm, int64_t& whole, int64_t& rest) const {
  const int64_t numerator = ticks * sampleRate_ * 5;
  const int64_t denominator = 2 * int64_t{bpm};
  whole = numerator / denominator;
  rest = numerator % denominator;
}

int64_t TickSampleMap::SampleAt(int64_t tick) const {
  tick = std::max<int64_t>(tick, 0);
  auto after = std::upper_bound(segments_.begin(), segments_.end(), tick,
                                [](int64_t t, const Segment& segment) { return t < segment.Tick; });
  const Segment& segment = *(after - 1);
  int64_t whole = 0;
  int64_t rest = 0;
  Span(tick - segment.Tick, segment.Bpm, whole, rest);
  const double fraction = segment.Fraction + static_cast<double>(rest) / (2.0 * segment.Bpm);
  return segment.Whole + whole + static_cast<int64_t>(std::floor(fraction + 0.5));
}

}  // namespace kalo::midi
