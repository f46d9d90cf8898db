#include "song/chordmemory_recorder.h"

#include <algorithm>

namespace kalo::song {

namespace {

BeatRecord RecordOf(const BeatEntry& entry) {
  BeatRecord record = StoredChord(entry.Chord);
  record.Function = entry.Function;
  record.Parameter = entry.Function == kNoFunction ? uint8_t{0} : entry.Parameter;
  return record;
}

bool HasChord(const BeatEntry& entry) { return StoredChord(entry.Chord).HasChord(); }

}  // namespace

bool ChordmemoryRecorder::Start(bool edit) {
  const PlayRange& range = song_.Range;
  const int recordStart = range.RecordStart();
  const std::string measure = std::to_string(range.RecordStartMeasure());
  int position = recordStart;
  if (edit) {
    if (!dialogs_.Ask(kReplaceFromMeasureQuestion + measure)) return false;
    position = recordStart >= 5 ? recordStart : kSongStart;
  } else if (!song_.Chords.Empty()) {
    if (recordStart + 2 * range.MeasureLength() < song_.Chords.Length || recordStart < kSongStart) {
      if (!dialogs_.Ask(kReplaceChordsQuestion)) return false;
      song_.Clear();
    } else if (!dialogs_.Ask(kStartRecordingAtQuestion + measure)) {
      return false;
    }
  }
  song_.Position = position;
  song_.FirstWritePosition = kSongStart;
  tap_ = 0;
  measureStart_ = position;
  lastStepChord_ = {};
  return true;
}

bool ChordmemoryRecorder::StartStep(bool edit, int taps) {
  if (song_.Range.RecordStartMeasure() < 1) song_.Range.SetRecordStartMeasure(1);
  if (!Start(edit)) return false;
  taps_ = std::clamp(taps, 1, kMaxTapsPerMeasure);
  return true;
}

bool ChordmemoryRecorder::TakeFirstChord(const perform::Chord& chord) {
  if (song_.Position >= kSongStart) return false;
  if (!song_.Chords.Write(kSongStart, StoredChord(chord))) return false;
  song_.FirstWritePosition = kSongStart + kRecordBytes;
  return true;
}

bool ChordmemoryRecorder::StoreBeat(const BeatEntry& entry, bool countIn) {
  if (song_.Position == kSongStart - song_.Range.MeasureLength()) song_.Position = kSongStart;
  if (song_.Position < song_.FirstWritePosition) return false;
  return song_.Chords.Write(song_.Position, countIn ? BeatRecord{} : RecordOf(entry));
}

bool ChordmemoryRecorder::StoreLate(const BeatEntry& entry) {
  const int passed = song_.Position - kRecordBytes;
  if (passed < song_.FirstWritePosition) return false;
  return song_.Chords.Write(passed, RecordOf(entry));
}

bool ChordmemoryRecorder::Advance() {
  song_.Position += kRecordBytes;
  return song_.Position >= kChordmemoryWorkingSize;
}

std::optional<int> ChordmemoryRecorder::Finish() {
  Chordmemory& chords = song_.Chords;
  if (song_.Position <= chords.Length) return std::nullopt;
  const int measureLength = song_.Range.MeasureLength();
  const int measures = (song_.Position - kSongStart) / measureLength;
  const int end = measures * measureLength + kSongStart;
  song_.Position = end;
  if (end >= kChordmemoryWorkingSize) {
    // The buffer is full: the song ends where recording stopped; a STOP record would lie outside
    // the working area and the length beyond the buffer.
    chords.Length = static_cast<int16_t>(kChordmemoryWorkingSize);
  } else {
    BeatRecord mark = chords.RecordAt(end);
    mark.Function = kStopFunction;
    mark.Parameter = 0;
    chords.Write(end, mark);
    chords.Length = static_cast<int16_t>(end + measureLength);
  }
  BeatRecord first = chords.RecordAt(kSongStart);
  if (!first.HasRoot()) {
    for (int p = kSongStart + kRecordBytes; p < chords.Length; p += kRecordBytes) {
      const BeatRecord later = chords.RecordAt(p);
      if (!later.HasRoot()) continue;
      first.Root = later.Root;
      first.Type = later.Type;
      chords.Write(kSongStart, first);
      break;
    }
  }
  song_.Range.SetFromMeasure(1);
  song_.Range.SetToMeasure(measures);
  return measures;
}

int ChordmemoryRecorder::EffectiveTaps() const {
  const int beats = std::max(1, song_.Range.MeasureLength() / kRecordBytes);
  return std::min(taps_, beats);
}

StepOutcome ChordmemoryRecorder::Step(const BeatEntry& entry, bool preview) {
  const int measureLength = song_.Range.MeasureLength();
  StepOutcome outcome;
  outcome.Tap = tap_ + 1;
  outcome.ShownMeasure = (song_.Position - 8) / measureLength + 1;
  const bool chord = HasChord(entry);
  if (preview || (!chord && entry.Function == kNoFunction)) return outcome;

  BeatRecord record = song_.Chords.RecordAt(song_.Position);
  record.Root = 0;
  record.Type = 0;
  const BeatRecord stored = StoredChord(entry.Chord);
  if (chord && stored != lastStepChord_) {
    record.Root = stored.Root;
    record.Type = stored.Type;
    lastStepChord_ = stored;
  }
  record.Function = entry.Function;
  record.Parameter = entry.Function == kNoFunction ? uint8_t{0} : entry.Parameter;
  outcome.Stored = song_.Chords.Write(song_.Position, record);

  if (!chord) {
    outcome.Click = true;
    return outcome;
  }
  const int taps = EffectiveTaps();
  const int beats = measureLength / kRecordBytes;
  if (++tap_ >= taps) {
    tap_ = 0;
    measureStart_ += measureLength;
  }
  song_.Position = measureStart_ + kRecordBytes * (tap_ * beats / taps);
  outcome.Advanced = true;
  outcome.Tap = tap_ + 1;
  outcome.ShownMeasure = (song_.Position - 8) / measureLength + 1;
  outcome.Full = song_.Position >= kChordmemoryWorkingSize;
  return outcome;
}

std::optional<BeatRecord> ChordmemoryRecorder::Overwrite(const BeatEntry& entry) {
  const bool function = entry.Function >= 1 && entry.Function <= 250;
  const bool chord = HasChord(entry);
  if (!chord && !function) return std::nullopt;
  const BeatRecord old = song_.Chords.RecordAt(song_.Position);
  BeatRecord record = RecordOf(entry);
  if (!chord) {
    record.Root = old.Root;
    record.Type = old.Type;
  }
  if (!function) {
    record.Function = old.Function;
    record.Parameter = old.Parameter;
  }
  if (song_.Position >= song_.FirstWritePosition) song_.Chords.Write(song_.Position, record);
  return record;
}

}  // namespace kalo::song
