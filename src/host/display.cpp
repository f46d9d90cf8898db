#include "host/display.h"

#include <cstdio>

namespace kalo::host {

std::string RecordingDisplay::Last(const std::string& method) const {
  const std::string prefix = method + ": ";
  for (auto it = lines_.rbegin(); it != lines_.rend(); ++it)
    if (it->compare(0, prefix.size(), prefix) == 0) return it->substr(prefix.size());
  return {};
}

std::string RecordingDisplay::Hex(uint32_t value) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%08X", value);
  return buffer;
}

}  // namespace kalo::host
