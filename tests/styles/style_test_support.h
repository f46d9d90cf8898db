#pragma once
// Building styles in code and recording what TGen asks of the rest of the program.

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "config/options.h"
#include "config/settings.h"
#include "config/temp_folder.h"
#include "host/dialogs.h"
#include "host/display.h"
#include "host/program_folder.h"
#include "host/web_links.h"
#include "styles/style_creator.h"
#include "styles/style_file.h"

namespace kalo::styles::testing {

// An event stream written item by item.
class StreamBuilder {
 public:
  // Delay bytes for `ticks` ticks: full 0xFF bytes, then the rest.
  StreamBuilder& Wait(int ticks) {
    for (; ticks > 8; ticks -= 8) bytes_.push_back(0xFF);
    if (ticks > 0) bytes_.push_back(static_cast<uint8_t>(0xF7 + ticks));
    return *this;
  }
  StreamBuilder& Message(uint8_t status, uint8_t data1, uint8_t data2) {
    bytes_.insert(bytes_.end(), {status, data1, data2});
    return *this;
  }
  StreamBuilder& NoteOn(int channel, uint8_t note, uint8_t velocity = 100) {
    return Message(static_cast<uint8_t>(0x90 | channel), note, velocity);
  }
  StreamBuilder& NoteOff(int channel, uint8_t note) {
    return Message(static_cast<uint8_t>(0x90 | channel), note, 0);
  }
  int32_t Size() const { return static_cast<int32_t>(bytes_.size()); }
  const std::vector<uint8_t>& Bytes() const { return bytes_; }

 private:
  std::vector<uint8_t> bytes_;
};

// A part record over [start, end) that exists (first measure `first`).
inline TStylePart MakePart(int16_t first, int16_t last, int32_t start, int32_t end,
                           std::array<int32_t, 3> entries = {0, 0, 0}) {
  TStylePart part;
  part.FirstMeasure = first;
  part.LastMeasure = last;
  part.Beat = 1;
  part.StartOffset = start;
  part.EndOffset = end;
  part.EntryOffsets = {entries[0] == 0 ? start : entries[0], entries[1] == 0 ? start : entries[1],
                       entries[2] == 0 ? start : entries[2]};
  return part;
}

// A 4/4 style of four one-measure parts: Intro, Basic, Extended, Fill in Basic, each a note on
// channel 1 (index 0) held for one beat, then three beats of rest; channel 1 and 10 used.
struct SampleStyle {
  TStyleHeader Header;
  PartTable Parts{};
  std::vector<uint8_t> Stream;
  std::vector<uint8_t> FileBytes() const { return SerializeStyleFile(Header, Parts, Stream); }
};

inline SampleStyle MakeSampleStyle() {
  SampleStyle style;
  style.Header.Tempo = 120;
  style.Header.IntroMeasures = 2;
  style.Header.MeasureLength = 16;
  style.Header.ChannelUsed[0] = 1;
  style.Header.ChannelUsed[9] = 1;
  style.Header.Channels[0].Values[7] = 90;  // as the stream sets it
  style.Header.Channels[0].Values[96] = 5;
  StreamBuilder stream;
  stream.Message(0xB0, 7, 90).Message(0xC0, 5, 0);
  const int parts[] = {kIntro, kBasic, kExtended, kFillInBasic};
  for (int i = 0; i < 4; ++i) {
    const int32_t start = stream.Size();
    std::array<int32_t, 3> entries{};
    stream.NoteOn(0, static_cast<uint8_t>(60 + i)).Wait(24).NoteOff(0, static_cast<uint8_t>(60 + i));
    entries[0] = stream.Size();
    stream.NoteOn(9, 36).Wait(24);
    entries[1] = stream.Size();
    stream.NoteOn(9, 38).Wait(24);
    entries[2] = stream.Size();
    stream.NoteOn(9, 42).Wait(24);
    style.Parts[static_cast<size_t>(parts[i])] =
        MakePart(static_cast<int16_t>(i + 1), static_cast<int16_t>(i + 1), start, stream.Size(), entries);
  }
  style.Stream = stream.Bytes();
  return style;
}

struct FakePlayer : StylePlayer {
  void Stop() override { ++Stops; }
  void RevoiceHeld(bool partChange, bool partSelect) override {
    Revoices.push_back({partChange, partSelect});
  }
  void StartFadeOut() override { ++FadeOuts; }
  void SetPartStart(bool on) override { PartStart = on; }
  void ResetCountersForFreshStart() override { ++CounterResets; }
  void Send(uint8_t status, uint8_t data1, uint8_t data2) override { Sent.push_back({status, data1, data2}); }

  int Stops = 0, FadeOuts = 0, CounterResets = 0;
  bool PartStart = false;
  std::vector<std::array<bool, 2>> Revoices;
  std::vector<std::array<uint8_t, 3>> Sent;
};

struct FakeMixer : ChannelSetupSink {
  uint8_t KeyboardChannel() const override { return Keyboard; }
  void SetKeyboardChannel(uint8_t channel) override { Keyboard = channel; }
  void ApplyChannelSetup(uint8_t channel, const std::array<uint8_t, 13>& entries,
                         bool updateControls) override {
    Applied.push_back({channel, entries, updateControls});
  }
  void SetLiveController(uint8_t channel, uint8_t controller, uint8_t value) override {
    Live.push_back({channel, controller, value});
  }

  struct Application {
    uint8_t Channel;
    std::array<uint8_t, 13> Entries;
    bool UpdateControls;
  };
  uint8_t Keyboard = 0;
  std::vector<Application> Applied;
  std::vector<std::array<uint8_t, 3>> Live;
};

struct FakeHost : StyleCreatorHost {
  bool Recording() const override { return IsRecording; }
  int Transposition() const override { return TranspositionValue; }
  bool MutedByHand(int channel) const override { return HandMuted[static_cast<size_t>(channel)]; }
  void SetLiveMute(int channel, bool muted) override { LiveMute[static_cast<size_t>(channel)] = muted; }
  void SetTempo(int bpm) override { Tempo = bpm; }
  void SetRecordStartMeasure(int measure) override { RecordStart = measure; }
  void SetMeasureLength(int measureLength) override { MeasureLength = measureLength; }
  void SetStyleMode(bool on) override { StyleMode = on; }
  void SetGoToEndEnabled(bool enabled) override { GoToEnd = enabled; }
  bool ChordmemoryEmpty() const override { return Chords.Empty(); }
  void ClearChordmemory() override { Chords = song::Chordmemory::Cleared(); }
  void LoadChordmemory(const song::Chordmemory& image) override { Chords = image; }
  song::Chordmemory CurrentChordmemory() const override { return Chords; }
  void StopRecording() override { ++RecordingStops; }

  bool IsRecording = false, StyleMode = false, GoToEnd = false;
  int TranspositionValue = 0, Tempo = 0, RecordStart = -1000, MeasureLength = 0, RecordingStops = 0;
  std::array<bool, 16> HandMuted{}, LiveMute{};
  song::Chordmemory Chords = song::Chordmemory::Cleared();
};

// A TGen over fakes, with a temporary program folder that holds STYLES/.
struct TGenBench {
  TGenBench() {
    std::filesystem::create_directories(Root / "STYLES");
    Settings.PlayIntro = false;
  }

  // Writes bytes to a file below the program folder and returns its path.
  std::string WriteFile(const std::string& relative, const std::vector<uint8_t>& bytes) const {
    return Temp.Write(relative, std::string(bytes.begin(), bytes.end())).string();
  }

  config::testing::TempFolder Temp;
  std::filesystem::path Root = Temp.Path();
  host::ProgramFolder Folder{Root};
  host::RecordingDialogs Dialogs;
  host::RecordingDisplay Display;
  host::RecordingWebLinks Links;
  config::Settings Settings;
  config::Options Options;
  FakeHost Host;
  FakePlayer Player;
  FakeMixer Mixer;
  TGen Gen{TGenContext{Dialogs, Display, Links, Folder, Settings, Options, Host, Player, Mixer}};
};

}  // namespace kalo::styles::testing
