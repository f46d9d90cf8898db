// Whole messages out of the bytes of transport events: truncated messages are dropped, a status ends
// an unterminated system-exclusive message, realtime bytes pass from anywhere.

#include "midi/midi_byte_parser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kalo::midi {
namespace {

// What came out, one text per message: "90 3c 64" for a short one, "sx f0 01 f7" for a long one.
struct Collected final : MidiByteParser::Sink {
  void Short(uint32_t packed) noexcept override {
    std::string text;
    for (int i = 0; i < 3; ++i) {
      const uint32_t byte = (packed >> (8 * i)) & 0xFF;
      if (i > 0 && byte == 0 && packed < (1u << (8 * i))) break;
      text += (i > 0 ? " " : "") + Hex(byte);
    }
    Got.push_back(text);
  }
  void Long(const uint8_t* bytes, size_t length) noexcept override {
    std::string text = "sx";
    for (size_t i = 0; i < length; ++i) text += " " + Hex(bytes[i]);
    Got.push_back(text);
  }
  static std::string Hex(uint32_t byte) {
    const char* digits = "0123456789abcdef";
    return {digits[(byte >> 4) & 0xF], digits[byte & 0xF]};
  }
  std::vector<std::string> Got;
};

TEST(MidiByteParser, EventsBecomeWholeMessagesAndBrokenOnesAreDropped) {
  struct Row {
    std::string Name;
    std::vector<std::vector<uint8_t>> Events;
    std::vector<std::string> Expected;
  };
  const Row rows[] = {
      {"whole messages pass", {{0x90, 0x3C, 0x64}, {0xC0, 0x05}, {0xFE}}, {"90 3c 64", "c0 05", "fe"}},
      {"a program change without its program is dropped", {{0xC0}, {0x90, 0x3C, 0x64}}, {"90 3c 64"}},
      {"a controller without its value is dropped", {{0xB0, 0x07}, {0x80, 0x3C, 0x00}}, {"80 3c"}},
      {"running status inside one event", {{0x90, 0x3C, 0x64, 0x40, 0x50}}, {"90 3c 64", "90 40 50"}},
      {"running status goes on into the next event",
       {{0x90, 0x3C, 0x64}, {0x40, 0x50}},
       {"90 3c 64", "90 40 50"}},
      {"a system-exclusive message over two events",
       {{0xF0, 0x7E, 0x7F}, {0x09, 0x01, 0xF7}},
       {"sx f0 7e 7f 09 01 f7"}},
      {"a status ends an unterminated system-exclusive message: notes keep working",
       {{0xF0, 0x01, 0x02}, {0x90, 0x3C, 0x64}, {0x80, 0x3C, 0x00}},
       {"90 3c 64", "80 3c"}},
      {"a status inside the same event does too", {{0xF0, 0x01, 0x90, 0x3C, 0x64}}, {"90 3c 64"}},
      {"realtime bytes pass from inside a system-exclusive message",
       {{0xF0, 0x01, 0xF8, 0x02, 0xF7}},
       {"f8", "sx f0 01 02 f7"}},
      {"a stray end and stray data bytes are ignored",
       {{0xF7, 0x01, 0x02}, {0xB0, 0x07, 0x64}},
       {"b0 07 64"}},
  };
  for (const Row& row : rows) {
    MidiByteParser parser;
    Collected sink;
    for (const auto& event : row.Events) parser.Feed(event.data(), event.size(), sink);
    EXPECT_EQ(sink.Got, row.Expected) << row.Name;
  }
}

TEST(MidiByteParser, ALongSystemExclusiveMessageComesInPiecesThatAddUp) {
  std::vector<uint8_t> message{0xF0};
  message.resize(MidiByteParser::kSysexPiece + 100, 0x11);
  message.push_back(0xF7);
  MidiByteParser parser;
  struct Pieces final : MidiByteParser::Sink {
    void Short(uint32_t) noexcept override { ++Shorts; }
    void Long(const uint8_t* bytes, size_t length) noexcept override {
      All.insert(All.end(), bytes, bytes + length);
    }
    int Shorts = 0;
    std::vector<uint8_t> All;
  } sink;
  parser.Feed(message.data(), message.size(), sink);
  EXPECT_EQ(sink.All, message);
  EXPECT_EQ(sink.Shorts, 0);
}

}  // namespace
}  // namespace kalo::midi
