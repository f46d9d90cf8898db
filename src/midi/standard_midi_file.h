#pragma once
// Standard MIDI Files of captured messages, encoded by libsmf.
//
// Layout (format 1, 24 ticks per quarter note, the capture's ticks unchanged):
//   track 1     the tempo map (one Set Tempo meta event per tempo change; 120 at tick 0 when none is
//               given) and every system-exclusive message, in tick order, a tempo before a message of
//               the same tick;
//   tracks 2..  one track per MIDI channel that carries a message, in ascending channel order, named
//               "Channel N" (N = 1..16), holding that channel's messages in the order they were captured.
// Players merge the tracks by tick, commonly taking the lower track first at equal ticks, so a reset
// sent as system exclusive comes before the channel messages of its tick. Realtime messages (F8..FF) and
// system common messages (F1..F6) are transport signals, not music: they are left out, since a file
// player makes its own clock.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "midi/captured_message.h"

namespace kalo::midi {

inline constexpr int kSmfTicksPerQuarter = 24;
// The largest tick a track's delta times can reach.
inline constexpr int64_t kMaxSmfTick = 0x0FFFFFFF;

// The bytes of the file, or an error text when a message or tempo cannot be stored:
//   - ticks must lie within 0..kMaxSmfTick and never decrease, for the messages and for the tempos;
//   - a channel message needs its status and exactly its data bytes (2 for program change and channel
//     pressure, 3 otherwise), each data byte below 0x80; a system-exclusive message runs from F0 to F7
//     with only data bytes between;
//   - a tempo lies within 4..60000000 quarter notes per minute (the file stores microseconds per quarter
//     note in 24 bits).
// The error names the first bad message or tempo by its 1-based number and its tick.
std::variant<std::vector<uint8_t>, std::string> EncodeStandardMidiFile(
    std::span<const CapturedMessage> messages, std::span<const TempoChange> tempos);

// Encodes and stores the file at `path` with host::WriteFileSafely (the target is left untouched on any
// failure). nullopt on success, else the reason.
std::optional<std::string> WriteStandardMidiFile(const std::filesystem::path& path,
                                                 std::span<const CapturedMessage> messages,
                                                 std::span<const TempoChange> tempos);

}  // namespace kalo::midi
