#include "app/engine_rig.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "midi/event_listing.h"

namespace kalo::app::testing {

StyleWriter& StyleWriter::Part(int part, int measures, const BeatFn& beat, bool variation) {
  styles::TStylePart& record = parts_[static_cast<size_t>(part)];
  const int first = part + 1;  // any measure numbers above 0 will do
  record.FirstMeasure = static_cast<int16_t>(first);
  record.LastMeasure = static_cast<int16_t>(first + measures - 1);
  record.Beat = 1;
  record.StartOffset = static_cast<int32_t>(bytes_.size());
  record.EntryOffsets.fill(record.StartOffset);
  for (int m = 0; m < measures; ++m) {
    for (int b = 0; b < beats_; ++b) {
      if (m == 0 && b >= 1 && b <= 3)
        record.EntryOffsets[static_cast<size_t>(b) - 1] = static_cast<int32_t>(bytes_.size());
      beat(*this, part, m, b);
    }
  }
  record.EndOffset = static_cast<int32_t>(bytes_.size());
  if (variation) record.Variation = styles::kVariationMarker;
  lastPart_ = part;
  return *this;
}

StyleWriter& StyleWriter::DropFinalDelay() {
  while (!bytes_.empty() && bytes_.back() >= 0xF8) bytes_.pop_back();
  if (lastPart_ >= 0) parts_[static_cast<size_t>(lastPart_)].EndOffset = static_cast<int32_t>(bytes_.size());
  return *this;
}

config::Settings QuietSettings() {
  config::Settings settings;
  settings.Pad = false;
  settings.PlayIntro = false;
  settings.Quantize = 0;
  return settings;
}

EngineRig::EngineRig(const config::Settings& settings)
    : driver_(settings, host::ProgramFolder("/nonexistent-kalo-program-folder")) {}

void EngineRig::Load(const StyleWriter& style) {
  const std::vector<uint8_t> bytes = style.FileBytes();
  ASSERT_TRUE(driver_.LoadStyle("TEST.VXS", bytes));
}

std::vector<Event> EngineRig::Midiout(int64_t from) const {
  std::vector<Event> events;
  for (const midi::CapturedMessage& m : Capture.Midiout())
    if (m.Tick >= from) events.push_back({m.Tick, m.Bytes});
  return events;
}

std::vector<std::array<int64_t, 3>> EngineRig::NoteOns(int channel, int64_t from) const {
  std::vector<std::array<int64_t, 3>> notes;
  for (const Event& e : Midiout(from))
    if (e.Bytes.size() == 3 && e.Bytes[0] == (0x90 | channel) && e.Bytes[2] > 0)
      notes.push_back({e.Tick, e.Bytes[1], e.Bytes[2]});
  return notes;
}

std::vector<int64_t> EngineRig::AllNotesOffTicks() const {
  std::vector<int64_t> ticks;
  for (const Event& e : Midiout())
    if (e.Bytes == std::vector<uint8_t>{0xBF, 123, 0}) ticks.push_back(e.Tick);
  return ticks;
}

std::string EventLine(const midi::CapturedMessage& message) {
  std::string line;
  midi::AppendEventLine(line, message);
  if (!line.empty()) line.pop_back();
  return line;
}

bool WholeMessage(const std::vector<uint8_t>& b) {
  const auto data = [](auto from, auto to) {
    return std::all_of(from, to, [](uint8_t x) { return x < 0x80; });
  };
  if (b.size() >= 2 && b.front() == midi::kSysexStatus)
    return b.back() == midi::kSysexEnd && data(b.begin() + 1, b.end() - 1);
  return !b.empty() && b.size() == midi::ShortMessageLength(b[0]) && data(b.begin() + 1, b.end());
}

std::string StillSounding(const std::vector<midi::CapturedMessage>& messages) {
  std::map<std::pair<int, int>, int> sounding;
  for (const midi::CapturedMessage& m : messages) {
    const std::vector<uint8_t>& b = m.Bytes;
    if (b.size() != 3 || (b[0] == 0x99 && (b[1] == 37 || b[1] == 56))) continue;
    const int kind = b[0] & 0xF0, channel = b[0] & 0x0F;
    if (kind == midi::kNoteOn && b[2] > 0) {
      ++sounding[{channel, b[1]}];
    } else if (kind == midi::kNoteOff || kind == midi::kNoteOn) {
      sounding.erase({channel, b[1]});
    } else if (kind == midi::kControlChange && (b[1] == 120 || b[1] == 123)) {
      std::erase_if(sounding, [channel](const auto& entry) { return entry.first.first == channel; });
    }
  }
  std::string text;
  for (const auto& [note, count] : sounding)
    text += " channel " + std::to_string(note.first + 1) + " note " + std::to_string(note.second);
  return text;
}

}  // namespace kalo::app::testing
