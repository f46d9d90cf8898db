#pragma once
// One received MIDI event and the three-byte short message value.

#include <cstdint>
#include <memory>

#include "midi/midi_status.h"

namespace kalo::midi {

// A channel or system short message. Status is kind plus channel (channel 0..15 inside).
struct ShortMessage {
  uint8_t Status = 0;
  uint8_t Data1 = 0;
  uint8_t Data2 = 0;

  // Packed as the driver carries it: status in bits 0-7, data 1 in bits 8-15, data 2 in bits 16-23.
  constexpr uint32_t Packed() const {
    return uint32_t{Status} | (uint32_t{Data1} << 8) | (uint32_t{Data2} << 16);
  }
  static constexpr ShortMessage FromPacked(uint32_t packed) {
    return ShortMessage{static_cast<uint8_t>(packed & 0xFF), static_cast<uint8_t>((packed >> 8) & 0xFF),
                        static_cast<uint8_t>((packed >> 16) & 0xFF)};
  }
  constexpr uint8_t Kind() const { return Status & 0xF0; }
  constexpr uint8_t Channel() const { return Status & 0x0F; }
  friend constexpr bool operator==(const ShortMessage&, const ShortMessage&) = default;
};

// One MIDI event handed to the main thread by TMidiInput::GetMidiEvent. The receiver owns it.
struct TMyMidiEvent {
  uint8_t Status = 0;  // kSysexStatus for a system-exclusive event
  uint8_t Data1 = 0;   // 0 for system-exclusive
  uint8_t Data2 = 0;   // 0 for system-exclusive
  uint32_t Time = 0;   // milliseconds since the input was started
  uint16_t SysexLength = 0;
  // The event's own copy of the system-exclusive bytes; null for short messages and for an empty
  // system-exclusive buffer.
  std::unique_ptr<uint8_t[]> Sysex;

  ShortMessage Message() const { return ShortMessage{Status, Data1, Data2}; }
  bool IsSysex() const { return Status == kSysexStatus && Sysex != nullptr; }
};

}  // namespace kalo::midi
