#include "song/play_range.h"

#include <algorithm>

#include "config/settings.h"

namespace kalo::song {

std::optional<int> MetrumIndexForLength(int measureLength, bool eighthNoteStyle) {
  if (measureLength == 4 && eighthNoteStyle) return 8;  // "1/8"
  for (int i = 0; i < config::kMetrumCount; ++i)
    if (config::kMetrumLengths[i] == measureLength) return i;
  return std::nullopt;
}

int MetronomeBeats(int metrumIndex) {
  switch (metrumIndex) {
    case 3:  // "3/4"
    case 6:  // "6/8"
      return 3;
    case 1:  // "5/4"
      return 5;
    default:
      return 4;
  }
}

void PlayRange::SetFromMeasure(int measure) { from_ = std::clamp(measure, 1, kMaxMeasure); }
void PlayRange::SetToMeasure(int measure) { to_ = std::clamp(measure, 1, kMaxMeasure); }
void PlayRange::SetRecordStartMeasure(int measure) {
  recordStart_ = std::clamp(measure, -kMaxMeasure, kMaxMeasure);
}

bool PlayRange::ChangeMeasureLength(int measureLength, int chordmemoryLength) {
  if (!MetrumIndexForLength(measureLength, false)) return false;
  measureLength_ = measureLength;
  from_ = 1;
  to_ = 1;
  const int measures = (chordmemoryLength - 4) / measureLength;
  if (measures > 1) SetToMeasure(measures);
  return true;
}

}  // namespace kalo::song
