#pragma once
// Reading the style event stream front to back, the way the player does: a byte from 0xF8 up is a
// delay of (byte − 0xF7) ticks; a byte from 0x80 to 0xEF starts a channel message of exactly three
// bytes; any other byte (a stray data byte, 0xF0 to 0xF7) is stepped over. Every walk stays inside the
// range it is given and inside the buffer.

#include <cstdint>
#include <span>
#include <vector>

#include "midi/midi_status.h"

namespace kalo::styles {

inline constexpr uint8_t kFirstDelayByte = 0xF8;
inline constexpr uint8_t kBufferEndByte = 0xF0;

inline bool IsDelayByte(uint8_t byte) { return byte >= kFirstDelayByte; }
inline int DelayTicks(uint8_t byte) { return byte - 0xF7; }
inline bool IsStatusByte(uint8_t byte) { return byte >= midi::kNoteOff && byte < midi::kSysexStatus; }

struct StreamMessage {
  int32_t Offset = 0;  // of the status byte
  int64_t Tick = 0;    // delay ticks from the start of the walk
  uint8_t Status = 0;
  uint8_t Data1 = 0;
  uint8_t Data2 = 0;
};

// Calls fn(const StreamMessage&) for every message in [begin, end) of `stream`, clamped to the
// buffer. A message that would cross `end` ends the walk.
template <typename Fn>
void ForEachMessage(std::span<const uint8_t> stream, int32_t begin, int32_t end, Fn&& fn) {
  if (begin < 0) begin = 0;
  if (end > static_cast<int32_t>(stream.size())) end = static_cast<int32_t>(stream.size());
  int64_t tick = 0;
  int32_t offset = begin;
  while (offset < end) {
    const uint8_t byte = stream[static_cast<size_t>(offset)];
    if (IsDelayByte(byte)) {
      tick += DelayTicks(byte);
      ++offset;
    } else if (IsStatusByte(byte)) {
      if (end - offset < 3) return;
      fn(StreamMessage{offset, tick, byte, stream[static_cast<size_t>(offset) + 1],
                       stream[static_cast<size_t>(offset) + 2]});
      offset += 3;
    } else {
      ++offset;
    }
  }
}

// The delay ticks in [begin, end), walked as above.
int64_t TicksIn(std::span<const uint8_t> stream, int32_t begin, int32_t end);

// Appends the delay bytes that carry the time from tick `from` to tick `to`, a run broken at every
// multiple of `beatTicks`, so that every beat is reached exactly by the last byte of a run.
void AppendDelays(std::vector<uint8_t>& stream, int64_t from, int64_t to, int beatTicks);

}  // namespace kalo::styles
