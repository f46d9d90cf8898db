#pragma once
// Standard MIDI Files of captured messages, as other programs open them: what a player heard, with
// every note a note-on and a later note-off in the same track.
//
// Layout (format 1, 24 ticks per quarter note, the capture's ticks unchanged):
//   track 1     the conductor: the time signatures, the tempo map (120 and 4/4 at tick 0 when none is
//               given) and every system-exclusive message, in tick order; at one tick a time signature
//               comes before a tempo, and both before a message;
//   tracks 2..  one track per MIDI channel that carries a message, in ascending channel order, named
//               after its instrument (or "Channel N", N = 1..16), holding that channel's messages in the
//               order they were sent.
// Every track ends at the end of the music. Players merge the tracks by tick, commonly taking the lower
// track first at equal ticks, so a reset sent as system exclusive comes before the channel messages of
// its tick. Realtime messages (F8..FF) and system common messages (F1..F6) are transport signals, not
// music: they are left out, since a file player makes its own clock.
//
// Notes. A note sounds from its note-on (velocity above 0) until the first of: its note-off (or note-on
// with velocity 0); a new note-on of its key on its channel (a synthesizer restarts the key); controller
// 120 or 123 to 127 on its channel; a reset (the GM, GS or XG system-exclusive message, or FF); the end
// of the music. Where something other than a note-off ends it, a note-off is written at that tick just
// before what ended it. A note-off for a key that is not sounding ends nothing and is left out. A note
// that ends in the tick it began was never heard: it is left out with its end, so that no note of the
// file lasts zero ticks. A note still sounding at the end of the music ends there, or one tick after it
// began when it began there.
//
// The bytes are written here rather than by libsmf: libsmf can only save to a path and frees a track's
// events one by one from an array it searches each time, which takes time quadratic in the events.

#include <array>
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

// What a file holds.
struct SmfContent {
  std::span<const CapturedMessage> Messages = {};            // in the order sent
  std::span<const TempoChange> Tempos = {};                  // empty: 120 from tick 0
  std::span<const TimeSignatureChange> TimeSignatures = {};  // empty: 4/4 from tick 0
  // The name of each channel's track (index 0 = channel 1); an empty name gives "Channel N".
  std::array<std::string, 16> TrackNames = {};
  // The end of the music; never taken before the last message's tick (-1: that tick).
  int64_t EndTick = -1;
};

// The bytes of the file, or an error text when a message, tempo or time signature cannot be stored:
//   - ticks must lie within 0..kMaxSmfTick and never decrease, for each of the three lists;
//   - a channel message needs its status and exactly its data bytes (2 for program change and channel
//     pressure, 3 otherwise), each data byte below 0x80; a system-exclusive message runs from F0 to F7
//     with only data bytes between;
//   - a tempo lies within 4..60000000 quarter notes per minute (the file stores microseconds per quarter
//     note in 24 bits);
//   - a time signature has 1..255 beats of a quarter or an eighth note.
// The error names the first bad item by its kind, its 1-based number and its tick.
std::variant<std::vector<uint8_t>, std::string> EncodeStandardMidiFile(const SmfContent& content);

// Encodes and stores the file at `path` with host::WriteFileSafely (the target is left untouched on any
// failure). nullopt on success, else the reason.
std::optional<std::string> WriteStandardMidiFile(const std::filesystem::path& path,
                                                 const SmfContent& content);

}  // namespace kalo::midi
