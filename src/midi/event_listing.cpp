#include "midi/event_listing.h"

#include "midi/midi_status.h"

namespace kalo::midi {

void AppendEventLine(std::string& out, const CapturedMessage& message) {
  const std::vector<uint8_t>& bytes = message.Bytes;
  out += std::to_string(message.Tick);
  if (!bytes.empty() && bytes[0] == kSysexStatus) {
    static constexpr char kHex[] = "0123456789abcdef";
    out += " sysex";
    for (uint8_t byte : bytes) {
      out += ' ';
      out += kHex[byte >> 4];
      out += kHex[byte & 0x0F];
    }
  } else {
    for (size_t i = 0; i < 3; ++i) {
      out += ' ';
      out += std::to_string(i < bytes.size() ? bytes[i] : 0);
    }
  }
  out += '\n';
}

std::string ListEvents(std::span<const CapturedMessage> messages) {
  std::string out;
  out.reserve(messages.size() * 16);
  for (const CapturedMessage& message : messages) AppendEventLine(out, message);
  return out;
}

}  // namespace kalo::midi
