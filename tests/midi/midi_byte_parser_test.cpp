// Whole messages out of the bytes of transport events: truncated messages are dropped, a status ends
// an unterminated system-exclusive message, realtime bytes pass from anywhere.

#include "midi/midi_byte_parser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "midi/port_backend.h"

namespace kalo::midi {
namespace {

// What came out: every message's bytes in hex, "sx" before a system-exclusive one, "|" after each.
struct Collected final : MidiByteParser::Sink {
  void Short(uint32_t packed) noexcept override {
    for (size_t i = 0; i < ShortMessageLength(packed & 0xFF); ++i) Hex((packed >> (8 * i)) & 0xFF);
    Got += "|";
  }
  void Long(const uint8_t* bytes, size_t length) noexcept override {
    Got += "sx";
    for (size_t i = 0; i < length; ++i) Hex(bytes[i]);
    Got += "|";
  }
  void Hex(uint32_t byte) { Got += {' ', "0123456789abcdef"[byte >> 4], "0123456789abcdef"[byte & 15]}; }
  std::string Got;
};

TEST(MidiByteParser, EventsBecomeWholeMessagesAndBrokenOnesAreDropped) {
  struct Row {
    std::string Name;
    std::vector<std::vector<uint8_t>> Events;
    std::string Expected;
  };
  const Row rows[] = {
      {"a program change or a controller without its data is dropped",
       {{0xC0}, {0xB0, 0x07}, {0x80, 0x3C, 0x00}},
       " 80 3c 00|"},
      {"running status", {{0x90, 0x3C, 0x64, 0x40, 0x50}, {0x41, 0x00}}, " 90 3c 64| 90 40 50| 90 41 00|"},
      {"a system-exclusive message over two events",
       {{0xF0, 0x7E, 0x7F}, {0x09, 0xF7}},
       "sx f0 7e 7f 09 f7|"},
      {"a status ends an unterminated system-exclusive message: notes keep working",
       {{0xF0, 0x01, 0x02}, {0x90, 0x3C, 0x64}, {0xF0, 0x01, 0x80, 0x3C, 0x00}},
       " 90 3c 64| 80 3c 00|"},
      {"realtime bytes pass from inside a system-exclusive message",
       {{0xF0, 0x01, 0xF8, 0x02, 0xF7}},
       " f8|sx f0 01 02 f7|"},
  };
  for (const Row& row : rows) {
    MidiByteParser parser;
    Collected sink;
    for (const auto& event : row.Events) parser.Feed(event.data(), event.size(), sink);
    EXPECT_EQ(sink.Got, row.Expected) << row.Name;
  }
}

}  // namespace
}  // namespace kalo::midi
