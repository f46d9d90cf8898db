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
  // Per measure of the material (from 0): its notes were converted to the base chord. A measure is
  // converted once; undoing all conversions forgets it.
  std::vector<bool> ConvertedMeasures;
};

// Why MendPartOffsets made a part empty.
enum class PartMend : uint8_t {
  None,
  OutsideStream,     // its start is not inside the stream, or its end is beyond stream length + 1
  EndNotAfterStart,  // its end does not lie after its start
};
using PartMends = std::array<PartMend, kPartCount>;

// Makes empty every existing part that cannot be played: its start must lie inside the stream and its
// end after its start, at most at stream length + 1 (where Locate puts a time past the end, so such a
// part plays to the end of the stream). Entry offsets are not checked: one that does not lie inside
// its part is ignored when the part is entered. Stored bytes of the parts that stay are not changed.
PartMends MendPartOffsets(PartTable& parts, int32_t streamLength);

// A style whose Basic begins with a zero byte (or whose Basic start lies outside the stream) is
// broken: a load keeps none of its parts.
bool HasBrokenBasic(const PartTable& parts, std::span<const uint8_t> stream);

}  // namespace kalo::styles
