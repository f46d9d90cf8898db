#include "song/chordmemory.h"

#include <algorithm>

namespace kalo::song {

BeatRecord StoredChord(const perform::Chord& chord) {
  if (chord.Root < 1 || chord.Root > 127 || !perform::IsChordType(chord.Type)) return {};
  return {static_cast<uint8_t>(chord.Root), static_cast<uint8_t>(chord.Type), kNoFunction, 0};
}

Chordmemory Chordmemory::Cleared() {
  Chordmemory memory;
  memory.Clear();
  return memory;
}

void Chordmemory::Clear() {
  std::fill_n(Bytes.begin(), kChordmemoryWorkingSize, uint8_t{0});
  Length = kEmptyChordmemoryLength;
  Bytes[kSongStart + 2] = kStopFunction;
}

ChordmemoryHeader Chordmemory::Header() const { return {Bytes[0], Bytes[1], Bytes[2], Bytes[3]}; }

void Chordmemory::SetHeader(const ChordmemoryHeader& header) {
  Bytes[0] = header.StartMeasure;
  Bytes[1] = header.Tempo;
  Bytes[2] = header.MeasureLength;
  Bytes[3] = header.MelodyProgram;
}

bool Chordmemory::IsRecordPosition(int position) {
  return position >= kSongStart && position % kRecordBytes == 0 &&
         static_cast<size_t>(position) + kRecordBytes <= kChordmemoryBufferSize;
}

bool Chordmemory::IsWritablePosition(int position) {
  return IsRecordPosition(position) && position < kChordmemoryWorkingSize;
}

BeatRecord Chordmemory::RecordAt(int position) const {
  if (!IsRecordPosition(position)) return {};
  const auto at = static_cast<size_t>(position);
  return {Bytes[at], Bytes[at + 1], Bytes[at + 2], Bytes[at + 3]};
}

bool Chordmemory::Write(int position, const BeatRecord& record) {
  if (!IsWritablePosition(position)) return false;
  const auto at = static_cast<size_t>(position);
  Bytes[at] = record.Root;
  Bytes[at + 1] = record.Type;
  Bytes[at + 2] = record.Function;
  Bytes[at + 3] = record.Parameter;
  return true;
}

int Chordmemory::Measures(int measureLength) const {
  const int beatsPerMeasure = measureLength / kRecordBytes;
  if (beatsPerMeasure <= 0 || Length < kSongStart) return 0;
  return ((Length - kSongStart) / kRecordBytes) / beatsPerMeasure;
}

BeatRecord Chordmemory::ChordInForce(int position) const {
  for (int back = position; back >= kSongStart; back -= kRecordBytes) {
    const BeatRecord found = RecordAt(back);
    if (found.HasChord()) return found;
  }
  return {};
}

BeatRecord Chordmemory::ReReadRecord(int position) const {
  BeatRecord record = RecordAt(position);
  if (record.HasChord()) return record;
  const BeatRecord found = ChordInForce(position - kRecordBytes);
  if (!found.HasChord()) return record;
  record.Root = found.Root;
  record.Type = found.Type;
  const bool placeMark = found.Function == kLoopFunction || found.Function == kStopFunction;
  if (record.Function == kNoFunction && !placeMark) {
    record.Function = found.Function;
    record.Parameter = found.Parameter;
  }
  return record;
}

bool ValidFunction(uint8_t code, uint8_t parameter) {
  switch (code) {
    case kSoloMuteFunction:
      // 238 would unmute a 17th channel.
      return parameter <= 16 || (parameter >= 220 && parameter != 238);
    case kTransposeFunction:
      return parameter <= 11 || parameter >= 245;
    case kLoopFunction:
      return parameter <= kLoopStartBase + kMaxLoopPasses;
    case kTempoFunction:
      return parameter >= 25 && parameter <= 250;
    default:
      return true;
  }
}

}  // namespace kalo::song
