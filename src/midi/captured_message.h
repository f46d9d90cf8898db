// src/midi/captured_message.h
#pragma once
// What an offline render captured: each message the program sent, with the tick it was sent in.

#include <cstdint>
#include <vector>

namespace kalo::midi {

// One complete message: a short message of 1 to 3 bytes, or a system-exclusive message F0 ... F7.
// Tick counts from the first tick run (0).
struct CapturedMessage {
  int64_t Tick = 0;
  std::vector<uint8_t> Bytes;
};

// A tempo in force from a tick on, in quarter notes per minute.
struct TempoChange {
  int64_t Tick = 0;
  int Bpm = 120;
};

// A time signature in force from a tick on: Numerator beats of a 1/Denominator note (4 or 8), so
// that a measure lasts Numerator x 96 / Denominator ticks.
struct TimeSignatureChange {
  int64_t Tick = 0;
  int Numerator = 4;
  int Denominator = 4;
};

}  // namespace kalo::midi
