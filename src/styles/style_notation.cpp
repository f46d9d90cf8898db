#include "styles/style_notation.h"

#include <array>
#include <cctype>
#include <charconv>
#include <utility>

#include "config/general_midi_names.h"

namespace kalo::styles {

namespace {

// Lower case without spaces, '-' and '_': the form in which drum names are compared.
std::string Folded(std::string_view word) {
  std::string out;
  for (char c : word) {
    if (c == ' ' || c == '-' || c == '_') continue;
    out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  return out;
}

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

std::optional<int> WholeNumber(std::string_view word) {
  int value = 0;
  const char* end = word.data() + word.size();
  auto [ptr, ec] = std::from_chars(word.data(), end, value);
  if (word.empty() || ec != std::errc() || ptr != end) return std::nullopt;
  return value;
}

constexpr std::array<std::pair<std::string_view, int>, 9> kDrumShortNames = {{
    {"kick", 36},
    {"snare", 38},
    {"rim", 37},
    {"clap", 39},
    {"hat", 42},
    {"pedalhat", 44},
    {"openhat", 46},
    {"crash", 49},
    {"ride", 51},
}};

}  // namespace

std::optional<int> NoteNumberOf(std::string_view word) {
  if (word.empty()) return std::nullopt;
  if (std::isdigit(static_cast<unsigned char>(word[0]))) {
    auto number = WholeNumber(word);
    if (number && *number <= 127) return number;
    return std::nullopt;
  }
  static constexpr std::string_view kLetters = "CDEFGAB";
  static constexpr std::array<int, 7> kPitchClass = {0, 2, 4, 5, 7, 9, 11};
  const size_t letter = kLetters.find(word[0]);
  if (letter == std::string_view::npos) return std::nullopt;
  int pitch = kPitchClass[letter];
  size_t i = 1;
  for (; i < word.size() && (word[i] == '#' || word[i] == 'b'); ++i) pitch += word[i] == '#' ? 1 : -1;
  const auto octave = WholeNumber(word.substr(i));  // "-1" included
  if (!octave || *octave < -1 || *octave > 9) return std::nullopt;
  const int note = (*octave + 1) * 12 + pitch;
  if (note < 0 || note > 127) return std::nullopt;
  return note;
}

std::string NoteNameOf(int note) {
  static constexpr std::array<const char*, 12> kNames = {"C",  "C#", "D",  "D#", "E",  "F",
                                                         "F#", "G",  "G#", "A",  "A#", "B"};
  return std::string(kNames[static_cast<size_t>(note % 12)]) + std::to_string(note / 12 - 1);
}

std::optional<int> DrumKeyOf(std::string_view word) {
  const std::string folded = Folded(word);
  if (folded.empty()) return std::nullopt;
  for (size_t i = 0; i < config::kGeneralMidiDrumNames.size(); ++i)
    if (Folded(config::kGeneralMidiDrumNames[i]) == folded)
      return config::kFirstDrumKey + static_cast<int>(i);
  for (const auto& [name, key] : kDrumShortNames)
    if (name == folded) return key;
  return std::nullopt;
}

std::optional<int> StepTicksOf(std::string_view word) {
  if (word.size() >= 2 && word.back() == 't') {
    auto ticks = WholeNumber(word.substr(0, word.size() - 1));
    if (ticks && *ticks >= 1 && *ticks <= 9999) return ticks;
    return std::nullopt;
  }
  if (word.empty() || word.size() > 2) return std::nullopt;
  static constexpr std::string_view kSymbols = "whqes";
  static constexpr std::array<int, 5> kTicks = {96, 48, 24, 12, 6};
  const size_t symbol = kSymbols.find(word[0]);
  if (symbol == std::string_view::npos) return std::nullopt;
  const int ticks = kTicks[symbol];
  if (word.size() == 1) return ticks;
  if (word[1] == '.') return ticks * 3 / 2;
  if (word[1] == '3') return ticks * 2 / 3;
  return std::nullopt;
}

std::optional<int> ProgramNumberOf(std::string_view name) {
  for (size_t i = 0; i < config::kGeneralMidiNames.size(); ++i)
    if (EqualIgnoringCase(config::kGeneralMidiNames[i], name)) return static_cast<int>(i);
  return std::nullopt;
}

}  // namespace kalo::styles
