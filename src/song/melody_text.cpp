#include "song/melody_text.h"

#include <cctype>
#include <cmath>
#include <limits>
#include <optional>

namespace kalo::song {

namespace {

constexpr int kTicksPerBeat = 24;
constexpr int kGapTicks = 2;

std::optional<int> ParsePitch(std::string_view text) {
  static constexpr int kSemitones[7] = {9, 11, 0, 2, 4, 5, 7};  // A B C D E F G
  if (text.empty()) return std::nullopt;
  const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
  if (letter < 'A' || letter > 'G') return std::nullopt;
  int note = kSemitones[letter - 'A'];
  size_t i = 1;
  if (i < text.size() && (text[i] == '#' || text[i] == 'b')) note += text[i++] == '#' ? 1 : -1;
  bool negative = false;
  if (i < text.size() && text[i] == '-') {
    negative = true;
    ++i;
  }
  if (i + 1 != text.size() || !std::isdigit(static_cast<unsigned char>(text[i]))) return std::nullopt;
  const int octave = (text[i] - '0') * (negative ? -1 : 1);
  note += (octave + 1) * 12;
  if (note < 0 || note > 127) return std::nullopt;
  return note;
}

std::optional<int> ParseTicks(std::string_view text) {
  if (text.empty() || text.size() > 12) return std::nullopt;
  for (char c : text)
    if (!std::isdigit(static_cast<unsigned char>(c)) && c != '.') return std::nullopt;
  double beats = 0;
  try {
    beats = std::stod(std::string(text));
  } catch (...) {
    return std::nullopt;
  }
  const double ticks = beats * kTicksPerBeat;
  if (ticks <= 0 || ticks > 1e6 || std::abs(ticks - std::round(ticks)) > 1e-6) return std::nullopt;
  return static_cast<int>(std::round(ticks));
}

}  // namespace

std::variant<std::vector<MelodyEvent>, std::string> ParseMelodyText(std::string_view text, int channel) {
  std::vector<MelodyEvent> events;
  const auto on = static_cast<uint8_t>(0x90 | (channel & 0x0F));
  int64_t time = 0;
  int number = 0;
  size_t i = 0;
  while (i < text.size()) {
    if (std::isspace(static_cast<unsigned char>(text[i])) || text[i] == '|') {
      ++i;
      continue;
    }
    if (text[i] == '#') {
      while (i < text.size() && text[i] != '\n') ++i;
      continue;
    }
    size_t end = i;
    while (end < text.size() && !std::isspace(static_cast<unsigned char>(text[end])) && text[end] != '|')
      ++end;
    const std::string_view token = text.substr(i, end - i);
    i = end;
    ++number;
    const auto bad = [&](const char* what) {
      return std::string(what) + " \"" + std::string(token) + "\" (token " + std::to_string(number) + ")";
    };
    const size_t colon = token.find(':');
    if (colon == std::string_view::npos) return bad("a note needs its length in beats after ':'");
    const std::optional<int> ticks = ParseTicks(token.substr(colon + 1));
    if (!ticks) return bad("a length must be beats making whole ticks (24 a beat)");
    if (time + *ticks + kGapTicks > std::numeric_limits<int32_t>::max())
      return bad("the song clock overflows at");
    const std::string_view pitch = token.substr(0, colon);
    if (pitch != "r") {
      const std::optional<int> note = ParsePitch(pitch);
      if (!note) return bad("unknown pitch");
      if (events.size() + 2 > static_cast<size_t>(kMelodyCapacity)) return bad("more than 4000 events at");
      const int32_t length = *ticks > 2 * kGapTicks ? *ticks - kGapTicks : *ticks;
      const auto start = static_cast<int32_t>(time);
      events.push_back({start, on, static_cast<uint8_t>(*note), kTextMelodyVelocity, 1});
      events.push_back({start + length, on, static_cast<uint8_t>(*note), 0, 1});
    }
    time += *ticks;
  }
  return events;
}

}  // namespace kalo::song
