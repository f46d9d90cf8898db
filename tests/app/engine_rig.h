#pragma once
// Styles written beat by beat, an offline session to play them in, and readers of what it sent.

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/offline_driver.h"
#include "styles/style_file.h"
#include "styles/style_records.h"

namespace kalo::app::testing {

struct Sound {
  int Channel;  // 0..15
  uint8_t Note;
  uint8_t Velocity = 100;
};

// A style of whole-measure parts. Every beat is written by a callback that gets the part, the
// measure (from 0) and the beat (from 0) and must account for exactly 24 ticks.
class StyleWriter {
 public:
  explicit StyleWriter(int beatsPerMeasure = 4) : beats_(beatsPerMeasure) {
    header_.MeasureLength = static_cast<int16_t>(beatsPerMeasure * 4);
    header_.Tempo = 120;
  }

  // The metre counts in eighth notes (a measure of three quarter notes becomes 6/8).
  StyleWriter& Eighths() {
    header_.MeasureLength = static_cast<int16_t>(-header_.MeasureLength);
    return *this;
  }
  // A program and volume at the start of the stream and in the channel's set-up.
  StyleWriter& Voice(int channel, uint8_t program, uint8_t volume = 100) {
    Message(static_cast<uint8_t>(0xC0 | channel), program, 0);
    Message(static_cast<uint8_t>(0xB0 | channel), 7, volume);
    header_.Channels[static_cast<size_t>(channel)].Values[96] = program;
    header_.Channels[static_cast<size_t>(channel)].Values[7] = volume;
    return *this;
  }
  // A note-on marks its channel used, as recording does.
  StyleWriter& Message(uint8_t status, uint8_t data1, uint8_t data2) {
    bytes_.insert(bytes_.end(), {status, data1, data2});
    if ((status & 0xF0) == 0x90 && data2 > 0) header_.ChannelUsed[status & 0x0F] = 1;
    return *this;
  }
  // `sounds` start together and end after `length` ticks; the rest of `ticks` is silence.
  StyleWriter& Play(const std::vector<Sound>& sounds, int length, int ticks = 24) {
    for (const Sound& s : sounds) Message(static_cast<uint8_t>(0x90 | s.Channel), s.Note, s.Velocity);
    Wait(length);
    for (const Sound& s : sounds) Message(static_cast<uint8_t>(0x90 | s.Channel), s.Note, 0);
    return Wait(ticks - length);
  }
  StyleWriter& Wait(int ticks) {
    for (; ticks > 8; ticks -= 8) bytes_.push_back(0xFF);
    if (ticks > 0) bytes_.push_back(static_cast<uint8_t>(0xF7 + ticks));
    return *this;
  }

  using BeatFn = std::function<void(StyleWriter&, int part, int measure, int beat)>;
  StyleWriter& Part(int part, int measures, const BeatFn& beat, bool variation = false);
  // The last part ends with its final message, without the delay that would close its last beat.
  StyleWriter& DropFinalDelay();

  std::vector<uint8_t> FileBytes() const { return styles::SerializeStyleFile(header_, parts_, bytes_); }

 private:
  int beats_;
  styles::TStyleHeader header_;
  styles::PartTable parts_{};
  std::vector<uint8_t> bytes_;
  int lastPart_ = -1;
};

// Settings that keep the session quiet apart from the style: no Harmonic PAD, no intro; one beat
// per chord step unless a test says otherwise.
config::Settings QuietSettings();

struct Event {
  int64_t Tick;
  std::vector<uint8_t> Bytes;
  bool operator==(const Event&) const = default;
};

// An offline session that has loaded a style.
class EngineRig {
 public:
  explicit EngineRig(const config::Settings& settings = QuietSettings());
  // Loads the style; fails the test when it is refused.
  void Load(const StyleWriter& style);
  OfflineCapture Run(const Timeline& timeline) { return Capture = driver_.Run(timeline); }
  Arranger& Session() { return driver_.Session(); }

  // What was sent on "Midiout", optionally only from `from` on.
  std::vector<Event> Midiout(int64_t from = 0) const;
  // Note-ons (velocity above 0) on a channel: tick, note, velocity.
  std::vector<std::array<int64_t, 3>> NoteOns(int channel, int64_t from = 0) const;
  // Ticks at which the engine silenced all 16 channels (Stop, the engine reset).
  std::vector<int64_t> AllNotesOffTicks() const;

  OfflineCapture Capture;

 private:
  OfflineDriver driver_;
};

// One line of the event list, without its line end.
std::string EventLine(const midi::CapturedMessage& message);

// One whole MIDI message whose data bytes are all below 128.
bool WholeMessage(const std::vector<uint8_t>& bytes);

// The notes still sounding after the last message ("" for none): note-ons not ended by a note-off of
// their key or by all sound off (120) or all notes off (123) on their channel. Metronome clicks
// (channel 10, notes 37 and 56) are one-shot percussion and never get a note-off.
std::string StillSounding(const std::vector<midi::CapturedMessage>& messages);

}  // namespace kalo::app::testing
