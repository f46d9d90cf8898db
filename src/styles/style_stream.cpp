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

}  // namespace kalo::styles
