// The words of a chord chart: chord symbols with their type spellings, the bracketed requests and song
// functions, and the tokens a chart is printed with.

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cstdint>

#include "perform/chord.h"
#include "perform/chord_chart.h"

namespace kalo::perform {

namespace {

// Every accepted type spelling. Where a symbol names tones that no type has, it maps to the type that
// keeps the sound's character, and the comment says what is left out.
constexpr ChordTypeSpelling kSpellings[] = {
    // The program's own type names, without the blank of "C maj".
    {"maj", kMaj},
    {"min", kMin},
    {"7th", kSeventh},
    {"min7", kMin7},
    {"dim", kDim},
    {"sus4", kSus4},
    {"add9", kAdd9},
    {"5b", kFlatFive},
    {"M7", kMajor7},
    {"aug", kAug},
    {"6th", kSixth},
    {"mM7", kMinMajor7},
    {"min6", kMin6},
    {"min9", kMin9},
    {"m5b", kMinFlatFive},  // 0 3 6 10: the half-diminished chord
    {"aug7", kAug7},
    {"sus7", kSus7},
    // Common chord symbols.
    {"", kMaj},
    {"M", kMaj},
    {"m", kMin},
    {"mi", kMin},
    {"-", kMin},
    {"7", kSeventh},
    {"9", kSeventh},  // dominant ninth: the ninth is left out, the seventh decides its use
    {"m7", kMin7},
    {"mi7", kMin7},
    {"-7", kMin7},
    {"o", kDim},
    {"°", kDim},
    // Diminished seventh: no type has its double-flat seventh; dim keeps the triad, where the minor
    // seventh of m5b would change the sound.
    {"dim7", kDim},
    {"o7", kDim},
    {"°7", kDim},
    {"sus", kSus4},
    {"(b5)", kFlatFive},
    {"7b5", kFlatFive},  // seventh with flat fifth: the seventh is left out, the flat fifth kept
    {"7(b5)", kFlatFive},
    {"maj7", kMajor7},
    {"ma7", kMajor7},
    {"Δ", kMajor7},  // Greek capital delta
    {"Δ7", kMajor7},
    {"∆", kMajor7},  // increment sign, often typed for the delta
    {"∆7", kMajor7},
    {"maj9", kMajor7},  // major ninth: the ninth is left out
    {"+", kAug},
    {"6", kSixth},
    {"m(maj7)", kMinMajor7},
    {"mmaj7", kMinMajor7},
    {"m6", kMin6},
    {"-6", kMin6},
    {"m9", kMin9},  // minor ninth: the minor seventh is left out (min9 is 0 3 7 14)
    {"-9", kMin9},
    {"madd9", kMin9},
    {"m7b5", kMinFlatFive},
    {"m7(b5)", kMinFlatFive},
    {"-7b5", kMinFlatFive},
    {"ø", kMinFlatFive},
    {"ø7", kMinFlatFive},
    {"7#5", kAug7},
    {"7(#5)", kAug7},
    {"7+", kAug7},
    {"+7", kAug7},
    {"7sus4", kSus7},
    {"7sus", kSus7},
};

constexpr std::string_view kSharpSign = "♯";
constexpr std::string_view kFlatSign = "♭";

// A note name at the front of `text`: its pitch class, and `text` advanced past it.
std::optional<int> TakeNoteName(std::string_view& text) {
  static constexpr std::array<int, 7> kLetterPitch = {9, 11, 0, 2, 4, 5, 7};  // A .. G
  if (text.empty() || text[0] < 'A' || text[0] > 'G') return std::nullopt;
  int pitch = kLetterPitch[text[0] - 'A'];
  text.remove_prefix(1);
  if (text.starts_with('#')) {
    pitch += 1;
    text.remove_prefix(1);
  } else if (text.starts_with(kSharpSign)) {
    pitch += 1;
    text.remove_prefix(kSharpSign.size());
  } else if (text.starts_with('b')) {
    pitch -= 1;
    text.remove_prefix(1);
  } else if (text.starts_with(kFlatSign)) {
    pitch -= 1;
    text.remove_prefix(kFlatSign.size());
  }
  return PitchClass(pitch);
}

// A bracket's words: runs of letters (with '.' and '/') and signed numbers (a trailing 'x' allowed).
struct MarkWords {
  std::string Name;          // the letter runs, lower case, joined
  std::vector<int> Numbers;  // the numbers, in order, after the name
  bool NumberBeforeName = false;
};

std::optional<MarkWords> SplitMark(std::string_view inside) {
  MarkWords words;
  size_t i = 0;
  while (i < inside.size()) {
    const char c = inside[i];
    if (c == ' ' || c == '\t') {
      ++i;
    } else if (std::isalpha(static_cast<unsigned char>(c)) || c == '.' || c == '/') {
      if (!words.Numbers.empty()) return std::nullopt;  // "Tempo 96 x"
      while (i < inside.size() &&
             (std::isalpha(static_cast<unsigned char>(inside[i])) || inside[i] == '.' || inside[i] == '/'))
        words.Name += static_cast<char>(std::tolower(static_cast<unsigned char>(inside[i++])));
    } else if (std::isdigit(static_cast<unsigned char>(c)) ||
               ((c == '-' || c == '+') && i + 1 < inside.size() &&
                std::isdigit(static_cast<unsigned char>(inside[i + 1])))) {
      const size_t start = c == '+' ? i + 1 : i;
      size_t end = i + 1;
      while (end < inside.size() && std::isdigit(static_cast<unsigned char>(inside[end]))) ++end;
      int value = 0;
      const auto [ptr, error] = std::from_chars(inside.data() + start, inside.data() + end, value);
      if (error != std::errc() || ptr != inside.data() + end) return std::nullopt;
      if (end < inside.size() && (inside[end] == 'x' || inside[end] == 'X')) ++end;
      if (words.Name.empty()) words.NumberBeforeName = true;
      words.Numbers.push_back(value);
      i = end;
    } else {
      return std::nullopt;
    }
  }
  return words;
}

std::optional<ChartMark> Function(int code, int parameter) {
  if (code < 0 || code > 255 || parameter < 0 || parameter > 255) return std::nullopt;
  return ChartMark{false, ChartRequest::kFill, code, parameter};
}

std::optional<ChartMark> Request(ChartRequest request) { return ChartMark{true, request, 0, 0}; }

// The solo/mute parameters of channel c (1..16).
int SoloParameter(int c) { return c; }
int MuteParameter(int c) { return 238 - c; }
int PlayParameter(int c) { return 255 - c; }

}  // namespace

std::optional<ChartChord> ParseChordSymbol(std::string_view symbol) {
  const std::optional<int> root = TakeNoteName(symbol);
  if (!root) return std::nullopt;
  std::string_view suffix = symbol;
  if (const size_t slash = symbol.find('/'); slash != std::string_view::npos) {
    suffix = symbol.substr(0, slash);
    std::string_view bass = symbol.substr(slash + 1);
    if (!TakeNoteName(bass) || !bass.empty()) return std::nullopt;
  }
  for (const ChordTypeSpelling& spelling : kSpellings) {
    if (suffix == spelling.Suffix) return ChartChord{*root, spelling.Type};
  }
  return std::nullopt;
}

std::span<const ChordTypeSpelling> ChordTypeSpellings() { return kSpellings; }

std::optional<ChartMark> ParseChartMark(std::string_view bracketed) {
  if (bracketed.size() < 2 || bracketed.front() != '[' || bracketed.back() != ']') return std::nullopt;
  const std::optional<MarkWords> words = SplitMark(bracketed.substr(1, bracketed.size() - 2));
  if (!words || words->NumberBeforeName) return std::nullopt;
  const std::string& name = words->Name;
  const std::vector<int>& n = words->Numbers;
  if (n.empty()) {
    if (name == "fill" || name == "fillin") return Request(ChartRequest::kFill);
    if (name == "toextended" || name == "toext." || name == "toext")
      return Request(ChartRequest::kToExtended);
    if (name == "tobasic") return Request(ChartRequest::kToBasic);
    if (name == "ending") return Request(ChartRequest::kEnding);
    if (name == "intro") return Request(ChartRequest::kIntro);
    if (name == "stop") return Function(kChartStop, 0);
    if (name == "loopend") return Function(kChartLoop, 0);
    if (name == "playall") return Function(kChartSoloMute, 0);
    if (name == "muteall") return Function(kChartSoloMute, 255);
    if (name == "mutemelody") return Function(kChartSoloMute, 220);
    if (name == "playmelody") return Function(kChartSoloMute, 221);
    return std::nullopt;
  }
  if (n.size() == 2 && name == "function") return Function(n[0], n[1]);
  if (n.size() != 1) return std::nullopt;
  const int v = n[0];
  if (name == "tempo" && v >= 25 && v <= 250) return Function(kChartTempo, v);
  if (name == "loop" && v >= 1 && v <= 100) return Function(kChartLoop, 100 + v);
  if (name == "transpose" && v >= -11 && v <= 11) return Function(kChartTranspose, v < 0 ? 256 + v : v);
  if (v < 1 || v > 16) return std::nullopt;
  if (name == "solo") return Function(kChartSoloMute, SoloParameter(v));
  if (name == "mute") return Function(kChartSoloMute, MuteParameter(v));
  if (name == "play") return Function(kChartSoloMute, PlayParameter(v));
  return std::nullopt;
}

std::string ChartChordToken(int rootPitchClass, int type) {
  static constexpr std::array<const char*, 18> kCommon = {"",        "",     "m",    "7",    "m7",  "dim",
                                                          "sus4",    "add9", "(b5)", "maj7", "+",   "6",
                                                          "m(maj7)", "m6",   "m9",   "m7b5", "7#5", "7sus4"};
  const int shown = IsChordType(type) ? type : kMaj;
  return std::string(kNoteNames[PitchClass(rootPitchClass)]) + kCommon[static_cast<size_t>(shown)];
}

std::string ChartRequestToken(ChartRequest request) {
  switch (request) {
    case ChartRequest::kFill:
      return "[Fill]";
    case ChartRequest::kToExtended:
      return "[ToExtended]";
    case ChartRequest::kToBasic:
      return "[ToBasic]";
    case ChartRequest::kEnding:
      return "[Ending]";
    case ChartRequest::kIntro:
      return "[Intro]";
  }
  return "[Fill]";
}

std::string ChartFunctionToken(int code, int parameter) {
  const int p = parameter;
  const std::string n = std::to_string(p);
  switch (code) {
    case kChartSoloMute:
      if (p == 0) return "[Play All]";
      if (p <= 16) return "[Solo " + n + "]";
      if (p == 220) return "[Mute Melody]";
      if (p == 221) return "[Play Melody]";
      if (p >= 222 && p <= 237) return "[Mute " + std::to_string(238 - p) + "]";
      if (p >= 239 && p <= 254) return "[Play " + std::to_string(255 - p) + "]";
      if (p == 255) return "[Mute All]";
      break;
    case kChartTranspose:
      if (p == 0) return "[Transpose 0]";
      if (p <= 11) return "[Transpose +" + n + "]";
      if (p >= 245 && p <= 255) return "[Transpose -" + std::to_string(256 - p) + "]";
      break;
    case kChartLoop:
      if (p == 0) return "[LoopEnd]";
      if (p >= 101 && p <= 200) return "[Loop " + std::to_string(p - 100) + "x]";
      break;
    case kChartTempo:
      if (p >= 25 && p <= 250) return "[Tempo " + n + "]";
      break;
    case kChartStop:
      if (p == 0) return "[Stop]";
      break;
    default:
      break;
  }
  return "[Function " + std::to_string(code) + " " + n + "]";
}

}  // namespace kalo::perform
