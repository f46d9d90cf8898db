#include "styles/style_source.h"

#include <algorithm>
#include <map>
#include <tuple>

#include "midi/midi_status.h"
#include "styles/style_notation.h"
#include "styles/style_source_parser.h"
#include "styles/style_stream.h"

namespace kalo::styles {

namespace {

// The order in which a used channel's set-up values open the stream: bank, bank fine and program
// first (a program change takes the bank selected before it), then controllers, then pressure.
constexpr std::array<int, 13> kPreludeOrder = {0,  32, kProgramEntry, 1, 7, 10, 11, 64, 66, 67,
                                               91, 93, kPressureEntry};

// Where a tick of a part lies, for messages: "measure 2, beat 3, tick 12".
std::string PositionText(int tick, const Metre& metre) {
  const int measureTicks = TicksPerMeasure(metre.MeasureLength);
  const int beatTicks = BeatTicksOf(metre);
  return "measure " + std::to_string(tick / measureTicks + 1) + ", beat " +
         std::to_string(tick % measureTicks / beatTicks + 1) + ", tick " + std::to_string(tick % beatTicks);
}

// Two notes of one key on one channel must not sound at once: the second note-on would be ended
// by the first one's note-off.
void CheckOverlaps(const StyleSource& source, const SourcePart& part, const std::string& partName,
                   std::vector<SourceError>& errors) {
  std::vector<const SourceNote*> notes;
  for (const SourceNote& note : part.Notes) notes.push_back(&note);
  std::sort(notes.begin(), notes.end(), [](const SourceNote* a, const SourceNote* b) {
    return std::tie(a->Channel, a->Key, a->Start, a->Line) < std::tie(b->Channel, b->Key, b->Start, b->Line);
  });
  for (size_t i = 1; i < notes.size(); ++i) {
    const SourceNote& a = *notes[i - 1];
    const SourceNote& b = *notes[i];
    if (a.Channel != b.Channel || a.Key != b.Key || b.Start >= a.End) continue;
    const std::string key = a.Channel == 9 ? "key " + std::to_string(b.Key) : NoteNameOf(b.Key);
    errors.push_back({b.Line, key + " of channel '" + source.Channels[static_cast<size_t>(b.Channel)].Name +
                                  "' starts in " + partName + ", " +
                                  PositionText(b.Start, *source.MetreValue) + ", while the one of line " +
                                  std::to_string(a.Line) + " still sounds"});
  }
}

struct StreamEvent {
  int Tick = 0;
  bool On = false;
  int Channel = 0;
  int Key = 0;
  int Velocity = 0;

  auto Order() const { return std::tuple(Tick, On, Channel, Key); }  // note-offs first within a tick
};

class StreamLayout {
 public:
  StreamLayout(std::vector<uint8_t>& stream, int beatTicks) : stream_(stream), beatTicks_(beatTicks) {}

  void Message(uint8_t status, uint8_t data1, uint8_t data2) {
    stream_.insert(stream_.end(), {status, data1, data2});
  }

  // Delay bytes from the part's tick `time_` to `tick`, a run broken at every beat; remembers the
  // offset at which each quarter-note beat begins.
  void WaitUntil(int tick) {
    while (time_ < tick) {
      const int boundary = (time_ / beatTicks_ + 1) * beatTicks_;
      int run = std::min(tick, boundary) - time_;
      time_ += run;
      for (; run > 8; run -= 8) stream_.push_back(0xFF);
      stream_.push_back(static_cast<uint8_t>(0xF7 + run));
      if (time_ % 24 == 0) quarterOffsets_[time_ / 24] = static_cast<int32_t>(stream_.size());
    }
  }

  // The offset at which the part's time reaches `tick` (a multiple of 24), or `end` beyond the part.
  int32_t OffsetAtQuarter(int tick, int32_t end) const {
    auto found = quarterOffsets_.find(tick / 24);
    return found == quarterOffsets_.end() ? end : found->second;
  }

  void BeginPart() {
    time_ = 0;
    quarterOffsets_.clear();
  }

 private:
  std::vector<uint8_t>& stream_;
  int beatTicks_;
  int time_ = 0;
  std::map<int, int32_t> quarterOffsets_;
};

// Lays out one part at the end of the stream and fills its record's offsets.
void LayOutPart(const SourcePart& part, int measureTicks, StreamLayout& layout, std::vector<uint8_t>& stream,
                TStylePart& record) {
  std::vector<StreamEvent> events;
  for (const SourceNote& note : part.Notes) {
    events.push_back({note.Start, true, note.Channel, note.Key, note.Velocity});
    events.push_back({note.End, false, note.Channel, note.Key, 0});
  }
  std::sort(events.begin(), events.end(), [](const auto& a, const auto& b) { return a.Order() < b.Order(); });
  record.StartOffset = static_cast<int32_t>(stream.size());
  layout.BeginPart();
  for (const StreamEvent& event : events) {
    layout.WaitUntil(event.Tick);
    layout.Message(static_cast<uint8_t>(midi::kNoteOn | event.Channel), static_cast<uint8_t>(event.Key),
                   static_cast<uint8_t>(event.Velocity));
  }
  const int partTicks = part.Measures * measureTicks;
  layout.WaitUntil(partTicks);
  record.EndOffset = static_cast<int32_t>(stream.size());
  for (int beat = 1; beat <= 3; ++beat)
    record.EntryOffsets[static_cast<size_t>(beat - 1)] =
        beat * 24 < partTicks ? layout.OffsetAtQuarter(beat * 24, record.EndOffset) : record.EndOffset;
}

void Compile(const StyleSource& source, CompiledStyle& out) {
  const int endLine = std::max(1, source.LineCount);
  const int headerEnd = source.FirstPartLine > 0 ? source.FirstPartLine : endLine;
  auto error = [&](int line, std::string message) { out.Errors.push_back({line, std::move(message)}); };
  if (source.NameLine == 0) error(headerEnd, "the header has no 'style <name>' line");
  if (source.Tempo == 0) error(headerEnd, "the header has no 'tempo <beats per minute>' line");
  if (!source.MetreValue) error(headerEnd, "the header has no 'metre <metre>' line");
  if (!source.Parts[kBasic].Defined)
    error(endLine, "the style has no Basic part ('part Basic <n> measures')");

  std::array<bool, kChannelCount> used{};
  for (int p = 0; p < kPartCount; ++p) {
    const SourcePart& part = source.Parts[static_cast<size_t>(p)];
    for (const SourceNote& note : part.Notes) used[static_cast<size_t>(note.Channel)] = true;
    if (part.Defined)
      CheckOverlaps(source, part, std::string(kPartNames[static_cast<size_t>(p)]), out.Errors);
  }
  for (int c = 0; c < kChannelCount; ++c) {
    const SourceChannel& channel = source.Channels[static_cast<size_t>(c)];
    if (channel.Declared && !used[static_cast<size_t>(c)])
      error(channel.Line, "the channel '" + channel.Name + "' plays no note in any part");
  }
  if (!out.Ok()) return;

  const Metre metre = *source.MetreValue;
  const int measureTicks = TicksPerMeasure(metre.MeasureLength);
  TStyleHeader& header = out.Image.Header;
  header.Tempo = static_cast<int16_t>(source.Tempo);
  header.MeasureLength = StoredMeasureLength(metre);
  header.SuppressControllers = source.SuppressControllers ? 1 : 0;
  const SourcePart& intro = source.Parts[kIntro];
  header.IntroMeasures =
      static_cast<int16_t>(source.IntroMeasures.value_or(intro.Defined ? intro.Measures : 0));

  std::vector<uint8_t>& stream = out.Image.Stream;
  for (int c = 0; c < kChannelCount; ++c) {
    if (!used[static_cast<size_t>(c)]) continue;
    header.ChannelUsed[static_cast<size_t>(c)] = 1;
    const auto& values = source.Channels[static_cast<size_t>(c)].Setup.Values;
    header.Channels[static_cast<size_t>(c)].Values = values;
    for (int entry : kPreludeOrder) {
      const uint8_t value = values[static_cast<size_t>(entry)];
      if (value == kNotSet) continue;
      const auto channel = static_cast<uint8_t>(c);
      if (entry == kProgramEntry)
        stream.insert(stream.end(), {uint8_t(midi::kProgramChange | channel), value, 0});
      else if (entry == kPressureEntry)
        stream.insert(stream.end(), {uint8_t(midi::kChannelPressure | channel), value, 0});
      else
        stream.insert(stream.end(), {uint8_t(midi::kControlChange | channel), uint8_t(entry), value});
    }
  }

  StreamLayout layout(stream, BeatTicksOf(metre));
  int measure = 1;
  for (int p = 0; p < kPartCount; ++p) {
    const SourcePart& part = source.Parts[static_cast<size_t>(p)];
    if (!part.Defined) continue;
    TStylePart& record = out.Image.Parts[static_cast<size_t>(p)];
    record.FirstMeasure = static_cast<int16_t>(measure);
    record.LastMeasure = static_cast<int16_t>(measure + part.Measures - 1);
    record.Beat = 1;
    measure += part.Measures;
    record.Variation = part.Variation ? kVariationMarker : 0;
    for (int c = 0; c < kChannelCount; ++c) {
      const auto i = static_cast<size_t>(c);
      record.Mute[i] = part.Mute[i];
      record.CutNotes[i] = part.CutNotes[i] != 0 || source.Channels[i].CutNotes ? 1 : 0;
    }
    LayOutPart(part, measureTicks, layout, stream, record);
  }
  if (stream.size() > static_cast<size_t>(kStreamCapacity))
    error(endLine, "the style's event stream takes " + std::to_string(stream.size()) + " bytes; at most " +
                       std::to_string(kStreamCapacity) + " fit");
}

}  // namespace

CompiledStyle CompileStyleSource(std::string_view text) {
  CompiledStyle out;
  const StyleSource source = ParseStyleSource(text, out.Errors);
  out.Name = source.Name;
  if (out.Ok()) Compile(source, out);
  std::stable_sort(out.Errors.begin(), out.Errors.end(),
                   [](const SourceError& a, const SourceError& b) { return a.Line < b.Line; });
  return out;
}

std::string FormatSourceErrors(std::string_view file, const std::vector<SourceError>& errors) {
  std::string text;
  for (const SourceError& e : errors)
    text += std::string(file) + ":" + std::to_string(e.Line) + ": " + e.Message + "\n";
  return text;
}

}  // namespace kalo::styles
