#pragma once
// Where the ticks of an offline render fall in its audio. At 24 ticks per quarter note a tick lasts
// 60 / (24 x bpm) seconds, so at sample rate R it spans 5 R / (2 bpm) samples: a fraction that the
// map carries exactly within a tempo and to double precision across tempo changes, so that event
// times never drift, however long the render.

#include <cstdint>
#include <span>
#include <vector>

#include "midi/captured_message.h"

namespace kalo::midi {

inline constexpr int kTicksPerQuarter = 24;
// Tempos outside this range are taken as its nearest end.
inline constexpr int kMinRenderBpm = 1;
inline constexpr int kMaxRenderBpm = 1000;

class TickSampleMap {
 public:
  // tempo: the changes in any order; of two at one tick the later one listed wins. Until the first
  // change (and with none) the tempo is 120, as in a MIDI file without a tempo.
  TickSampleMap(std::span<const TempoChange> tempo, int sampleRate);

  // The sample at which `tick` starts, rounded to the nearest sample (a half rounds up). Ticks
  // before 0 count as 0.
  int64_t SampleAt(int64_t tick) const;

  int SampleRate() const { return sampleRate_; }

 private:
  // A run of ticks at one tempo, starting at Whole + Fraction samples (0 <= Fraction < 1).
  struct Segment {
    int64_t Tick = 0;
    int Bpm = 120;
    int64_t Whole = 0;
    double Fraction = 0;
  };
  // Whole samples and the rest, in units of 1 / (2 bpm) samples, of `ticks` ticks at `bpm`.
  void Span(int64_t ticks, int bpm, int64_t& whole, int64_t& rest) const;

  int sampleRate_;
  std::vector<Segment> segments_;  // by tick, the first at tick 0
};

}  // namespace kalo::midi
