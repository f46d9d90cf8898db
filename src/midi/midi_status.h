#pragma once
// Status bytes of the MIDI protocol: the kinds of channel messages (to be combined with a channel
// 0..15) and the system and realtime bytes. The one table every part of the program uses.

#include <cstdint>

namespace kalo::midi {

inline constexpr uint8_t kNoteOff = 0x80;
inline constexpr uint8_t kNoteOn = 0x90;
inline constexpr uint8_t kPolyPressure = 0xA0;
inline constexpr uint8_t kControlChange = 0xB0;
inline constexpr uint8_t kProgramChange = 0xC0;
inline constexpr uint8_t kChannelPressure = 0xD0;
inline constexpr uint8_t kPitchBend = 0xE0;

inline constexpr uint8_t kSysexStatus = 0xF0;
inline constexpr uint8_t kTimeCodeQuarterFrame = 0xF1;
inline constexpr uint8_t kSongPosition = 0xF2;
inline constexpr uint8_t kSongSelect = 0xF3;
inline constexpr uint8_t kSysexEnd = 0xF7;
inline constexpr uint8_t kMidiClock = 0xF8;
inline constexpr uint8_t kMidiStart = 0xFA;
inline constexpr uint8_t kMidiContinue = 0xFB;
inline constexpr uint8_t kMidiStop = 0xFC;
inline constexpr uint8_t kActiveSensing = 0xFE;

}  // namespace kalo::midi
