#pragma once
// The system-exclusive reset messages and the controller numbers the housekeeping commands send.

#include <array>
#include <cstdint>
#include <span>

#include "midi/midi_status.h"

namespace kalo::midi {

// Which reset "MIDI Reset" sends. None sends a GM message only for the DB50XG instrument list.
enum class ResetKind { None, Gm, Gs, Xg };

// General MIDI System On.
inline constexpr std::array<uint8_t, 6> kGmReset{0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};
// Roland GS reset.
inline constexpr std::array<uint8_t, 11> kGsReset{0xF0, 0x41, 0x10, 0x42, 0x12, 0x40,
                                                  0x00, 0x7F, 0x00, 0x41, 0xF7};
// Yamaha XG System On; always sent after kGmReset.
inline constexpr std::array<uint8_t, 9> kXgReset{0xF0, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7};

inline constexpr uint8_t kCtlBankMsb = 0;
inline constexpr uint8_t kCtlModulation = 1;
inline constexpr uint8_t kCtlVolume = 7;
inline constexpr uint8_t kCtlPan = 10;
inline constexpr uint8_t kCtlExpression = 11;
inline constexpr uint8_t kCtlBankLsb = 32;
inline constexpr uint8_t kCtlSustain = 64;
inline constexpr uint8_t kCtlSoft = 66;
inline constexpr uint8_t kCtlReverb = 91;
inline constexpr uint8_t kCtlChorus = 93;
inline constexpr uint8_t kCtlResetAllControllers = 121;
inline constexpr uint8_t kCtlAllNotesOff = 123;

// A sum or difference brought into the MIDI data range 0..127.
constexpr uint8_t ClampToData(int value) {
  return static_cast<uint8_t>(value < 0 ? 0 : (value > 127 ? 127 : value));
}

}  // namespace kalo::midi
