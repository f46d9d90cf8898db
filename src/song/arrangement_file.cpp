#include "song/arrangement_file.h"

#include <algorithm>

#include "host/byte_io.h"
#include "song/memo_text.h"

namespace kalo::song {

namespace {

// The bytes [offset, offset + count) that the file holds, clipped to its end.
std::span<const uint8_t> Block(std::span<const uint8_t> bytes, int64_t offset, int64_t count) {
  if (offset < 0 || count <= 0 || offset >= static_cast<int64_t>(bytes.size())) return {};
  const int64_t available = static_cast<int64_t>(bytes.size()) - offset;
  return bytes.subspan(static_cast<size_t>(offset), static_cast<size_t>(std::min(count, available)));
}

// The byte at `offset`, or -1 past the end (which matches no marker).
int ByteAt(std::span<const uint8_t> bytes, int64_t offset) {
  return offset >= 0 && offset < static_cast<int64_t>(bytes.size()) ? bytes[static_cast<size_t>(offset)] : -1;
}

// A signed 32-bit length at `offset`; a negative or missing one counts as 0.
int64_t LengthAt(std::span<const uint8_t> bytes, int64_t offset) {
  host::ByteReader in(Block(bytes, offset, 4));
  int32_t value = 0;
  if (!in.ReadI32(value)) return 0;
  return std::max<int32_t>(value, 0);
}

std::vector<MelodyEvent> ReadEvents(std::span<const uint8_t> block) {
  std::vector<MelodyEvent> events;
  host::ByteReader in(block);
  MelodyEvent e;
  while (events.size() < static_cast<size_t>(kMelodyCapacity) && in.ReadI32(e.Time) && in.ReadU8(e.Status) &&
         in.ReadU8(e.Data1) && in.ReadU8(e.Data2) && in.ReadU8(e.NoteFlag))
    events.push_back(e);
  return events;
}

}  // namespace

ParsedArrangement ParseArrangementFile(std::span<const uint8_t> bytes) {
  ParsedArrangement parsed;
  const int markerA = ByteAt(bytes, 0);
  int64_t p = 0;
  if (markerA == kMelodyMarker) {
    parsed.HasMelodyBlock = true;
    parsed.DeclaredMelodyBytes = LengthAt(bytes, 1);
    const int64_t readable =
        std::min<int64_t>(parsed.DeclaredMelodyBytes, kMelodyCapacity * kMelodyEventBytes);
    parsed.Melody = ReadEvents(Block(bytes, 5, readable));
    p = 5 + parsed.DeclaredMelodyBytes;
  }
  if (markerA == kOldestLayoutMarker) {
    parsed.OldestLayout = true;
    p = 1;
  } else {
    parsed.HasMemo = true;
    if (ByteAt(bytes, p) == kSizedMemoMarker) {
      parsed.SizedMemo = true;
      parsed.DeclaredMemoBytes = LengthAt(bytes, p + 1);
      const auto memo = Block(bytes, p + 5, std::min<int64_t>(parsed.DeclaredMemoBytes, kMemoBufferSize));
      parsed.Memo = MemoFromText(DecodeFileText(memo));
      p += 5 + parsed.DeclaredMemoBytes;
    } else {
      // The fixed field predates the title lines: all of it is comment text.
      parsed.Memo.Comments = DecodeFileText(Block(bytes, p, kFixedMemoSize));
      p += kFixedMemoSize;
    }
    p += kReservedBlockSize;
    if (ByteAt(bytes, p) == kStyleMarker) {
      parsed.HasStyleBlock = true;
      const auto block = Block(bytes, p + 1, kStylePathBlockSize);
      if (!block.empty()) {
        const size_t length = std::min<size_t>({block[0], kMaxStylePathLength, block.size() - 1});
        parsed.StylePath.assign(block.begin() + 1, block.begin() + 1 + static_cast<ptrdiff_t>(length));
      }
      p += 1 + kStylePathBlockSize;
    }
  }
  const auto chords = Block(bytes, p, kChordmemoryBufferSize);
  std::copy(chords.begin(), chords.end(), parsed.Chords.Bytes.begin());
  parsed.Chords.Length = static_cast<int16_t>(chords.size());
  // A full buffer may end anywhere; a shorter Chordmemory ends after a whole beat record.
  parsed.CutShort = p > static_cast<int64_t>(bytes.size()) ||
                    (chords.size() < kChordmemoryBufferSize && parsed.Chords.Length > kSongStart &&
                     parsed.Chords.Length % kRecordBytes != 0);
  return parsed;
}

std::string NotAnArrangementReason(const ParsedArrangement& song) {
  int used = 0, invalid = 0;
  for (int p = kSongStart; p + kRecordBytes <= song.Chords.Length; p += kRecordBytes) {
    const BeatRecord r = song.Chords.RecordAt(p);
    if (r == BeatRecord{}) continue;
    ++used;
    // What the program never writes: half a chord, a chord or function parameter outside its range,
    // a style-part key without the parameter keys carry.
    const bool halfChord = r.HasRoot() != (r.Type != 0);
    const bool oddKey = r.Function >= 1 && r.Function <= 250 && r.Parameter != kPartKeyParameter;
    if (halfChord || r.InvalidChord() || oddKey || !ValidFunction(r.Function, r.Parameter)) ++invalid;
  }
  if (invalid * 2 <= used) return {};
  return std::to_string(invalid) + " of its " + std::to_string(used) +
         " beat records in use hold values no song holds";
}

std::vector<uint8_t> SerializeArrangementFile(const Chordmemory& chords, std::span<const MelodyEvent> melody,
                                              const SongMemo& memo, const std::string& stylePath,
                                              bool* memoShortened) {
  std::vector<uint8_t> out;
  host::ByteWriter writer(out);
  const size_t events = std::min(melody.size(), static_cast<size_t>(kMelodyCapacity));
  writer.WriteU8(kMelodyMarker);
  writer.WriteI32(static_cast<int32_t>(events * kMelodyEventBytes));
  for (const MelodyEvent& e : melody.first(events)) {
    writer.WriteI32(e.Time);
    writer.WriteU8(e.Status);
    writer.WriteU8(e.Data1);
    writer.WriteU8(e.Data2);
    writer.WriteU8(e.NoteFlag);
  }

  bool shortened = false;
  const std::vector<uint8_t> memoBytes = MemoFileBytes(memo, shortened);
  if (memoShortened) *memoShortened = shortened;
  writer.WriteU8(kSizedMemoMarker);
  writer.WriteI32(static_cast<int32_t>(memoBytes.size()));
  writer.WriteBytes(memoBytes);
  out.resize(out.size() + kReservedBlockSize, 0);

  std::string path = stylePath;
  if (path.size() > kMaxStylePathLength) {
    const size_t slash = path.find_last_of("\\/");
    if (slash != std::string::npos) path = path.substr(slash + 1);
    path.resize(std::min(path.size(), kMaxStylePathLength));
  }
  writer.WriteU8(kStyleMarker);
  writer.WriteU8(static_cast<uint8_t>(path.size()));
  writer.WriteBytes(std::span(reinterpret_cast<const uint8_t*>(path.data()), path.size()));
  out.resize(out.size() + kMaxStylePathLength - path.size(), 0);

  const auto length = static_cast<size_t>(std::clamp<int>(chords.Length, 0, kChordmemoryBufferSize));
  writer.WriteBytes(std::span(chords.Bytes).first(length));
  return out;
}

}  // namespace kalo::song
