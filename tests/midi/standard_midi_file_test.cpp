#include "midi/standard_midi_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "config/temp_folder.h"
#include "host/file_store.h"
#include "midi/smf_read_back.h"

namespace kalo::midi {
namespace {

using testing::ReadSmf;
using testing::SmfReadBack;

// "<track> <tick> <bytes in hex>" per event.
std::vector<std::string> Lines(const SmfReadBack& file) {
  std::vector<std::string> lines;
  for (const testing::SmfEvent& event : file.Events) {
    std::string line = std::to_string(event.Track) + " " + std::to_string(event.Tick);
    for (uint8_t byte : event.Bytes) {
      char hex[4];
      std::snprintf(hex, sizeof hex, " %02x", byte);
      line += hex;
    }
    lines.push_back(line);
  }
  return lines;
}

// Messages written as "<tick> <bytes in hex>".
std::vector<CapturedMessage> Messages(const std::vector<std::string>& lines) {
  std::vector<CapturedMessage> messages;
  for (const std::string& line : lines) {
    std::istringstream in(line);
    CapturedMessage message;
    in >> message.Tick >> std::hex;
    for (unsigned byte = 0; in >> byte;) message.Bytes.push_back(static_cast<uint8_t>(byte));
    messages.push_back(message);
  }
  return messages;
}

SmfReadBack Encoded(const SmfContent& content) {
  auto encoded = EncodeStandardMidiFile(content);
  if (const auto* error = std::get_if<std::string>(&encoded)) ADD_FAILURE() << *error;
  const auto* bytes = std::get_if<std::vector<uint8_t>>(&encoded);
  return bytes ? ReadSmf(*bytes) : SmfReadBack{};
}

TEST(StandardMidiFile, TheConductorHoldsMetreTempoAndSystemExclusiveAndEachChannelItsNamedTrack) {
  // An XG reset; drums between two channel-1 messages; a clock and a song position, left out; a message
  // after the tempo and the metre of its tick.
  const std::vector<CapturedMessage> messages =
      Messages({"0 f0 43 10 4c 00 00 7e 00 f7", "0 c0 30", "0 99 24 6e", "0 90 3c 64", "6 f8", "24 90 3c 00",
                "24 89 24 40", "36 d0 14", "48 f0 41 01 f7", "60 f2 10 00"});
  const std::vector<TempoChange> tempos = {{0, 120}, {48, 90}, {96, 200}};  // 500000, 666667, 300000 us
  const std::vector<TimeSignatureChange> metres = {{0, 4, 4}, {48, 3, 4}, {120, 6, 8}};
  SmfContent content{.Messages = messages, .Tempos = tempos, .TimeSignatures = metres};
  content.TrackNames[0] = "Strings";
  const SmfReadBack file = Encoded(content);
  EXPECT_EQ(file.Format, 1);
  EXPECT_EQ(file.Ppqn, 24);
  EXPECT_EQ(file.TrackNames, (std::vector<std::string>{"", "Strings", "Channel 10"}));
  EXPECT_EQ(Lines(file),
            (std::vector<std::string>{"1 0 ff 58 04 04 02 18 08", "1 0 ff 51 03 07 a1 20",
                                      "1 0 f0 43 10 4c 00 00 7e 00 f7", "1 48 ff 58 04 03 02 18 08",
                                      "1 48 ff 51 03 0a 2c 2b", "1 48 f0 41 01 f7", "1 96 ff 51 03 04 93 e0",
                                      "1 120 ff 58 04 06 03 0c 08", "2 0 c0 30", "2 0 90 3c 64",
                                      "2 24 90 3c 00", "2 36 d0 14", "3 0 99 24 6e", "3 24 89 24 40"}));
}

TEST(StandardMidiFile, EveryNoteEndsWithANoteOffWhereItsSoundEndedAndNoneLastsZeroTicks) {
  struct Row {
    const char* Name;
    std::vector<std::string> Messages;
    int64_t EndTick;
    std::vector<std::string> Track2;  // the first channel's track, without "2 " before each event
  };
  const Row rows[] = {
      {"note-offs of either form stay as sent",
       {"0 90 3c 64", "0 90 40 64", "12 80 3c 40", "12 90 40 00"},
       -1,
       {"0 90 3c 64", "0 90 40 64", "12 80 3c 40", "12 90 40 00"}},
      {"controller 120 at a chord change ends the held notes just before it",
       {"0 90 3c 64", "0 90 40 64", "24 b0 78 00", "24 90 3e 5a"},
       48,
       {"0 90 3c 64", "0 90 40 64", "24 80 3c 00", "24 80 40 00", "24 b0 78 00", "24 90 3e 5a",
        "48 80 3e 00"}},
      {"a part change re-voicing a note ended in its own tick keeps one note",
       {"0 90 3c 64", "24 b0 78 00", "24 90 3e 5a", "24 90 3e 00", "24 90 3e 5a", "48 90 3e 00"},
       -1,
       {"0 90 3c 64", "24 80 3c 00", "24 b0 78 00", "24 90 3e 5a", "48 90 3e 00"}},
      {"Stop's controller 123 ends the notes; the engine's later note-off is left out",
       {"0 90 3c 64", "30 b0 40 00", "30 b0 7b 00", "31 80 3c 00"},
       -1,
       {"0 90 3c 64", "30 b0 40 00", "30 80 3c 00", "30 b0 7b 00"}},
      {"a key struck again ends its note first; of two strikes in one tick the later stays",
       {"0 90 3c 64", "12 90 3c 50", "24 80 3c 00", "30 90 3c 64", "30 90 3c 50", "40 80 3c 00"},
       -1,
       {"0 90 3c 64", "12 80 3c 00", "12 90 3c 50", "24 80 3c 00", "30 90 3c 50", "40 80 3c 00"}},
      {"a GM reset and a system reset end the notes of every channel",
       {"0 90 3c 64", "36 f0 7e 7f 09 01 f7", "40 90 3c 00", "50 90 3c 64", "60 ff"},
       -1,
       {"0 90 3c 64", "36 80 3c 00", "50 90 3c 64", "60 80 3c 00"}},
      {"notes still sounding end at the end, or a tick after they began there",
       {"0 90 3c 64", "48 90 40 64"},
       -1,
       {"0 90 3c 64", "48 90 40 64", "48 80 3c 00", "49 80 40 00"}},
      {"a note still sounding ends at the end of the music",
       {"0 90 3c 64"},
       96,
       {"0 90 3c 64", "96 80 3c 00"}},
  };
  for (const Row& row : rows) {
    const std::vector<CapturedMessage> messages = Messages(row.Messages);
    const SmfReadBack file = Encoded({.Messages = messages, .EndTick = row.EndTick});
    std::vector<std::string> track2;
    for (const std::string& line : Lines(file))
      if (line.rfind("2 ", 0) == 0) track2.push_back(line.substr(2));
    EXPECT_EQ(track2, row.Track2) << row.Name;
    EXPECT_EQ(testing::NotePairingProblems(file), "") << row.Name;
  }
}

struct RefusedCase {
  const char* Name;
  std::vector<CapturedMessage> Messages;
  std::vector<TempoChange> Tempos;
  std::vector<TimeSignatureChange> Metres;
  const char* Error;
};

TEST(StandardMidiFile, RefusesWhatAFileCannotHoldAndNamesIt) {
  const CapturedMessage ok{5, {0x90, 60, 1}};
  const RefusedCase cases[] = {
      {"negative tick", {{-1, {0x90, 60, 1}}}, {}, {}, "message 1 (tick -1) lies outside"},
      {"tick going back", {ok, {4, {0x90, 60, 1}}}, {}, {}, "message 2 (tick 4) comes before tick 5"},
      {"empty", {ok, {6, {}}}, {}, {}, "message 2 (tick 6) is not a complete"},
      {"program change with a third byte", {{0, {0xC0, 1, 2}}}, {}, {}, "message 1 (tick 0) is not"},
      {"data byte above 127", {{0, {0xB0, 7, 0x80}}}, {}, {}, "message 1 (tick 0) is not"},
      {"sysex without its end", {{0, {0xF0, 0x7E, 0x01}}}, {}, {}, "message 1 (tick 0) is not"},
      {"tempo too slow", {ok}, {{0, 120}, {24, 3}}, {}, "tempo 2 (tick 24) of 3 lies outside 4.."},
      {"tempo going back", {ok}, {{24, 120}, {0, 100}}, {}, "tempo 2 (tick 0) comes before tick 24"},
      {"a metre in halves", {ok}, {}, {{0, 2, 2}}, "time signature 1 (tick 0) 2/2 is not"},
      {"a metre going back", {ok}, {}, {{9, 3, 4}, {8, 4, 4}}, "time signature 2 (tick 8) comes before"},
  };
  for (const RefusedCase& c : cases) {
    auto encoded =
        EncodeStandardMidiFile({.Messages = c.Messages, .Tempos = c.Tempos, .TimeSignatures = c.Metres});
    const auto* error = std::get_if<std::string>(&encoded);
    ASSERT_NE(error, nullptr) << c.Name;
    EXPECT_NE(error->find(c.Error), std::string::npos) << c.Name << ": " << *error;
  }
}

TEST(StandardMidiFile, WritingReplacesTheTargetOnlyWhenTheEventsCanBeStored) {
  config::testing::TempFolder temp;
  const std::filesystem::path target = temp.Write("song.mid", "keep");

  const std::vector<CapturedMessage> bad = {{0, {0x90, 60}}};
  EXPECT_TRUE(WriteStandardMidiFile(target, {.Messages = bad}));
  EXPECT_EQ(config::testing::ReadText(target), "keep");

  const std::vector<CapturedMessage> good = {{3, {0x95, 60, 100}}};
  EXPECT_EQ(WriteStandardMidiFile(target, {.Messages = good}), std::nullopt);  // no tempo and metre: 120, 4/4
  const SmfReadBack file = ReadSmf(host::ReadFilePrefix(target, 1000).value_or(std::vector<uint8_t>{}));
  EXPECT_EQ(Lines(file), (std::vector<std::string>{"1 0 ff 58 04 04 02 18 08", "1 0 ff 51 03 07 a1 20",
                                                   "2 3 95 3c 64", "2 4 85 3c 00"}));
  EXPECT_EQ(file.TrackNames.back(), "Channel 6");
}

}  // namespace
}  // namespace kalo::midi
