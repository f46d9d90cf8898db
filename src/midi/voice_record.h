#pragma once
// A channel's stored voice: what "Send Voice Messages" and the channel set-up send again as a block.

#include <array>
#include <cstdint>

namespace kalo::midi {

// Eight data bytes in this order; each is sent as the controller named beside it (Program as a
// program change). Modulation is kept but not part of the channel set-up's block.
struct VoiceRecord {
  uint8_t Volume = 105;    // controller 7
  uint8_t Pan = 64;        // controller 10
  uint8_t Reverb = 64;     // controller 91
  uint8_t Chorus = 0;      // controller 93
  uint8_t Modulation = 0;  // controller 1
  uint8_t BankMsb = 0;     // controller 0
  uint8_t BankLsb = 0;     // controller 32
  uint8_t Program = 0;     // program change

  bool operator==(const VoiceRecord&) const = default;
};

using VoiceRecords = std::array<VoiceRecord, 16>;

}  // namespace kalo::midi
