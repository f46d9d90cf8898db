#pragma once
// Song positions and measures for a measure length L (steps per measure = bytes of Chordmemory
// per measure, four per beat), the metrum table's look-ups, and the main window's play range and
// record start. Integer division truncates towards zero here, as the positions' formulas require.

#include <optional>

namespace kalo::song {

inline constexpr int kMaxMeasure = 500;

// Measure m, beat b (both from 1): (m − 1) × L + 4 + (b − 1) × 4.
constexpr int PositionOf(int measure, int beat, int measureLength) {
  return (measure - 1) * measureLength + 4 + (beat - 1) * 4;
}
// The measure of position p: (p − 4) div L + 1.
constexpr int MeasureOf(int position, int measureLength) { return (position - 4) / measureLength + 1; }
// The beat of position p: ((p − 4) mod L) div 4 + 1.
constexpr int BeatOf(int position, int measureLength) { return ((position - 4) % measureLength) / 4 + 1; }
// The measure shown for a position, lead-in positions (below 1) included: p div L there.
constexpr int ShownMeasureOf(int position, int measureLength) {
  return position < 1 ? position / measureLength : MeasureOf(position, measureLength);
}

// The metrum choice ("6/4" ... "1/8", config::kMetrumNames) for a measure length read from a file:
// the first item with that length, except that 4 selects "1/8" when the style counts in eighth
// notes. nullopt for a length the table does not hold.
std::optional<int> MetrumIndexForLength(int measureLength, bool eighthNoteStyle);
// The beats the metronome display counts for a metrum choice: 3 for "3/4" and "6/8", 5 for "5/4",
// else 4.
int MetronomeBeats(int metrumIndex);

// The from-, to- and record start measure fields and the positions they set. Each setter clamps
// to the field's range, so that the positions always follow the fields.
class PlayRange {
 public:
  int MeasureLength() const { return measureLength_; }
  int FromMeasure() const { return from_; }
  int ToMeasure() const { return to_; }
  int RecordStartMeasure() const { return recordStart_; }

  void SetFromMeasure(int measure);         // 1..500
  void SetToMeasure(int measure);           // 1..500
  void SetRecordStartMeasure(int measure);  // -500..500

  // Play start: (from − 1) × L + 4.
  int PlayStart() const { return (from_ - 1) * measureLength_ + 4; }
  // Play end: to × L + 3, the last byte of the to-measure.
  int PlayEnd() const { return to_ * measureLength_ + 3; }
  // Record start: (m − 1) × L + 4; 4 or less when recording begins before the song.
  int RecordStart() const { return (recordStart_ - 1) * measureLength_ + 4; }

  // A new measure length (one of the metrum table's): the play range goes back to measure 1, and
  // the to-measure to the last complete measure of a Chordmemory of `chordmemoryLength` bytes
  // when that holds more than one. Lengths the table does not hold are refused (false).
  bool ChangeMeasureLength(int measureLength, int chordmemoryLength);

 private:
  int measureLength_ = 16;
  int from_ = 1;
  int to_ = 1;
  int recordStart_ = 1;
};

}  // namespace kalo::song
