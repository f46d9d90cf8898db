#pragma once
// The one current style: the event stream in its buffer slots, the part table, the header and what
// is derived from them at load time. Owned by the Style-Creator (TGen); read by the player on the
// main thread, so nothing here locks.

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "styles/style_records.h"

namespace kalo::styles {

struct BufferSlot {
  std::vector<uint8_t> Data;  // kStreamAllocation bytes once allocated
  int32_t Length = 0;         // valid bytes
  bool InUse = false;
};

// One entry per quarter note of a recording: where the stream reaches that beat.
struct QuarterNoteEntry {
  uint32_t Offset = 0;
  uint8_t Slot = 0;
  uint8_t Overshoot = 0;  // ticks by which the delay byte at Offset passes the beat
};

struct LoadedMeasures {
  int16_t First = 0;
  int16_t Last = 0;
};

class Style {
 public:
  static constexpr int kSlotCount = 9;
  static constexpr int kCopyAsLoadedSlot = 7;
  static constexpr int kThirdSlot = 8;
  static constexpr int kBookmarkCount = 10;

  // Allocates slots 0, 7 and 8 (zero-filled) once; false when memory is short.
  bool Allocate();
  bool Allocated() const { return !Slots[0].Data.empty(); }

  // Slot 0: the current event stream, its whole allocation and its valid length.
  std::span<uint8_t> Buffer() { return Slots[0].Data; }
  std::span<const uint8_t> Buffer() const { return Slots[0].Data; }
  std::span<const uint8_t> Stream() const {
    return std::span<const uint8_t>(Slots[0].Data).first(static_cast<size_t>(Length()));
  }
  int32_t Length() const { return Slots[0].Length; }
  void SetLength(int32_t length) { Slots[0].Length = length; }
  bool HasMaterial() const { return Length() > 0; }

  // Clears everything a reset clears; keeps the allocation.
  void Clear();
  // 1 per part and channel when every note-on of the channel in the part is ended before the
  // part's end, 0 when a note hangs over; empty parts get 0.
  void ComputeHoldOver();

  std::array<BufferSlot, kSlotCount> Slots;
  TStyleHeader Header;
  PartTable Parts{};
  std::array<LoadedMeasures, kPartCount> Loaded{};
  std::array<std::array<uint8_t, kChannelCount>, kPartCount> HoldOver{};
  bool Modified = false;
  std::array<int16_t, kBookmarkCount> Bookmarks{};  // measure numbers, 0 = empty
  int BookmarkCursor = 1;
  int VolumeOffsetTotal = 0;
  int ReverbOffsetTotal = 0;
  std::vector<QuarterNoteEntry> QuarterNoteIndex;  // empty: Locate scans the stream
};

// Makes empty every existing part whose start, end or (for parts 4 to 7) entry offsets lie outside
// [0, streamLength], or whose end is not after its start, so that playback never reads past the
// stream. Returns one bit per part made empty.
unsigned MendPartOffsets(PartTable& parts, int32_t streamLength);
// Brings header fields read from a file into their ranges: a measure length that is 0 or not one of
// the metre list's reads as 16; the flag bytes become 0 or 1. Returns true when anything changed.
bool MendHeaderValues(TStyleHeader& header);

}  // namespace kalo::styles
