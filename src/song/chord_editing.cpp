#include "song/chord_editing.h"

#include <algorithm>

#include "perform/chord.h"
#include "song/function_text.h"
#include "song/song.h"

namespace kalo::song {

namespace {

uint8_t* At(Chordmemory& chords, int position) { return chords.Bytes.data() + position; }

// Bytes [from, to) move by `distance` (either way); the buffer's ends are never crossed.
void MoveBytes(Chordmemory& chords, int from, int to, int distance) {
  if (to <= from) return;
  if (distance > 0) {
    std::copy_backward(At(chords, from), At(chords, to), At(chords, to + distance));
  } else {
    std::copy(At(chords, from), At(chords, to), At(chords, from + distance));
  }
}

void ZeroFrom(Chordmemory& chords, int position) {
  if (position < kChordmemoryWorkingSize)
    std::fill(At(chords, std::max(position, 0)), At(chords, kChordmemoryWorkingSize), uint8_t{0});
}

// Whether a record that starts within the length holds STOP.
bool HasEndMark(const Chordmemory& chords) {
  for (int position = kSongStart; position < chords.Length; position += kRecordBytes)
    if (chords.RecordAt(position).Function == kStopFunction) return true;
  return false;
}

// A deletion applied to a copy, kept unless it leaves a song that lost its end mark.
template <typename Delete>
bool KeepingEndMark(Chordmemory& chords, Delete remove) {
  Chordmemory after = chords;
  remove(after);
  if (HasEndMark(chords) && !HasEndMark(after) && !after.Empty()) return false;
  chords = after;
  return true;
}

int MeasureStart(int measure, int measureLength) { return (measure - 1) * measureLength + kSongStart; }

}  // namespace

bool InsertMeasure(Chordmemory& chords, int measure, int measureLength) {
  const int p = MeasureStart(measure, measureLength);
  if (measure < 1 || measureLength <= 0 || chords.Length < 5 || p > chords.Length ||
      chords.Length + measureLength >= kChordmemoryWorkingSize)
    return false;
  MoveBytes(chords, p, chords.Length, measureLength);
  chords.Write(p, {});
  chords.Length = static_cast<int16_t>(chords.Length + measureLength);
  return true;
}

bool CreateMeasures(Chordmemory& chords, int count, int measureLength) {
  if (!chords.Empty() || count < 0 || measureLength <= 0) return false;
  if (count == 0) return true;
  if (measureLength * count + 8 >= kChordmemoryWorkingSize) return false;
  chords.Length = static_cast<int16_t>(measureLength * count + kSongStart);
  BeatRecord first = chords.RecordAt(kSongStart);
  if (first.Function == kStopFunction) chords.Write(kSongStart, {first.Root, first.Type, 0, 0});
  BeatRecord end = chords.RecordAt(chords.Length);
  chords.Write(chords.Length, {end.Root, end.Type, kStopFunction, 0});
  chords.Length = static_cast<int16_t>(chords.Length + measureLength);
  return true;
}

bool DeleteMeasure(Chordmemory& chords, int measure, int measureLength) {
  const int p = MeasureStart(measure, measureLength);
  if (measure < 1 || measureLength <= 0 || chords.Length < 5 || p >= chords.Length ||
      chords.Length - measureLength <= 0)
    return false;
  return KeepingEndMark(chords, [&](Chordmemory& c) {
    MoveBytes(c, p + measureLength, c.Length, -measureLength);
    c.Length = static_cast<int16_t>(c.Length - measureLength);
    ZeroFrom(c, c.Length);
  });
}

bool InsertBeat(Chordmemory& chords, int position, int measureLength) {
  if (!Chordmemory::IsWritablePosition(position) || measureLength <= 0 || chords.Length <= 4 ||
      position > chords.Length || chords.Length + measureLength >= kChordmemoryWorkingSize)
    return false;
  MoveBytes(chords, position, chords.Length, kRecordBytes);
  chords.Write(position, {});
  chords.Length = static_cast<int16_t>(chords.Length + measureLength + kRecordBytes);
  return true;
}

bool DeleteBeat(Chordmemory& chords, int position, int measureLength) {
  if (!Chordmemory::IsWritablePosition(position) || measureLength <= 0 || chords.Length < 5 ||
      position >= chords.Length || chords.Length - measureLength < 1)
    return false;
  return KeepingEndMark(chords, [&](Chordmemory& c) {
    MoveBytes(c, position + kRecordBytes, c.Length, -kRecordBytes);
    c.Length = static_cast<int16_t>(c.Length - kRecordBytes);
    ZeroFrom(c, c.Length);
  });
}

bool CopyMeasures(Chordmemory& chords, int first, int last, int destination, int measureLength) {
  if (chords.Empty() || measureLength <= 0 || first < 1 || first > last ||
      (destination >= first && destination <= last) || destination < 1)
    return false;
  const int block = (last - first + 1) * measureLength;
  int source = MeasureStart(first, measureLength);
  const int target = MeasureStart(destination, measureLength);
  // The whole block counts against the working area, so the moves stay inside the buffer.
  if (source + block > chords.Length || target >= chords.Length ||
      chords.Length + block >= kChordmemoryWorkingSize)
    return false;
  MoveBytes(chords, target, chords.Length, block);
  chords.Length = static_cast<int16_t>(chords.Length + block);
  if (source > target) source += block;
  std::copy(At(chords, source), At(chords, source + block), At(chords, target));
  const BeatRecord end = chords.RecordAt(chords.Length);
  chords.Write(chords.Length, {end.Root, end.Type, kStopFunction, 0});
  return true;
}

uint8_t LoopStartParameter(int count) {
  return static_cast<uint8_t>(kLoopStartBase + std::clamp(count, 1, 100));
}

uint8_t TransposeParameter(int semitones) {
  const int value = std::clamp(semitones, -11, 11);
  return static_cast<uint8_t>(value < 0 ? 256 + value : value);
}

uint8_t SoloMuteParameter(SoloMuteChoice choice, int channel) {
  const int c = std::clamp(channel, 1, 16);
  switch (choice) {
    case SoloMuteChoice::Play:
      return static_cast<uint8_t>(255 - c);
    case SoloMuteChoice::Solo:
      return static_cast<uint8_t>(c);
    case SoloMuteChoice::Mute:
      return static_cast<uint8_t>(238 - c);
    case SoloMuteChoice::PlayAll:
      return 0;
    case SoloMuteChoice::MuteAll:
      return 255;
    case SoloMuteChoice::PlayMelody:
      return 221;
    case SoloMuteChoice::MuteMelody:
      return 220;
  }
  return 0;
}

std::string CellText(const BeatRecord& record, const config::ControlKeyNotes& keys) {
  std::string text = record.Type != 0 ? perform::ChordName(record.Root, record.Type) : "";
  const std::string function = FunctionText(record.Function, record.Parameter, keys);
  if (!text.empty() && !function.empty()) text += ' ';
  return text + function;
}

int ShownMeasures(const Chordmemory& chords, int measureLength) {
  if (measureLength <= 0) return 1;
  int end = std::min<int>(chords.Length, kChordmemoryWorkingSize);
  for (int position = kSongStart; position < end; position += kRecordBytes) {
    if (chords.RecordAt(position).Function == kStopFunction) {
      end = position + 1;
      break;
    }
  }
  return std::max(1, (end - kSongStart + measureLength - 1) / measureLength);
}

int ChordEditing::SelectedPosition(int measureLength) const {
  return MeasureStart(Measure, measureLength) + (Column - 1) * kRecordBytes;
}

void ChordEditing::Written(int measureLength) {
  if (SelectedPosition(measureLength) >= chords_.Length)
    chords_.Length = static_cast<int16_t>(MeasureStart(Measure, measureLength) + measureLength);
  Modified = true;
}

void ChordEditing::WriteChord(int root, int type, int measureLength) {
  if (root < 1 || root > 127 || !perform::IsChordType(type)) return;
  ChangeSelected(measureLength, [&](BeatRecord& record) {
    record.Root = static_cast<uint8_t>(root);
    record.Type = static_cast<uint8_t>(type);
  });
}

void ChordEditing::SetRoot(int rootNote, int measureLength) {
  if (rootNote < 1 || rootNote > 127) return;
  ChangeSelected(measureLength, [&](BeatRecord& record) {
    record.Root = static_cast<uint8_t>(rootNote);
    if (record.Type == 0) record.Type = perform::kMaj;
  });
}

bool ChordEditing::SetType(int type, int measureLength) {
  if (!perform::IsChordType(type) || !Selected(measureLength).HasRoot()) return false;
  ChangeSelected(measureLength, [&](BeatRecord& record) { record.Type = static_cast<uint8_t>(type); });
  return true;
}

void ChordEditing::WriteFunction(uint8_t code, uint8_t parameter, int measureLength) {
  ChangeSelected(measureLength, [&](BeatRecord& record) {
    record.Function = code;
    record.Parameter = parameter;
  });
}

void ChordEditing::CutChord(int measureLength) {
  const BeatRecord cell = Selected(measureLength);
  Clipboard = {cell.Root, cell.Type, 0, 0};
  ChangeSelected(measureLength, [&](BeatRecord& record) { record.Root = record.Type = 0; });
}

void ChordEditing::CutFunction(int measureLength) {
  const BeatRecord cell = Selected(measureLength);
  Clipboard = {0, 0, cell.Function, cell.Parameter};
  ChangeSelected(measureLength, [&](BeatRecord& record) { record.Function = record.Parameter = 0; });
}

void ChordEditing::CutBeat(int measureLength) {
  Clipboard = Selected(measureLength);
  ChangeSelected(measureLength, [&](BeatRecord& record) { record = BeatRecord{}; });
}

void ChordEditing::PasteBeat(int measureLength) {
  const BeatRecord clip = Clipboard;
  ChangeSelected(measureLength, [&](BeatRecord& record) {
    if (clip.Root != 0) record.Root = clip.Root;
    if (clip.Type != 0) record.Type = clip.Type;
    if (clip.Function != 0) record.Function = clip.Function;
    if (clip.Parameter != 0) record.Parameter = clip.Parameter;
  });
}

const char* ChordEditing::InsertMeasure(int measureLength) {
  return Apply([&](Chordmemory& c) { return song::InsertMeasure(c, Measure, measureLength); },
               kCantInsertMeasures);
}

const char* ChordEditing::DeleteMeasure(int measureLength) {
  return Apply([&](Chordmemory& c) { return song::DeleteMeasure(c, Measure, measureLength); },
               kCantClearMeasure);
}

const char* ChordEditing::InsertBeat(int measureLength) {
  const int position = SelectedPosition(measureLength);
  return Apply([&](Chordmemory& c) { return song::InsertBeat(c, position, measureLength); }, kCantInsertBeat);
}

const char* ChordEditing::DeleteBeat(int measureLength) {
  const int position = SelectedPosition(measureLength);
  return Apply([&](Chordmemory& c) { return song::DeleteBeat(c, position, measureLength); }, kCantClearBeat);
}

const char* ChordEditing::CreateMeasures(int count, int measureLength) {
  if (count == 0) return nullptr;
  const char* refused = Apply([&](Chordmemory& c) { return song::CreateMeasures(c, count, measureLength); },
                              kCantInsertMeasures);
  if (refused == nullptr) {
    Measure = 1;
    Column = 1;
  }
  return refused;
}

const char* ChordEditing::CopyMeasures(int first, int last, int destination, int measureLength) {
  if (chords_.Empty()) return kChordmemoryEmptyMessage;
  return Apply([&](Chordmemory& c) { return song::CopyMeasures(c, first, last, destination, measureLength); },
               kCantCopyMeasures);
}

void ChordEditing::Replace(const Chordmemory& chords) {
  TakeSnapshot();
  chords_ = chords;
  Modified = true;
}

bool ChordEditing::Undo() {
  if (!undo_) return false;
  chords_ = undo_->Chords;
  Measure = undo_->Measure;
  undo_.reset();
  Modified = true;
  return true;
}

}  // namespace kalo::song
