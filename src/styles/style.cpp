#include "styles/style.h"

#include <algorithm>
#include <new>

#include "midi/midi_status.h"
#include "styles/style_stream.h"

namespace kalo::styles {

bool Style::Allocate() {
  if (Allocated()) return true;
  try {
    for (int slot : {0, kCopyAsLoadedSlot, kThirdSlot}) {
      Slots[static_cast<size_t>(slot)].Data.assign(static_cast<size_t>(kStreamAllocation), 0);
      Slots[static_cast<size_t>(slot)].InUse = true;
    }
  } catch (const std::bad_alloc&) {
    for (auto& slot : Slots) slot = BufferSlot{};
    return false;
  }
  return true;
}

void Style::Clear() {
  for (int slot = 1; slot <= 6; ++slot) Slots[static_cast<size_t>(slot)] = BufferSlot{};
  for (int slot : {0, kCopyAsLoadedSlot, kThirdSlot}) {
    auto& s = Slots[static_cast<size_t>(slot)];
    std::fill(s.Data.begin(), s.Data.end(), 0);
    s.Length = 0;
  }
  Parts = PartTable{};
  for (auto& setup : Header.Channels) setup = TChannelSetup{};
  Header.ChannelUsed.fill(0);
  Header.Converted = 0;
  Header.SuppressControllers = 0;
  Header.Override = 0;
  Modified = false;
  for (auto& row : HoldOver) row.fill(0);
  Bookmarks.fill(0);
  BookmarkCursor = 1;
  VolumeOffsetTotal = 0;
  ReverbOffsetTotal = 0;
  QuarterNoteIndex.clear();
  QuarterNoteIndex.shrink_to_fit();
  ConvertedMeasures.clear();
}

void Style::ComputeHoldOver() {
  const auto stream = Stream();
  for (int p = 0; p < kPartCount; ++p) {
    auto& flags = HoldOver[static_cast<size_t>(p)];
    flags.fill(0);
    const TStylePart& part = Parts[static_cast<size_t>(p)];
    if (!part.Exists()) continue;
    std::array<std::array<bool, 128>, kChannelCount> held{};
    ForEachMessage(stream, part.StartOffset, part.EndOffset, [&](const StreamMessage& m) {
      const int kind = m.Status & 0xF0;
      auto& channel = held[m.Status & 0x0F];
      const uint8_t note = m.Data1 & 0x7F;
      if (kind == midi::kNoteOn && m.Data2 > 0) {
        channel[note] = true;
      } else if (kind == midi::kNoteOff || kind == midi::kNoteOn) {
        channel[note] = false;
      }
    });
    for (int c = 0; c < kChannelCount; ++c) {
      const auto& notes = held[static_cast<size_t>(c)];
      flags[static_cast<size_t>(c)] = std::find(notes.begin(), notes.end(), true) == notes.end() ? 1 : 0;
    }
  }
}

PartMends MendPartOffsets(PartTable& parts, int32_t streamLength) {
  PartMends mends{};
  for (int p = 0; p < kPartCount; ++p) {
    TStylePart& part = parts[static_cast<size_t>(p)];
    if (!part.Exists()) continue;
    PartMend& mend = mends[static_cast<size_t>(p)];
    const bool startInside = part.StartOffset >= 0 && part.StartOffset < streamLength;
    const bool endInside = part.EndOffset >= 0 && part.EndOffset <= int64_t{streamLength} + 1;
    if (!startInside || !endInside) {
      mend = PartMend::OutsideStream;
    } else if (part.EndOffset <= part.StartOffset) {
      mend = PartMend::EndNotAfterStart;
    }
    if (mend != PartMend::None) part.FirstMeasure = 0;
  }
  return mends;
}

bool HasBrokenBasic(const PartTable& parts, std::span<const uint8_t> stream) {
  const int32_t start = parts[kBasic].StartOffset;
  return start < 0 || static_cast<size_t>(start) >= stream.size() || stream[static_cast<size_t>(start)] == 0;
}

}  // namespace kalo::styles
