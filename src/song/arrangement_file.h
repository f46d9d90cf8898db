#pragma once
// The arrangement file (".vxa"): one song. Layout, little-endian and packed; p is the running
// offset:
//   marker A (1 byte): 255 = a melody block follows (i32 length L, then L bytes of 8-byte events);
//     254 = oldest layout: the Chordmemory starts at offset 1 and nothing else is present;
//     any other value belongs to the memo block.
//   marker B at p: 253 = sized memo (i32 length M, then M bytes of text, whose last four lines
//     are the title lines when it has more than three); otherwise a fixed memo field of 1380
//     bytes, NUL-terminated, whose first byte is the marker, all of it comment text.
//   120 reserved bytes.
//   marker C: 252 = a style block follows (160 bytes: a length byte, at most 159 characters);
//     otherwise this byte is the first of the Chordmemory.
//   the Chordmemory bytes, at most 12,010 of them.
// Parsing is total: any bytes give a song. Blocks that declare more than the buffers hold (4000
// events, 1500 memo bytes) are read as far as the buffers go, and the next block is still looked
// for at the offset the declared length gives; negative lengths count as 0; short files give
// fewer bytes.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "song/chordmemory.h"
#include "song/melody_track.h"
#include "song/memo_text.h"
#include "song/song.h"

namespace kalo::song {

inline constexpr uint8_t kMelodyMarker = 255;
inline constexpr uint8_t kOldestLayoutMarker = 254;
inline constexpr uint8_t kSizedMemoMarker = 253;
inline constexpr uint8_t kStyleMarker = 252;
inline constexpr size_t kFixedMemoSize = 1380;
inline constexpr size_t kReservedBlockSize = 120;
inline constexpr size_t kStylePathBlockSize = 160;
inline constexpr size_t kMaxStylePathLength = kStylePathBlockSize - 1;
// The largest file the writer makes: a full melody and memo, the fixed blocks and a full
// Chordmemory.
inline constexpr size_t kMaxArrangementFileBytes = 1 + 4 + kMelodyCapacity * kMelodyEventBytes + 1 + 4 +
                                                   kMemoBufferSize + kReservedBlockSize + 1 +
                                                   kStylePathBlockSize + kChordmemoryBufferSize;
// How much of a file is read. Blocks that declare more than their buffers hold push the following
// blocks further out; what lies beyond this limit counts as missing, as in a short file.
inline constexpr size_t kArrangementReadLimit = size_t{16} << 20;

struct ParsedArrangement {
  bool OldestLayout = false;    // marker A = 254
  bool HasMelodyBlock = false;  // marker A = 255
  int64_t DeclaredMelodyBytes = 0;
  std::vector<MelodyEvent> Melody;  // at most 4000, only those the file holds whole
  bool HasMemo = false;             // not the oldest layout
  bool SizedMemo = false;           // marker B = 253
  int64_t DeclaredMemoBytes = 0;
  SongMemo Memo;
  bool HasStyleBlock = false;  // marker C = 252
  std::string StylePath;       // the path's bytes as stored
  // The Chordmemory as read: Length = the bytes read (0..12,010), the rest zero.
  Chordmemory Chords{.Length = 0};
  // The file ends before its Chordmemory begins (inside the melody, memo, reserved or style block)
  // or inside a beat record: it was cut short.
  bool CutShort = false;
};

ParsedArrangement ParseArrangementFile(std::span<const uint8_t> bytes);

// Why bytes read as an arrangement are none, or empty when they may be one: the layout has no
// signature, so other files (a sound font, a text, a style) read as a song whose beat records mostly
// hold values the program never writes (half chords, chords outside the note and type ranges,
// function parameters outside their tables). A song with a few damaged records still counts as one.
std::string NotAnArrangementReason(const ParsedArrangement& song);

// The bytes of an arrangement in the current layout: a melody block (all events), a sized memo
// block (MemoFileBytes), 120 zero bytes, a style block and the first `chords.Length` bytes of the
// Chordmemory (0 to the buffer size). A style path longer than 159 bytes is stored as its file
// name, so that the look-up under the STYLES folder still finds it. `memoShortened` tells whether
// the memo had to be cut to the reader's buffer.
std::vector<uint8_t> SerializeArrangementFile(const Chordmemory& chords, std::span<const MelodyEvent> melody,
                                              const SongMemo& memo, const std::string& stylePath,
                                              bool* memoShortened = nullptr);

}  // namespace kalo::song
