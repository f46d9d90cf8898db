#include "perform/chord_chart.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <climits>
#include <cstdint>

#include "perform/chord.h"

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

std::optional<ChartRequest> ParseRequest(std::string_view bracketed) {
  std::string name;
  for (char c : bracketed.substr(1, bracketed.size() - 2)) {
    if (c != ' ' && c != '\t') name += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  if (name == "fill") return ChartRequest::kFill;
  if (name == "toextended") return ChartRequest::kToExtended;
  if (name == "tobasic") return ChartRequest::kToBasic;
  if (name == "ending") return ChartRequest::kEnding;
  return std::nullopt;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

struct Token {
  enum class Kind { kBar, kWord, kRequest };
  Kind What;
  std::string_view Text;
  size_t Offset;  // bytes from the start of the chart
};

// Splits the chart into bar lines, bracketed requests (an unclosed one runs to the end and has no ']')
// and words.
std::vector<Token> Tokenize(std::string_view text) {
  std::vector<Token> tokens;
  size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    if (IsBlank(c)) {
      ++i;
    } else if (c == '|') {
      const size_t length = (i + 1 < text.size() && text[i + 1] == '|') ? 2 : 1;
      tokens.push_back({Token::Kind::kBar, text.substr(i, length), i});
      i += length;
    } else if (c == '[') {
      const size_t close = text.find(']', i);
      const size_t end = close == std::string_view::npos ? text.size() : close + 1;
      tokens.push_back({Token::Kind::kRequest, text.substr(i, end - i), i});
      i = end;
    } else {
      size_t end = i;
      while (end < text.size() && !IsBlank(text[end]) && text[end] != '|' && text[end] != '[') ++end;
      tokens.push_back({Token::Kind::kWord, text.substr(i, end - i), i});
      i = end;
    }
  }
  return tokens;
}

// The 1-based column of a byte offset, counting UTF-8 characters.
int Column(std::string_view text, size_t offset) {
  int column = 1;
  for (size_t i = 0; i < offset && i < text.size(); ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) ++column;
  }
  return column;
}

class ChartParser {
 public:
  ChartParser(std::string_view text, int beatsPerMeasure) : text_(text), beats_(beatsPerMeasure) {
    chart_.BeatsPerMeasure = beatsPerMeasure;
  }

  std::variant<ChordChart, std::string> Parse() {
    std::vector<Token> tokens = Tokenize(text_);
    size_t first = 0;
    size_t last = tokens.size();
    if (first < last && tokens[first].What == Token::Kind::kBar) ++first;    // opening bar line
    if (first < last && tokens[last - 1].What == Token::Kind::kBar) --last;  // closing bar line
    if (first == last) return std::string("the chart has no measure");

    std::vector<Token> measure;
    for (size_t i = first; i <= last; ++i) {
      if (i < last && tokens[i].What != Token::Kind::kBar) {
        measure.push_back(tokens[i]);
        continue;
      }
      const size_t endOffset = i < last ? tokens[i].Offset : text_.size();
      if (auto error = Measure(measure, endOffset)) return *error;
      measure.clear();
    }
    return std::move(chart_);
  }

 private:
  struct PlacedRequest {
    ChartRequest Request;
    size_t Slot;  // index of the chord it stands before; the chord count: at the bar line after
  };

  std::string Place(size_t token, size_t offset) const {
    return "measure " + std::to_string(chart_.Measures + 1) + ", token " + std::to_string(token + 1) +
           " (column " + std::to_string(Column(text_, offset)) + ")";
  }
  std::string PlaceOfMeasure(size_t offset) const {
    return "measure " + std::to_string(chart_.Measures + 1) + " (column " +
           std::to_string(Column(text_, offset)) + ")";
  }

  // Parses the tokens of the next measure; `endOffset` is where its closing bar line (or the text) ends.
  std::optional<std::string> Measure(const std::vector<Token>& tokens, size_t endOffset) {
    if (chart_.Measures >= INT_MAX / beats_ - 1) return std::string("the chart is too long");
    std::vector<ChartChord> chords;
    std::vector<PlacedRequest> requests;
    bool repeat = false;
    for (size_t t = 0; t < tokens.size(); ++t) {
      const Token& token = tokens[t];
      const std::string quoted = "\"" + std::string(token.Text) + "\"";
      if (token.What == Token::Kind::kRequest) {
        if (!token.Text.ends_with(']')) return quoted + " at " + Place(t, token.Offset) + " has no closing ]";
        const std::optional<ChartRequest> request = ParseRequest(token.Text);
        if (!request) {
          return "unknown request " + quoted + " at " + Place(t, token.Offset) +
                 ": the requests are [Fill], [ToExtended], [ToBasic] and [Ending]";
        }
        requests.push_back({*request, repeat ? SIZE_MAX : chords.size()});
      } else if (token.Text == "%") {
        if (chart_.Measures == 0) {
          return quoted + " at " + Place(t, token.Offset) + " has no measure before it to repeat";
        }
        if (repeat || !chords.empty()) {
          return quoted + " at " + Place(t, token.Offset) + " must be the only chord of its measure";
        }
        repeat = true;
      } else {
        if (repeat) return quoted + " at " + Place(t, token.Offset) + " follows a % in its measure";
        const std::optional<ChartChord> chord = ParseChordSymbol(token.Text);
        if (!chord) return "unknown chord " + quoted + " at " + Place(t, token.Offset);
        chords.push_back(*chord);
      }
    }
    const size_t measureOffset = tokens.empty() ? endOffset : tokens.front().Offset;
    if (repeat) chords = previous_;
    if (chords.empty()) {
      return PlaceOfMeasure(measureOffset) + " has no chord; write % to repeat the measure before";
    }
    if (chords.size() > static_cast<size_t>(beats_)) {
      return PlaceOfMeasure(measureOffset) + " has " + std::to_string(chords.size()) + " chords but only " +
             std::to_string(beats_) + " beats";
    }

    const int start = chart_.Measures * beats_;
    const int n = static_cast<int>(chords.size());
    for (size_t slot = 0; slot <= chords.size(); ++slot) {
      const int i = static_cast<int>(slot);
      const int beat = start + (i * beats_ + n - 1) / n;  // ceil(i * b / n); slot n is the next bar line
      for (const PlacedRequest& placed : requests) {
        if (std::min(placed.Slot, chords.size()) != slot) continue;
        ChartItem item;
        item.What = ChartItem::Kind::kRequest;
        item.Beat = beat;
        item.Request = placed.Request;
        chart_.Items.push_back(item);
      }
      if (slot == chords.size()) break;
      ChartItem item;
      item.Beat = beat;
      item.RootPitchClass = chords[slot].RootPitchClass;
      item.Type = chords[slot].Type;
      chart_.Items.push_back(item);
    }
    previous_ = std::move(chords);
    ++chart_.Measures;
    return std::nullopt;
  }

  std::string_view text_;
  int beats_;
  ChordChart chart_;
  std::vector<ChartChord> previous_;
};

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

std::variant<ChordChart, std::string> ParseChordChart(std::string_view text, int beatsPerMeasure) {
  if (beatsPerMeasure < 1 || beatsPerMeasure > kMaxChartBeatsPerMeasure) {
    return "beats per measure must lie within 1.." + std::to_string(kMaxChartBeatsPerMeasure) + ", not " +
           std::to_string(beatsPerMeasure);
  }
  return ChartParser(text, beatsPerMeasure).Parse();
}

}  // namespace kalo::perform
