#include "styles/style_source_parser.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdint>
#include <utility>

#include "config/settings.h"
#include "styles/style_notation.h"

namespace kalo::styles {

namespace {

constexpr int kMaxPartMeasures = 99;
constexpr int kAccent = 20;  // added by X and '>'
constexpr int kSoft = 30;    // taken away by o

struct Token {
  std::string Text;
  bool Quoted = false;
};

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

// A '#' at the start of the line or after a blank begins a comment (so "C#4" is a note), outside quotes.
std::string_view WithoutComment(std::string_view line) {
  bool quoted = false;
  for (size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '"') quoted = !quoted;
    if (line[i] == '#' && !quoted && (i == 0 || IsBlank(line[i - 1]))) return line.substr(0, i);
  }
  return line;
}

// Splits at blanks; "..." is one token without its quotes. False on an unclosed quote.
bool Tokenize(std::string_view text, std::vector<Token>& out) {
  size_t i = 0;
  while (i < text.size()) {
    if (IsBlank(text[i])) {
      ++i;
    } else if (text[i] == '"') {
      const size_t close = text.find('"', i + 1);
      if (close == std::string_view::npos) return false;
      out.push_back({std::string(text.substr(i + 1, close - i - 1)), true});
      i = close + 1;
    } else {
      size_t end = i;
      while (end < text.size() && !IsBlank(text[end]) && text[end] != '"') ++end;
      out.push_back({std::string(text.substr(i, end - i)), false});
      i = end;
    }
  }
  return true;
}

std::optional<int> NumberIn(std::string_view word, int low, int high) {
  int value = 0;
  const char* end = word.data() + word.size();
  auto [ptr, ec] = std::from_chars(word.data(), end, value);
  if (word.empty() || ec != std::errc() || ptr != end || value < low || value > high) return std::nullopt;
  return value;
}

std::string Quoted(std::string_view word) { return "'" + std::string(word) + "'"; }

// The channel set-up entries that a channel line sets by name.
constexpr std::array<std::pair<std::string_view, int>, 13> kSetupKeys = {{
    {"program", kProgramEntry},
    {"bank", 0},
    {"bank-fine", 32},
    {"modulation", 1},
    {"volume", 7},
    {"pan", 10},
    {"expression", 11},
    {"sustain", 64},
    {"sostenuto", 66},
    {"soft", 67},
    {"reverb", 91},
    {"chorus", 93},
    {"pressure", kPressureEntry},
}};

constexpr std::array<std::string_view, 13> kKeywords = {
    "style",   "tempo",    "metre", "intro-measures", "suppress-controllers",
    "channel", "part",     "mute",  "cut-notes",      "variation",
    "measure", "measures", "gate"};

bool IsChannelName(std::string_view word) {
  if (word.empty() || word.size() > 32 || !std::isalpha(static_cast<unsigned char>(word[0]))) return false;
  for (char c : word)
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-' && c != '_') return false;
  return std::find(kKeywords.begin(), kKeywords.end(), word) == kKeywords.end() && !StepTicksOf(word);
}

// One run of cells: a note (or chord) that starts at a step and lasts some steps, or a rest.
struct Stroke {
  int FirstStep = 0;
  int Steps = 0;
  std::vector<int> Keys;
  int Velocity = 0;
};

class Parser {
 public:
  explicit Parser(std::vector<SourceError>& errors) : errors_(errors) {}

  StyleSource Run(std::string_view text) {
    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";  // written by some editors
    size_t begin = text.substr(0, 3) == kByteOrderMark ? 3 : 0;
    while (begin < text.size()) {
      size_t end = text.find('\n', begin);
      if (end == std::string_view::npos) end = text.size();
      ++line_;
      ReadLine(WithoutComment(text.substr(begin, end - begin)));
      begin = end + 1;
    }
    source_.LineCount = line_;
    return std::move(source_);
  }

 private:
  void Error(std::string message) { errors_.push_back({line_, std::move(message)}); }

  void ReadLine(std::string_view content) {
    if (std::all_of(content.begin(), content.end(), IsBlank)) return;
    std::vector<Token> tokens;
    const size_t colon = content.find(':');
    if (!Tokenize(colon == std::string_view::npos ? content : content.substr(0, colon), tokens)) {
      Error("a quote (\") is not closed");
      return;
    }
    if (tokens.empty())
      return Error("the line begins with ':'; a pattern line begins with its channel's name");
    const std::string& word = tokens.front().Text;
    if (word == "part") {
      PartHeading(tokens);
    } else if (!inParts_) {
      HeaderLine(tokens, colon != std::string_view::npos);
    } else if (word == "style" || word == "tempo" || word == "metre" || word == "intro-measures" ||
               word == "suppress-controllers" || word == "channel") {
      Error(Quoted(word) + " belongs to the header, before the first part");
    } else if (part_ < 0) {
      // The part line was faulty and has its error: its lines are skipped.
    } else if (word == "mute" || word == "cut-notes") {
      ChannelFlags(tokens, word == "mute" ? Part().Mute : Part().CutNotes);
    } else if (word == "variation") {
      if (tokens.size() != 1)
        Error("'variation' takes no value");
      else if (part_ != kFillInBasic && part_ != kFillInExtended)
        Error("only 'Fill in Basic' and 'Fill in Extended' can be a variation");
      else
        Part().Variation = true;
    } else if (word == "measure" || word == "measures") {
      MeasureHeading(tokens);
    } else if (colon != std::string_view::npos) {
      PatternLine(tokens, content.substr(colon + 1));
    } else {
      Error(Quoted(word) +
            " is not a part line: expected mute, cut-notes, variation, measure, measures, or a "
            "pattern line '<channel> [note] <step> [velocity] [gate%]: <cells>'");
    }
  }

  // --- Header --------------------------------------------------------------------------------
  void HeaderLine(const std::vector<Token>& tokens, bool hasColon) {
    const std::string& word = tokens.front().Text;
    auto single = [&]() -> const std::string* {
      if (tokens.size() == 2) return &tokens[1].Text;
      Error(Quoted(word) + " takes one value");
      return nullptr;
    };
    if (word == "channel") {
      ChannelLine(tokens);
    } else if (word == "style") {
      const std::string* name = single();
      if (!name) return;
      if (source_.NameLine > 0)
        return Error("the style's name was given on line " + std::to_string(source_.NameLine));
      if (name->empty() || name->size() > 64 || name->find_first_of("/\\:*?\"<>|") != std::string::npos)
        return Error("the style's name " + Quoted(*name) +
                     " is not a file name (1 to 64 characters, none of / \\ : * ? \" < > |)");
      source_.Name = *name;
      source_.NameLine = line_;
    } else if (word == "tempo") {
      const std::string* text = single();
      if (!text) return;
      auto tempo = NumberIn(*text, 25, 250);
      if (!tempo)
        return Error("the tempo " + Quoted(*text) + " is not a number of beats per minute from 25 to 250");
      source_.Tempo = *tempo;
    } else if (word == "metre") {
      const std::string* text = single();
      if (!text) return;
      for (int i = 0; i < config::kMetrumCount; ++i) {
        if (*text != config::kMetrumNames[i]) continue;
        static constexpr std::array<int, 9> kLengths = {24, 20, 16, 12, 8, 4, 12, 4, 4};
        source_.MetreValue = Metre{kLengths[static_cast<size_t>(i)], i >= 6};
        return;
      }
      Error("the metre " + Quoted(*text) + " is not one of 6/4 5/4 4/4 3/4 2/4 1/4 6/8 2/8 1/8");
    } else if (word == "intro-measures") {
      const std::string* text = single();
      if (!text) return;
      auto measures = NumberIn(*text, 0, kMaxPartMeasures);
      if (!measures) return Error("intro-measures " + Quoted(*text) + " is not a number from 0 to 99");
      source_.IntroMeasures = *measures;
    } else if (word == "suppress-controllers") {
      const std::string* text = single();
      if (!text) return;
      if (*text != "on" && *text != "off") return Error("suppress-controllers is 'on' or 'off'");
      source_.SuppressControllers = *text == "on";
    } else if (hasColon) {
      Error("a pattern line belongs to a part: begin one with e.g. 'part Basic 2 measures'");
    } else {
      Error(Quoted(word) +
            " is not a header line: expected style, tempo, metre, intro-measures, suppress-controllers, "
            "channel or part");
    }
  }

  void ChannelLine(const std::vector<Token>& tokens) {
    if (tokens.size() < 3)
      return Error("a channel line reads 'channel <1-16> <name> [<setting> <value>]...'");
    auto number = NumberIn(tokens[1].Text, 1, 16);
    if (!number) return Error("the channel number " + Quoted(tokens[1].Text) + " is not from 1 to 16");
    SourceChannel& channel = source_.Channels[static_cast<size_t>(*number - 1)];
    if (channel.Declared)
      return Error("channel " + tokens[1].Text + " was declared on line " + std::to_string(channel.Line));
    const std::string& name = tokens[2].Text;
    if (!IsChannelName(name))
      return Error(
          "the channel name " + Quoted(name) +
          " must begin with a letter, hold only letters, digits, '-' and '_', and be no keyword or step");
    if (ChannelNamed(name)) return Error("the channel name " + Quoted(name) + " is taken");
    channel.Declared = true;
    channel.Line = line_;
    channel.Name = name;
    // A faulty setting is reported and left out; the channel stays declared so that its pattern
    // lines are read and checked.
    std::array<bool, kSetupKeys.size() + 2> seen{};
    for (size_t i = 3; i < tokens.size(); ++i) {
      const std::string& key = tokens[i].Text;
      if (key == "cut-notes") {
        channel.CutNotes = true;
        continue;
      }
      if (i + 1 >= tokens.size()) return Error("the setting " + Quoted(key) + " has no value");
      const Token& value = tokens[++i];
      const auto found =
          std::find_if(kSetupKeys.begin(), kSetupKeys.end(), [&](auto& k) { return k.first == key; });
      const size_t slot = found != kSetupKeys.end() ? static_cast<size_t>(found - kSetupKeys.begin())
                          : key == "velocity"       ? kSetupKeys.size()
                          : key == "gate"           ? kSetupKeys.size() + 1
                                                    : seen.size();
      if (slot == seen.size()) {
        Error("unknown channel setting " + Quoted(key) +
              ": expected program, bank, bank-fine, modulation, volume, pan, expression, sustain, sostenuto, "
              "soft, "
              "reverb, chorus, pressure, velocity, gate or cut-notes");
      } else if (seen[slot]) {
        Error("the setting " + Quoted(key) + " is given twice");
      } else if (key == "velocity") {
        auto velocity = NumberIn(value.Text, 1, 127);
        if (velocity)
          channel.Velocity = *velocity;
        else
          Error("velocity " + Quoted(value.Text) + " is not from 1 to 127");
      } else if (key == "gate") {
        auto gate = GateOf(value.Text);
        if (gate)
          channel.Gate = *gate;
        else
          Error("gate " + Quoted(value.Text) + " is not a percentage from 1% to 100%");
      } else {
        std::optional<int> number127 = value.Quoted ? std::nullopt : NumberIn(value.Text, 0, 127);
        if (key == "program" && value.Quoted) number127 = ProgramNumberOf(value.Text);
        if (number127)
          channel.Setup.Values[static_cast<size_t>(found->second)] = static_cast<uint8_t>(*number127);
        else if (key == "program" && value.Quoted)
          Error(Quoted(value.Text) + " is not a General MIDI instrument name");
        else
          Error(key + " " + Quoted(value.Text) + " is not a number from 0 to 127");
      }
      if (slot < seen.size()) seen[slot] = true;
    }
  }

  static std::optional<int> GateOf(std::string_view word) {
    if (word.size() < 2 || word.back() != '%') return std::nullopt;
    return NumberIn(word.substr(0, word.size() - 1), 1, 100);
  }

  std::optional<int> ChannelNamed(std::string_view name) const {
    for (int c = 0; c < kChannelCount; ++c) {
      const SourceChannel& channel = source_.Channels[static_cast<size_t>(c)];
      if (channel.Declared && channel.Name == name) return c;
    }
    return std::nullopt;
  }

  // --- Parts ---------------------------------------------------------------------------------
  SourcePart& Part() { return source_.Parts[static_cast<size_t>(part_)]; }

  void PartHeading(const std::vector<Token>& tokens) {
    if (!inParts_) {
      inParts_ = true;
      source_.FirstPartLine = line_;
      if (!source_.MetreValue) {
        Error("the metre must be given before the first part ('metre 4/4'); 4/4 is assumed");
        source_.MetreValue = Metre{};
      }
    }
    part_ = -1;
    const size_t n = tokens.size();
    if (n < 4 || (tokens[n - 1].Text != "measure" && tokens[n - 1].Text != "measures"))
      return Error("a part line reads 'part <name> <count> measures', e.g. 'part Fill in Basic 1 measure'");
    auto measures = NumberIn(tokens[n - 2].Text, 1, kMaxPartMeasures);
    if (!measures)
      return Error("the part's length " + Quoted(tokens[n - 2].Text) + " is not from 1 to 99 measures");
    std::string name;
    for (size_t i = 1; i + 2 < n; ++i) name += (i > 1 ? " " : "") + tokens[i].Text;
    auto number = PartNumberOf(name);
    if (!number)
      return Error(
          Quoted(name) +
          " is not a part: Intro, Basic, Extended, Ending, Fill in Basic, Fill in Extended, To Extended, "
          "To Basic");
    SourcePart& part = source_.Parts[static_cast<size_t>(*number)];
    if (part.Defined) return Error("the part " + name + " was given on line " + std::to_string(part.Line));
    part.Defined = true;
    part.Line = line_;
    part.Measures = *measures;
    part_ = *number;
    rangeFirst_ = 1;
    rangeLast_ = *measures;
  }

  void ChannelFlags(const std::vector<Token>& tokens, std::array<uint8_t, kChannelCount>& flags) {
    if (tokens.size() < 2) return Error(Quoted(tokens[0].Text) + " needs the names of channels");
    for (size_t i = 1; i < tokens.size(); ++i) {
      auto channel = ChannelNamed(tokens[i].Text);
      if (!channel) return Error(Quoted(tokens[i].Text) + " is not a declared channel");
      flags[static_cast<size_t>(*channel)] = 1;
    }
  }

  void MeasureHeading(const std::vector<Token>& tokens) {
    if (tokens.size() != 2) return Error("a measure line reads 'measure <n>' or 'measures <first>-<last>'");
    const std::string& range = tokens[1].Text;
    const size_t dash = range.find('-');
    auto first = NumberIn(std::string_view(range).substr(0, dash), 1, kMaxPartMeasures);
    auto last = dash == std::string::npos
                    ? first
                    : NumberIn(std::string_view(range).substr(dash + 1), 1, kMaxPartMeasures);
    if (!first || !last || *last < *first)
      return Error(Quoted(range) + " is not a measure number or a range like 1-4");
    if (*last > Part().Measures)
      return Error("measure " + std::to_string(*last) + " lies outside the part's " +
                   std::to_string(Part().Measures) + (Part().Measures == 1 ? " measure" : " measures"));
    rangeFirst_ = *first;
    rangeLast_ = *last;
  }

  // Keys of a note word: notes joined by '+'; on channel 10 also drum names.
  std::optional<std::vector<int>> KeysOf(std::string_view word, int channel, const std::string& where) {
    std::vector<int> keys;
    size_t begin = 0;
    while (true) {
      const size_t plus = word.find('+', begin);
      const std::string_view one = word.substr(begin, plus == std::string_view::npos ? plus : plus - begin);
      std::optional<int> key = NoteNumberOf(one);
      if (!key && channel == 9) key = DrumKeyOf(one);
      if (!key) {
        if (channel != 9 && DrumKeyOf(one))
          Error(where + Quoted(one) + " is a drum name; drum names play on channel 10");
        else
          Error(where + Quoted(one) + " is not a note (C-1 to G9 with middle C = C4, or 0 to 127)" +
                (channel == 9 ? " nor a General MIDI drum name" : ""));
        return std::nullopt;
      }
      if (std::find(keys.begin(), keys.end(), *key) != keys.end()) {
        Error(where + Quoted(word) + " holds " + NoteNameOf(*key) + " twice");
        return std::nullopt;
      }
      keys.push_back(*key);
      if (plus == std::string_view::npos) return keys;
      begin = plus + 1;
    }
  }

  void PatternLine(const std::vector<Token>& head, std::string_view cellText) {
    const std::string& channelName = head[0].Text;
    auto channel = ChannelNamed(channelName);
    if (!channel) return Error(Quoted(channelName) + " is not a declared channel");
    const SourceChannel& declared = source_.Channels[static_cast<size_t>(*channel)];
    size_t i = 1;
    std::optional<std::vector<int>> hitKeys;
    if (head.size() == 2 && !StepTicksOf(head[1].Text))
      return Error(Quoted(head[1].Text) +
                   " is not a step length (w h q e s, '.' dotted, '3' triplet, or <n>t ticks)");
    if (i < head.size() && !StepTicksOf(head[i].Text)) {
      hitKeys = KeysOf(head[i].Text, *channel, "");
      if (!hitKeys) return;
      ++i;
    }
    if (i >= head.size())
      return Error(
          "the line has no step length before ':' (w h q e s, '.' dotted, '3' triplet, or <n>t ticks)");
    const auto stepTicks = StepTicksOf(head[i].Text);
    if (!stepTicks)
      return Error(Quoted(head[i].Text) +
                   " is not a step length (w h q e s, '.' dotted, '3' triplet, or <n>t ticks)");
    const int step = *stepTicks;
    int velocity = declared.Velocity;
    int gate = declared.Gate;
    bool velocityGiven = false;
    bool gateGiven = false;
    for (++i; i < head.size(); ++i) {
      const std::string& word = head[i].Text;
      if (auto g = GateOf(word); g && !gateGiven) {
        gate = *g;
        gateGiven = true;
      } else if (auto v = NumberIn(word, 1, 127); v && !velocityGiven) {
        velocity = *v;
        velocityGiven = true;
      } else {
        return Error(Quoted(word) +
                     " is neither a velocity (1 to 127) nor a gate (1% to 100%), or is given twice");
      }
    }

    std::vector<Stroke> strokes;
    int steps = 0;
    bool holding = false;  // the last stroke may be extended by '-'
    auto cell = [&](std::string_view word) -> bool {
      const std::string where = "cell " + std::to_string(steps + 1) + ": ";
      if (word == "|") {
        if ((steps * step) % BeatTicksOf(*source_.MetreValue) != 0) {
          Error("the bar mark '|' after " + std::to_string(steps) + " steps is not on a beat");
          return false;
        }
        return true;
      }
      ++steps;
      const int partTicks = Part().Measures * TicksPerMeasure(source_.MetreValue->MeasureLength);
      if (int64_t{steps} * step > partTicks) {
        Error("the line is longer than the part's " + std::to_string(Part().Measures) +
              (Part().Measures == 1 ? " measure" : " measures"));
        return false;
      }
      if (word == ".") {
        holding = false;
      } else if (word == "-") {
        if (!holding) {
          Error(where + "'-' holds nothing: no note sounds before it");
          return false;
        }
        ++strokes.back().Steps;
      } else {
        Stroke stroke{steps - 1, 1, {}, velocity};
        if (hitKeys) {
          if (word != "x" && word != "X" && word != "o") {
            Error(where + Quoted(word) +
                  " is not x (hit), X (accent), o (soft), '.' (rest), '-' (hold) or '|'");
            return false;
          }
          stroke.Keys = *hitKeys;
          if (word == "X") stroke.Velocity = std::min(127, velocity + kAccent);
          if (word == "o") stroke.Velocity = std::max(1, velocity - kSoft);
        } else {
          std::string_view notes = word;
          if (notes.size() > 1 && notes.back() == '>') {
            stroke.Velocity = std::min(127, velocity + kAccent);
            notes.remove_suffix(1);
          } else if (const size_t at = notes.find('@'); at != std::string_view::npos) {
            auto v = NumberIn(notes.substr(at + 1), 1, 127);
            if (!v) {
              Error(where + Quoted(word) + ": the velocity after '@' is not from 1 to 127");
              return false;
            }
            stroke.Velocity = *v;
            notes = notes.substr(0, at);
          }
          auto keys = KeysOf(notes, *channel, where);
          if (!keys) return false;
          stroke.Keys = std::move(*keys);
        }
        strokes.push_back(std::move(stroke));
        holding = true;
      }
      return true;
    };
    if (hitKeys) {
      for (char c : cellText)
        if (!IsBlank(c) && !cell(std::string_view(&c, 1))) return;
    } else {
      size_t at = 0;
      while (at < cellText.size()) {
        if (IsBlank(cellText[at])) {
          ++at;
          continue;
        }
        size_t end = at;
        while (end < cellText.size() && !IsBlank(cellText[end])) ++end;
        if (!cell(cellText.substr(at, end - at))) return;
        at = end;
      }
    }
    Place(*channel, strokes, steps, step, gate);
  }

  // Puts the strokes of a line into the part, once per repetition over the measure heading's range.
  void Place(int channel, const std::vector<Stroke>& strokes, int steps, int step, int gate) {
    const int measureTicks = TicksPerMeasure(source_.MetreValue->MeasureLength);
    const int lineTicks = steps * step;
    if (steps == 0) return Error("the line has no cells after ':'");
    if (lineTicks % measureTicks != 0)
      return Error("the line lasts " + std::to_string(steps) + " steps of " + std::to_string(step) +
                   " ticks = " + std::to_string(lineTicks) + " ticks; it must fill whole measures of " +
                   std::to_string(measureTicks) + " ticks");
    const int lineMeasures = lineTicks / measureTicks;
    const int rangeMeasures = rangeLast_ - rangeFirst_ + 1;
    if (rangeMeasures % lineMeasures != 0)
      return Error("the line lasts " + std::to_string(lineMeasures) +
                   " measures and does not fill measures " + std::to_string(rangeFirst_) + "-" +
                   std::to_string(rangeLast_) + " a whole number of times");
    const int partTicks = Part().Measures * measureTicks;
    for (int repeat = 0; repeat < rangeMeasures / lineMeasures; ++repeat) {
      const int base = (rangeFirst_ - 1 + repeat * lineMeasures) * measureTicks;
      for (const Stroke& stroke : strokes) {
        const int start = base + stroke.FirstStep * step;
        const int written = stroke.Steps * step;
        int end = start + std::max(1, (written * gate + 50) / 100);
        if (end >= partTicks) end = partTicks - 1;
        if (end <= start) return Error("a note on the part's last tick has no room to end inside the part");
        for (int key : stroke.Keys)
          Part().Notes.push_back({channel, key, start, end, stroke.Velocity, line_});
      }
    }
  }

  StyleSource source_;
  std::vector<SourceError>& errors_;
  int line_ = 0;
  bool inParts_ = false;
  int part_ = -1;  // the part being read; -1 after a faulty part line
  int rangeFirst_ = 1;
  int rangeLast_ = 1;
};

}  // namespace

StyleSource ParseStyleSource(std::string_view text, std::vector<SourceError>& errors) {
  return Parser(errors).Run(text);
}

}  // namespace kalo::styles
