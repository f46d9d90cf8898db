#include "midi/standard_midi_file_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "midi/standard_midi_file.h"

namespace kalo::midi {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Vlq(uint32_t value) {
  Bytes out{static_cast<uint8_t>(value & 0x7F)};
  while (value >>= 7) out.insert(out.begin(), static_cast<uint8_t>((value & 0x7F) | 0x80));
  return out;
}

Bytes operator+(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

Bytes BigEndian(uint32_t value, int bytes) {
  Bytes out;
  for (int shift = 8 * (bytes - 1); shift >= 0; shift -= 8)
    out.push_back(static_cast<uint8_t>(value >> shift));
  return out;
}

Bytes Chunk(const std::string& id, const Bytes& data, int64_t claimed = -1) {
  return Bytes(id.begin(), id.end()) +
         BigEndian(static_cast<uint32_t>(claimed < 0 ? data.size() : claimed), 4) + data;
}

Bytes Header(int format, int tracks, uint16_t division) {
  return Chunk("MThd", BigEndian(static_cast<uint32_t>(format), 2) +
                           BigEndian(static_cast<uint32_t>(tracks), 2) + BigEndian(division, 2));
}

const Bytes kEndOfTrack = {0x00, 0xFF, 0x2F, 0x00};
// Two notes, the second in running status: C4 on at 0, off at 48; E4 on at 48 and off at 96.
const Bytes kNotes = Vlq(0) + Bytes{0x90, 60, 100} + Vlq(48) + Bytes{0x80, 60, 0} + Vlq(0) +
                     Bytes{0x90, 64, 90} + Vlq(48) + Bytes{64, 0};

std::string ErrorOf(const Bytes& file) {
  auto read = ReadStandardMidiFile(file);
  const auto* error = std::get_if<std::string>(&read);
  return error ? *error : "";
}

TEST(StandardMidiFileReader, DamagedFilesAreRefusedWithTheirReason) {
  const Bytes track = kNotes + kEndOfTrack;
  struct Case {
    const char* Name;
    Bytes File;
    const char* Reason;
  };
  const std::vector<Case> cases = {
      {"no MIDI file", Bytes{'R', 'I', 'F', 'F', 0, 0, 0, 4, 'W', 'A', 'V', 'E'}, "not a Standard MIDI File"},
      {"header cut off", Bytes{'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1}, "cut short in its header"},
      {"track cut off", Header(0, 1, 96) + Chunk("MTrk", track, 200), "chunk 1 announces 200 bytes"},
      {"header too long", Chunk("MThd", Bytes(6, 0), 4000), "header chunk announces"},
      {"tracks missing", Header(1, 3, 96) + Chunk("MTrk", track), "announces 3 tracks and holds 1"},
      {"format 2", Header(2, 1, 96) + Chunk("MTrk", track), "format 2"},
      {"no division", Header(0, 1, 0) + Chunk("MTrk", track), "no time division"},
      {"message cut off at the end of its track", Header(0, 1, 96) + Chunk("MTrk", Vlq(0) + Bytes{0x90, 60}),
       "the file is damaged"},
      {"running status after a meta event",
       Header(0, 1, 96) + Chunk("MTrk", Vlq(0) + Bytes{0x90, 60, 100} + Vlq(10) + Bytes{0xFF, 0x06, 1, 'A'} +
                                            Vlq(0) + Bytes{62, 100} + kEndOfTrack),
       "the file is damaged"},
      {"sysex longer than its track", Header(0, 1, 96) + Chunk("MTrk", Vlq(0) + Bytes{0xF0, 0x7F, 1}),
       "the file is damaged"},
      // libsmf would abort the program on these two rather than report them.
      {"escaped event",
       Header(0, 1, 96) + Chunk("MTrk", kNotes + Vlq(0) + Bytes{0xF7, 1, 0xF8} + kEndOfTrack),
       "track 1 holds an escaped (F7) event"},
      {"escaped event in running status's place",
       Header(1, 2, 96) + Chunk("MTrk", kEndOfTrack) + Chunk("MTrk", Vlq(0) + Bytes{0xF7, 0} + kEndOfTrack),
       "track 2 holds an escaped (F7) event"},
  };
  for (const Case& c : cases)
    EXPECT_NE(ErrorOf(c.File).find(c.Reason), std::string::npos) << c.Name << ": " << ErrorOf(c.File);
}

TEST(StandardMidiFileReader, ReadsRunningStatusSkipsUnknownChunksAndClosesTracksWithoutEnd) {
  const Bytes tempo = Vlq(0) + Bytes{0xFF, 0x51, 3, 0x07, 0xA1, 0x20};                // 500000 us: 120 bpm
  const Bytes signature = Vlq(0) + Bytes{0xFF, 0x58, 4, 3, 2, 24, 8};                 // 3/4
  const Bytes marker = Vlq(96) + Bytes{0xFF, 0x06, 6, 'M', 'a', 'i', 'n', ' ', 'A'};  // at 96
  const Bytes file = Header(1, 2, 96) + Chunk("MTrk", tempo + signature + marker + kEndOfTrack) +
                     Chunk("XFIH", Bytes{1, 2, 3, 4}) + Chunk("MTrk", kNotes) + Bytes{0, 0};
  auto read = ReadStandardMidiFile(file);
  ASSERT_TRUE(std::holds_alternative<SmfFileData>(read)) << std::get<std::string>(read);
  const SmfFileData& content = std::get<SmfFileData>(read);
  EXPECT_EQ(content.TrackCount, 2);
  EXPECT_EQ(content.PulsesPerQuarter, 96);
  ASSERT_EQ(content.Events.size(), 4u);
  EXPECT_EQ(content.Events[3].Pulse, 96);
  EXPECT_EQ(content.Events[3].Status, 0x90);  // running status kept the note-on status
  EXPECT_EQ(content.Events[3].Data1, 64);
  EXPECT_EQ(content.Events[3].Track, 2);
  ASSERT_EQ(content.Tempi.size(), 1u);
  EXPECT_EQ(content.Tempi[0].MicrosPerQuarter, 500000);
  ASSERT_EQ(content.TimeSignatures.size(), 1u);
  EXPECT_EQ(content.TimeSignatures[0].Numerator, 3);
  EXPECT_EQ(content.TimeSignatures[0].Denominator, 4);
  ASSERT_EQ(content.Texts.size(), 1u);
  EXPECT_EQ(content.Texts[0].Text, "Main A");
  EXPECT_EQ(content.EndPulse, 96);
}

TEST(StandardMidiFileReader, SmpteDivisionGivesPulsesPerSecond) {
  // 25 frames of 40 pulses: 1000 pulses a second.
  auto read = ReadStandardMidiFile(Header(0, 1, 0xE728) + Chunk("MTrk", kNotes + kEndOfTrack));
  ASSERT_TRUE(std::holds_alternative<SmfFileData>(read));
  EXPECT_EQ(std::get<SmfFileData>(read).PulsesPerQuarter, 0);
  EXPECT_DOUBLE_EQ(std::get<SmfFileData>(read).PulsesPerSecond, 1000.0);
}

TEST(StandardMidiFileReader, WhatTheWriterWritesReadsBackInTimeOrder) {
  const std::vector<CapturedMessage> messages = {
      {0, {0xC1, 33}}, {0, {0x91, 40, 100}}, {0, {0x99, 36, 110}}, {12, {0x81, 40, 0}}, {24, {0xE1, 0, 64}}};
  const std::vector<TempoChange> tempi{{0, 90}};
  auto encoded = EncodeStandardMidiFile({.Messages = messages, .Tempos = tempi});
  ASSERT_TRUE(std::holds_alternative<std::vector<uint8_t>>(encoded));
  auto read = ReadStandardMidiFile(std::get<std::vector<uint8_t>>(encoded));
  ASSERT_TRUE(std::holds_alternative<SmfFileData>(read));
  const SmfFileData& content = std::get<SmfFileData>(read);
  std::vector<std::string> events;
  for (const SmfChannelEvent& e : content.Events)
    events.push_back(std::to_string(e.Pulse) + ":" + std::to_string(e.Status) + "," +
                     std::to_string(e.Data1) + "," + std::to_string(e.Data2));
  // The writer keeps a track per channel; the lower track comes first at equal times. The drum note still
  // sounding at the end gets its note-off there.
  EXPECT_EQ(events, (std::vector<std::string>{"0:193,33,0", "0:145,40,100", "0:153,36,110", "12:129,40,0",
                                              "24:225,0,64", "24:137,36,0"}));
  EXPECT_EQ(content.Tempi.at(0).MicrosPerQuarter, 666667);
}

}  // namespace
}  // namespace kalo::midi
