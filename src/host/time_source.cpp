#include "host/time_source.h"

#include <chrono>

namespace kalo::host {

int64_t SteadyTimeSource::NowMicros() const {
  return std::chrono::duration_cast<std::chrono::microseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace kalo::host
