#pragma once
// The book of the style's sounding notes, per MIDI channel and pattern note (the stream's note as
// recorded, before the chord and the global transposition move it): which note was sent for it and
// with what velocity. A note-off is always sent for the note its note-on sent, however the chord,
// the transposition, the mutes or the solo changed since; channel 10 is kept like any other. Fixed
// arrays: the tick writes here without allocating.

#include <array>
#include <cstdint>

namespace kalo::engine {

struct SoundingNotes {
  static constexpr int kChannels = 16;
  static constexpr int kNotes = 128;
  // OutNote of a pattern note not switched on since the book was cleared.
  static constexpr uint8_t kNeverSent = 0xFF;

  SoundingNotes() { Clear(); }

  std::array<std::array<uint8_t, kNotes>, kChannels> OutNote;
  std::array<std::array<uint8_t, kNotes>, kChannels> HeldVelocity{};  // 0 = not sounding
  std::array<uint8_t, kChannels> ChannelSounding{};  // 1 = a note-on since the channel was last silenced

  void Clear() {
    for (auto& row : OutNote) row.fill(kNeverSent);
    ClearHeld();
  }
  // Forgets what sounds but keeps the notes sent (a part change).
  void ClearHeld() {
    for (auto& row : HeldVelocity) row.fill(0);
    ChannelSounding.fill(0);
  }
  void ClearHeld(int channel) {
    HeldVelocity[static_cast<size_t>(channel & 0x0F)].fill(0);
    ChannelSounding[static_cast<size_t>(channel & 0x0F)] = 0;
  }
  bool AnyHeld(int channel) const {
    for (uint8_t v : HeldVelocity[static_cast<size_t>(channel & 0x0F)])
      if (v != 0) return true;
    return false;
  }
};

}  // namespace kalo::engine
