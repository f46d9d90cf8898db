#include "midi/standard_midi_file.h"

#include <gtest/gtest.h>
#include <smf.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "host/file_store.h"
#include "host/scratch_file.h"

namespace kalo::midi {
namespace {

// What libsmf reads from the file: header fields and one line per event, "<track> <tick> <bytes in hex>",
// with a track name shown as its text and the end-of-track events left out.
struct ReadBack {
  int Format = -1;
  int Ppqn = -1;
  std::vector<std::string> Events;
};

ReadBack ReadWithLibsmf(const std::vector<uint8_t>& bytes) {
  ReadBack result;
  std::unique_ptr<smf_t, void (*)(smf_t*)> smf(
      smf_load_from_memory(bytes.data(), static_cast<int>(bytes.size())), smf_delete);
  if (!smf) return result;
  result.Format = smf->format;
  result.Ppqn = smf->ppqn;
  for (int t = 1; t <= smf->number_of_tracks; ++t) {
    smf_track_t* track = smf_get_track_by_number(smf.get(), t);
    for (int e = 1; e <= track->number_of_events; ++e) {
      smf_event_t* event = smf_track_get_event_by_number(track, e);
      if (smf_event_is_eot(event)) continue;
      std::string line = std::to_string(t) + " " + std::to_string(event->time_pulses);
      const unsigned char* data = event->midi_buffer;
      if (event->midi_buffer_length > 3 && data[0] == 0xFF && data[1] == 0x03) {  // a short track name
        line += " \"" + std::string(data + 3, data + event->midi_buffer_length) + "\"";
        result.Events.push_back(line);
        continue;
      }
      for (int i = 0; i < event->midi_buffer_length; ++i) {
        char hex[4];
        std::snprintf(hex, sizeof hex, " %02x", data[i]);
        line += hex;
      }
      result.Events.push_back(line);
    }
  }
  return result;
}

TEST(StandardMidiFile, EveryEventComesBackWithItsTickAndBytesInItsChannelTrack) {
  const std::vector<CapturedMessage> messages = {
      {0, {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7}},  // GM reset
      {0, {0xC0, 48}},
      {0, {0x99, 36, 110}},  // drums on channel 10, between two channel-1 messages
      {0, {0x90, 60, 100}},
      {0, {0x90, 64, 100}},  // the same status again: running status where a file uses it
      {6, {0xF8}},           // clock: left out
      {24, {0x90, 60, 0}},   // note-off as velocity 0 ...
      {24, {0x90, 60, 90}},  // ... and a note-on of the same key at the same tick
      {24, {0x89, 36, 64}},
      {36, {0xD0, 20}},
      {48, {0xF0, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7}},  // XG reset, after the tempo change
      {60, {0xF2, 0x10, 0x00}},                                      // song position: left out
  };
  const std::vector<TempoChange> tempos = {{0, 120}, {48, 90}, {96, 200}};  // 500000, 666667, 300000 us
  auto encoded = EncodeStandardMidiFile(messages, tempos);
  ASSERT_TRUE(std::holds_alternative<std::vector<uint8_t>>(encoded)) << std::get<std::string>(encoded);
  const ReadBack file = ReadWithLibsmf(std::get<std::vector<uint8_t>>(encoded));
  EXPECT_EQ(file.Format, 1);
  EXPECT_EQ(file.Ppqn, 24);
  const std::vector<std::string> expected = {"1 0 ff 51 03 07 a1 20",
                                             "1 0 f0 7e 7f 09 01 f7",
                                             "1 48 ff 51 03 0a 2c 2b",
                                             "1 48 f0 43 10 4c 00 00 7e 00 f7",
                                             "1 96 ff 51 03 04 93 e0",
                                             "2 0 \"Channel 1\"",
                                             "2 0 c0 30",
                                             "2 0 90 3c 64",
                                             "2 0 90 40 64",
                                             "2 24 90 3c 00",
                                             "2 24 90 3c 5a",
                                             "2 36 d0 14",
                                             "3 0 \"Channel 10\"",
                                             "3 0 99 24 6e",
                                             "3 24 89 24 40"};
  EXPECT_EQ(file.Events, expected);
}

struct RefusedCase {
  const char* Name;
  std::vector<CapturedMessage> Messages;
  std::vector<TempoChange> Tempos;
  const char* Error;
};

TEST(StandardMidiFile, RefusesWhatAFileCannotHoldAndNamesIt) {
  const CapturedMessage ok{5, {0x90, 60, 1}};
  const RefusedCase cases[] = {
      {"negative tick", {{-1, {0x90, 60, 1}}}, {}, "message 1 (tick -1) lies outside"},
      {"tick going back", {ok, {4, {0x90, 60, 1}}}, {}, "message 2 (tick 4) comes before tick 5"},
      {"empty", {ok, {6, {}}}, {}, "message 2 (tick 6) is not a complete"},
      {"program change with a third byte", {{0, {0xC0, 1, 2}}}, {}, "message 1 (tick 0) is not"},
      {"data byte above 127", {{0, {0xB0, 7, 0x80}}}, {}, "message 1 (tick 0) is not"},
      {"sysex without its end", {{0, {0xF0, 0x7E, 0x01}}}, {}, "message 1 (tick 0) is not"},
      {"tempo too slow", {ok}, {{0, 120}, {24, 3}}, "tempo 2 (tick 24) of 3 lies outside 4.."},
      {"tempo going back", {ok}, {{24, 120}, {0, 100}}, "tempo 2 (tick 0) comes before tick 24"},
  };
  for (const RefusedCase& c : cases) {
    auto encoded = EncodeStandardMidiFile(c.Messages, c.Tempos);
    const auto* error = std::get_if<std::string>(&encoded);
    ASSERT_NE(error, nullptr) << c.Name;
    EXPECT_NE(error->find(c.Error), std::string::npos) << c.Name << ": " << *error;
  }
}

TEST(StandardMidiFile, WritingReplacesTheTargetOnlyWhenTheEventsCanBeStored) {
  host::ScratchFile target("kalo-smf-test-");
  ASSERT_FALSE(target.Path().empty()) << target.Error();
  const std::vector<uint8_t> before = {'k', 'e', 'e', 'p'};
  ASSERT_FALSE(host::WriteFileSafely(target.Path(), before));

  const std::vector<CapturedMessage> bad = {{0, {0x90, 60}}};
  EXPECT_TRUE(WriteStandardMidiFile(target.Path(), bad, {}));
  EXPECT_EQ(host::ReadFilePrefix(target.Path(), 100), before);

  const std::vector<CapturedMessage> good = {{3, {0x95, 60, 100}}};
  EXPECT_EQ(WriteStandardMidiFile(target.Path(), good, {}), std::nullopt);  // no tempo: 120
  const ReadBack file = ReadWithLibsmf(host::ReadFilePrefix(target.Path(), 1000).value_or(before));
  EXPECT_EQ(file.Format, 1);
  EXPECT_EQ(file.Events,
            (std::vector<std::string>{"1 0 ff 51 03 07 a1 20", "2 0 \"Channel 6\"", "2 3 95 3c 64"}));
}

}  // namespace
}  // namespace kalo::midi
