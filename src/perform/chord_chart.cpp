#include "perform/chord_chart.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <climits>
#include <cstdint>

#include "config/settings.h"

namespace kalo::perform {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

// Calls `each(line, lineStart, lineEnd)` for every line of `text` (offsets into it; the line break left
// out).
template <typename Each>
void ForEachLine(std::string_view text, Each each) {
  size_t lineStart = 0;
  while (lineStart < text.size()) {
    size_t lineEnd = text.find('\n', lineStart);
    if (lineEnd == std::string_view::npos) lineEnd = text.size();
    each(text.substr(lineStart, lineEnd - lineStart), lineStart, lineEnd);
    lineStart = lineEnd + 1;
  }
}

struct Token {
  enum class Kind { kBar, kWord, kMark, kDirective };
  Kind What;
  std::string_view Text;
  size_t Offset;  // bytes from the start of the chart
};

// A bracketed or braced token from `i` to its closing character (an unclosed one runs to the end of
// the line and has no closing character).
size_t ClosingEnd(std::string_view text, size_t i, char closing) {
  size_t end = i + 1;
  while (end < text.size() && text[end] != closing && text[end] != '\n') ++end;
  return end < text.size() && text[end] == closing ? end + 1 : end;
}

// A chart's tokens: bar lines, bracketed marks, braced directives and words; comment lines are skipped.
std::vector<Token> Tokenize(std::string_view text) {
  std::vector<Token> tokens;
  bool lineStart = true;
  size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    if (c == '\n') {
      lineStart = true;
      ++i;
    } else if (IsBlank(c)) {
      ++i;
    } else if (lineStart && c == '#') {
      while (i < text.size() && text[i] != '\n') ++i;
    } else if (c == '|') {
      const size_t length = (i + 1 < text.size() && text[i + 1] == '|') ? 2 : 1;
      tokens.push_back({Token::Kind::kBar, text.substr(i, length), i});
      i += length;
      lineStart = false;
    } else if (c == '[' || c == '{') {
      const size_t end = ClosingEnd(text, i, c == '[' ? ']' : '}');
      tokens.push_back({c == '[' ? Token::Kind::kMark : Token::Kind::kDirective, text.substr(i, end - i), i});
      i = end;
      lineStart = false;
    } else {
      size_t end = i;
      while (end < text.size() && !IsBlank(text[end]) && text[end] != '|' && text[end] != '[' &&
             text[end] != '{')
        ++end;
      tokens.push_back({Token::Kind::kWord, text.substr(i, end - i), i});
      i = end;
      lineStart = false;
    }
  }
  return tokens;
}

bool IsNoChord(std::string_view word) {
  std::string lower;
  for (char c : word) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower == "n.c." || lower == "n.c" || lower == "nc";
}

// A ChordPro sheet's tokens: per line, its chords (as words), marks and bar lines; a line ends a
// measure. A stretch between bar lines with lyrics but no chord becomes a "." slot.
std::vector<Token> TokenizeChordPro(std::string_view text) {
  std::vector<Token> tokens;
  ForEachLine(text, [&](std::string_view line, size_t lineStart, size_t lineEnd) {
    const std::string_view trimmed = Trim(line);
    const size_t first = lineStart + static_cast<size_t>(trimmed.data() - line.data());
    if (trimmed.starts_with('{')) {
      const size_t end = ClosingEnd(text, first, '}');
      tokens.push_back({Token::Kind::kDirective, text.substr(first, end - first), first});
      return;
    }
    if (trimmed.empty() || trimmed.starts_with('#') || line.find_first_of("[|") == std::string_view::npos)
      return;
    std::vector<Token> segment;
    size_t lyrics = std::string_view::npos;  // where lyrics begin in the segment
    auto endSegment = [&](std::optional<size_t> barOffset) {
      if (segment.empty() && lyrics != std::string_view::npos)
        segment.push_back({Token::Kind::kWord, ".", lyrics});
      if (!segment.empty()) {
        tokens.insert(tokens.end(), segment.begin(), segment.end());
        tokens.push_back({Token::Kind::kBar, "|", barOffset.value_or(lineEnd)});
      }
      segment.clear();
      lyrics = std::string_view::npos;
    };
    size_t i = lineStart;
    while (i < lineEnd) {
      const char c = text[i];
      if (c == '[') {
        const size_t end = ClosingEnd(text, i, ']');
        const std::string_view bracketed = text.substr(i, end - i);
        const bool closed = bracketed.ends_with(']');
        const std::string_view inside = Trim(bracketed.substr(1, bracketed.size() - (closed ? 2 : 1)));
        if (!closed || ParseChartMark(bracketed)) {
          segment.push_back({Token::Kind::kMark, bracketed, i});
        } else {
          const size_t offset = inside.empty() ? i : static_cast<size_t>(inside.data() - text.data());
          segment.push_back({Token::Kind::kWord, IsNoChord(inside) ? std::string_view(".") : inside, offset});
        }
        i = end;
      } else if (c == '|') {
        endSegment(i);
        i += (i + 1 < lineEnd && text[i + 1] == '|') ? 2 : 1;
      } else {
        if (!IsBlank(c) && lyrics == std::string_view::npos) lyrics = i;
        ++i;
      }
    }
    endSegment(std::nullopt);
  });
  return tokens;
}

constexpr const char* kMarksHelp =
    "the requests are [Fill], [ToExtended], [ToBasic], [Ending] and [Intro], the song functions [Tempo N], "
    "[Loop Nx], [LoopEnd], [Transpose +N], [Transpose -N], [Solo N], [Mute N], [Play N], [Play All], "
    "[Mute All], [Mute Melody], [Play Melody], [Stop] and [Function CODE PARAMETER]";

class ChartParser {
 public:
  ChartParser(std::string_view text, int beatsPerMeasure) : text_(text), beats_(beatsPerMeasure) {
    multiLine_ = Trim(text).find('\n') != std::string_view::npos;
  }

  std::variant<ChordChart, std::string> Parse(const std::vector<Token>& all) {
    std::vector<Token> tokens;
    for (const Token& token : all) {
      if (token.What != Token::Kind::kDirective) {
        tokens.push_back(token);
        continue;
      }
      if (auto error = Directive(token)) return *error;
    }
    chart_.BeatsPerMeasure = beats_;
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
  struct Slot {
    enum class Kind { kChord, kNone, kRaw };
    Kind What = Kind::kNone;
    int RootPitchClass = 0;
    int Type = 0;
    int RootNote = 0;
  };
  struct PlacedMark {
    ChartMark Mark;
    size_t Slot;  // index of the slot it stands before; the slot count: at the bar line after
  };

  std::string Where(size_t offset) const {
    int line = 1;
    int column = 1;
    for (size_t i = 0; i < offset && i < text_.size(); ++i) {
      if (text_[i] == '\n') {
        ++line;
        column = 1;
      } else if ((static_cast<unsigned char>(text_[i]) & 0xC0) != 0x80) {
        ++column;
      }
    }
    return multiLine_ ? "line " + std::to_string(line) + ", column " + std::to_string(column)
                      : "column " + std::to_string(column);
  }
  std::string Place(size_t token, size_t offset) const {
    return "measure " + std::to_string(chart_.Measures + 1) + ", token " + std::to_string(token + 1) + " (" +
           Where(offset) + ")";
  }
  std::string PlaceOfMeasure(size_t offset) const {
    return "measure " + std::to_string(chart_.Measures + 1) + " (" + Where(offset) + ")";
  }

  std::optional<std::string> Directive(const Token& token) {
    const std::string quoted = "\"" + std::string(token.Text) + "\"";
    if (!token.Text.ends_with('}')) return quoted + " (" + Where(token.Offset) + ") has no closing }";
    const std::string_view inside = token.Text.substr(1, token.Text.size() - 2);
    const size_t colon = inside.find(':');
    ChartDirective directive;
    for (char c : Trim(inside.substr(0, colon)))
      directive.Name += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (colon != std::string_view::npos) directive.Value = std::string(Trim(inside.substr(colon + 1)));
    if (directive.Name == "time") {
      const std::optional<int> length = MetreLength(directive.Value);
      if (!length) {
        return "unknown time " + quoted + " (" + Where(token.Offset) +
               "): the metres are 6/4, 5/4, 4/4, 3/4, 2/4, 1/4, 6/8, 2/8 and 1/8";
      }
      beats_ = *length / 4;
    }
    chart_.Directives.push_back(std::move(directive));
    return std::nullopt;
  }

  // A chord word: a symbol with an optional "@N" root, or "@R:T" raw bytes.
  std::optional<Slot> ChordSlot(std::string_view word) const {
    const size_t at = word.rfind('@');
    if (at == 0) {
      const size_t colon = word.find(':');
      if (colon == std::string_view::npos) return std::nullopt;
      const auto root = ParseChartNumber(word.substr(1, colon - 1), 0, 255);
      const auto type = ParseChartNumber(word.substr(colon + 1), 0, 255);
      if (!root || !type) return std::nullopt;
      return Slot{Slot::Kind::kRaw, 0, *type, *root};
    }
    const std::optional<ChartChord> chord = ParseChordSymbol(word.substr(0, at));
    if (!chord) return std::nullopt;
    Slot slot{Slot::Kind::kChord, chord->RootPitchClass, chord->Type, 0};
    if (at != std::string_view::npos) {
      const auto root = ParseChartNumber(word.substr(at + 1), 1, 127);
      if (!root || *root % 12 != chord->RootPitchClass) return std::nullopt;
      slot.RootNote = *root;
    }
    return slot;
  }

  // Parses the tokens of the next measure; `endOffset` is where its closing bar line (or the text) ends.
  std::optional<std::string> Measure(const std::vector<Token>& tokens, size_t endOffset) {
    if (chart_.Measures >= INT_MAX / beats_ - 1) return std::string("the chart is too long");
    std::vector<Slot> slots;
    std::vector<PlacedMark> marks;
    bool repeat = false;
    for (size_t t = 0; t < tokens.size(); ++t) {
      const Token& token = tokens[t];
      const std::string quoted = "\"" + std::string(token.Text) + "\"";
      if (token.What == Token::Kind::kMark) {
        if (!token.Text.ends_with(']')) return quoted + " at " + Place(t, token.Offset) + " has no closing ]";
        const std::optional<ChartMark> mark = ParseChartMark(token.Text);
        if (!mark) return "unknown request " + quoted + " at " + Place(t, token.Offset) + ": " + kMarksHelp;
        marks.push_back({*mark, repeat ? SIZE_MAX : slots.size()});
      } else if (token.Text == "%") {
        if (chart_.Measures == 0) {
          return quoted + " at " + Place(t, token.Offset) + " has no measure before it to repeat";
        }
        if (repeat || !slots.empty()) {
          return quoted + " at " + Place(t, token.Offset) + " must be the only chord of its measure";
        }
        repeat = true;
      } else if (repeat) {
        return quoted + " at " + Place(t, token.Offset) + " follows a % in its measure";
      } else if (token.Text == ".") {
        slots.push_back({});
      } else if (token.Text == "/") {
        if (!lastChord_)
          return quoted + " at " + Place(t, token.Offset) + " has no chord before it to repeat";
        slots.push_back(*lastChord_);
      } else {
        const std::optional<Slot> slot = ChordSlot(token.Text);
        if (!slot) return "unknown chord " + quoted + " at " + Place(t, token.Offset);
        slots.push_back(*slot);
        lastChord_ = *slot;
      }
    }
    const size_t measureOffset = tokens.empty() ? endOffset : tokens.front().Offset;
    if (repeat) {
      slots = previous_;
      for (const Slot& slot : slots)
        if (slot.What != Slot::Kind::kNone) lastChord_ = slot;
    }
    if (slots.empty()) {
      return PlaceOfMeasure(measureOffset) + " has no chord; write % to repeat the measure before";
    }
    if (slots.size() > static_cast<size_t>(beats_)) {
      return PlaceOfMeasure(measureOffset) + " has " + std::to_string(slots.size()) + " chords but only " +
             std::to_string(beats_) + " beats";
    }

    const int start = chart_.Measures * beats_;
    const int n = static_cast<int>(slots.size());
    for (size_t s = 0; s <= slots.size(); ++s) {
      const int i = static_cast<int>(s);
      const int beat = start + (i * beats_ + n - 1) / n;  // ceil(i * b / n); slot n is the next bar line
      for (const PlacedMark& placed : marks) {
        if (std::min(placed.Slot, slots.size()) != s) continue;
        ChartItem item;
        item.Beat = beat;
        if (placed.Mark.IsRequest) {
          item.What = ChartItem::Kind::kRequest;
          item.Request = placed.Mark.Request;
        } else {
          item.What = ChartItem::Kind::kFunction;
          item.Code = placed.Mark.Code;
          item.Parameter = placed.Mark.Parameter;
        }
        chart_.Items.push_back(item);
      }
      if (s == slots.size()) break;
      const Slot& slot = slots[s];
      if (slot.What == Slot::Kind::kNone) continue;
      ChartItem item;
      item.What = slot.What == Slot::Kind::kRaw ? ChartItem::Kind::kRawChord : ChartItem::Kind::kChord;
      item.Beat = beat;
      item.RootPitchClass = slot.RootPitchClass;
      item.Type = slot.Type;
      item.RootNote = slot.RootNote;
      chart_.Items.push_back(item);
    }
    previous_ = std::move(slots);
    ++chart_.Measures;
    return std::nullopt;
  }

  std::string_view text_;
  int beats_;
  bool multiLine_ = false;
  ChordChart chart_;
  std::vector<Slot> previous_;
  std::optional<Slot> lastChord_;
};

std::optional<std::string> CheckBeats(int beatsPerMeasure) {
  if (beatsPerMeasure >= 1 && beatsPerMeasure <= kMaxChartBeatsPerMeasure) return std::nullopt;
  return "beats per measure must lie within 1.." + std::to_string(kMaxChartBeatsPerMeasure) + ", not " +
         std::to_string(beatsPerMeasure);
}

}  // namespace

std::optional<std::string> ChordChart::Directive(std::string_view name) const {
  for (const ChartDirective& directive : Directives)
    if (directive.Name == name) return directive.Value;
  return std::nullopt;
}

bool ChordChart::HasSongFunctions() const {
  return std::any_of(Items.begin(), Items.end(), [](const ChartItem& item) {
    return item.What == ChartItem::Kind::kFunction || item.What == ChartItem::Kind::kRawChord;
  });
}

std::optional<int> ParseChartNumber(std::string_view text, int low, int high) {
  int value = 0;
  const auto [ptr, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || ptr != text.data() + text.size() || value < low || value > high)
    return std::nullopt;
  return value;
}

std::optional<int> MetreLength(std::string_view metre) {
  for (int i = 0; i < config::kMetrumCount; ++i)
    if (metre == config::kMetrumNames[i]) return config::kMetrumLengths[i];
  return std::nullopt;
}

std::variant<ChordChart, std::string> ParseChordChart(std::string_view text, int beatsPerMeasure) {
  if (auto error = CheckBeats(beatsPerMeasure)) return *error;
  return ChartParser(text, beatsPerMeasure).Parse(Tokenize(text));
}

std::variant<ChordChart, std::string> ParseChordProChart(std::string_view text, int beatsPerMeasure) {
  if (auto error = CheckBeats(beatsPerMeasure)) return *error;
  return ChartParser(text, beatsPerMeasure).Parse(TokenizeChordPro(text));
}

bool IsChordPro(std::string_view text) {
  bool chordPro = false;
  ForEachLine(text, [&](std::string_view line, size_t, size_t) {
    const std::string_view trimmed = Trim(line);
    if (chordPro || trimmed.starts_with('#') || trimmed.starts_with('{')) return;
    for (size_t open = line.find('['); open != std::string_view::npos; open = line.find('[', open + 1)) {
      const size_t close = line.find(']', open);
      if (close == std::string_view::npos) break;
      const std::string_view inside = Trim(line.substr(open + 1, close - open - 1));
      if (ParseChordSymbol(inside) || IsNoChord(inside)) chordPro = true;
    }
  });
  return chordPro;
}

std::variant<ChordChart, std::string> ParseAnyChart(std::string_view text, int beatsPerMeasure) {
  return IsChordPro(text) ? ParseChordProChart(text, beatsPerMeasure)
                          : ParseChordChart(text, beatsPerMeasure);
}

}  // namespace kalo::perform
