#include "styles/style_stream.h"

namespace kalo::styles {

int64_t TicksIn(std::span<const uint8_t> stream, int32_t begin, int32_t end) {
  if (begin < 0) begin = 0;
  if (end > static_cast<int32_t>(stream.size())) end = static_cast<int32_t>(stream.size());
  int64_t ticks = 0;
  int32_t offset = begin;
  while (offset < end) {
    const uint8_t byte = stream[static_cast<size_t>(offset)];
    if (IsDelayByte(byte)) {
      ticks += DelayTicks(byte);
      ++offset;
    } else if (IsStatusByte(byte)) {
      offset += 3;  // a message cut off by `end` holds no delay
    } else {
      ++offset;
    }
  }
  return ticks;
}

void AppendDelays(std::vector<uint8_t>& stream, int64_t from, int64_t to, int beatTicks) {
  while (from < to) {
    const int64_t boundary = (from / beatTicks + 1) * beatTicks;
    int64_t run = (to < boundary ? to : boundary) - from;
    from += run;
    for (; run > 8; run -= 8) stream.push_back(0xFF);
    stream.push_back(static_cast<uint8_t>(0xF7 + run));
  }
}

}  // namespace kalo::styles
