// Any bytes as a melody text: parsing never reads outside the text, and a melody it accepts keeps its
// promises: at most 4000 events, each note start followed by its end, times never going back, notes
// 0..127.

#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <variant>

#include "song/melody_text.h"

using namespace kalo::song;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const auto parsed = ParseMelodyText(text, 0);
  const auto* events = std::get_if<std::vector<MelodyEvent>>(&parsed);
  if (events == nullptr) {
    if (std::get<std::string>(parsed).empty()) std::abort();
    return 0;
  }
  if (events->size() > static_cast<size_t>(kMelodyCapacity) || events->size() % 2 != 0) std::abort();
  int32_t previous = 0;
  for (size_t i = 0; i < events->size(); i += 2) {
    const MelodyEvent& start = (*events)[i];
    const MelodyEvent& end = (*events)[i + 1];
    if (!IsNoteStart(start) || !IsNoteEnd(end) || start.Data1 != end.Data1 || start.Data1 > 127) std::abort();
    if (start.Time < previous || end.Time <= start.Time) std::abort();
    previous = start.Time;
  }
  return 0;
}
