#include "styles/midi_import.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "styles/style_stream.h"

namespace kalo::styles {
namespace {

midi::SmfFileData Content(std::vector<midi::SmfChannelEvent> events, int ppq = 24) {
  midi::SmfFileData content;
  content.PulsesPerQuarter = ppq;
  content.TrackCount = 1;
  content.Events = std::move(events);
  return content;
}

// "<tick> <status> <data1> <data2>" for every message of the stream.
std::vector<std::string> Messages(const ImportedMaterial& material) {
  std::vector<std::string> out;
  ForEachMessage(material.Stream, 0, static_cast<int32_t>(material.Stream.size()),
                 [&](const StreamMessage& m) {
                   out.push_back(std::to_string(m.Tick) + " " + std::to_string(m.Status) + " " +
                                 std::to_string(m.Data1) + " " + std::to_string(m.Data2));
                 });
  return out;
}

ImportedMaterial Import(const midi::SmfFileData& content, const ImportOptions& options = {}) {
  auto result = ImportMidiMaterial(content, options, Metre{});
  EXPECT_TRUE(std::holds_alternative<ImportedMaterial>(result)) << std::get<std::string>(result);
  return std::holds_alternative<ImportedMaterial>(result) ? std::get<ImportedMaterial>(result)
                                                          : ImportedMaterial{};
}

TEST(MidiImport, OptionsMovePercussionDropOtherSoundsAndSnapStartsATickOff) {
  // Channel 11 selects the XG drum bank before its first note.
  const midi::SmfFileData drums = Content({{0, 0xBA, 0, 127},
                                          {0, 0xCA, 25, 0},
                                          {0, 0x9A, 36, 100},
                                          {0, 0x99, 30, 90},
                                          {12, 0x8A, 36, 0},
                                          {12, 0x89, 30, 0}});
  ImportOptions move;
  move.MovePercussion = true;
  move.StandardPercussionOnly = true;
  const ImportedMaterial moved = Import(drums, move);
  EXPECT_EQ(moved.MovedChannels, std::vector<int>{11});
  EXPECT_EQ(moved.DroppedPercussion, 1);
  EXPECT_EQ(Messages(moved), (std::vector<std::string>{"0 153 36 100", "12 137 36 0"}));
  EXPECT_EQ(Messages(Import(drums)).size(), 4u);  // without the options: both notes, on their channels

  // A GS rhythm part (part 11: channel 11) and a track named for percussion (channel 12) move too.
  midi::SmfFileData gs = Content({{0, 0x9A, 38, 100}, {0, 0x9B, 39, 100}, {0, 0x92, 60, 100}});
  gs.TrackCount = 2;
  gs.Events[1].Track = 2;
  gs.Sysex.push_back({0, 1, {0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x1A, 0x15, 0x02, 0x0F, 0xF7}});
  gs.Texts.push_back({0, 2, 0x03, "Perc. 2"});
  EXPECT_EQ(Import(gs, move).MovedChannels, (std::vector<int>{11, 12}));

  ImportOptions timing;
  timing.OptimizeTiming = true;
  const midi::SmfFileData played = Content({{23, 0x90, 60, 100},
                                           {30, 0x80, 60, 0},
                                           {45, 0x90, 62, 100},
                                           {50, 0x80, 62, 0},
                                           {54, 0x90, 64, 100},
                                           {60, 0x80, 64, 0}});
  const ImportedMaterial snapped = Import(played, timing);
  // 23 is a tick before the beat and moves there with its end; 45 lies 3 ticks off every grid point
  // and stays; 54 is on the sixteenth grid already.
  EXPECT_EQ(Messages(snapped), (std::vector<std::string>{"24 144 60 100", "31 128 60 0", "45 144 62 100",
                                                         "50 128 62 0", "54 144 64 100", "60 128 64 0"}));
  EXPECT_EQ(snapped.MovedNotes, 1);
}

TEST(MidiImport, SetUpIsTheSoundAtTheFirstNoteAndResetsStayOutOfTheStream) {
  const ImportedMaterial material = Import(Content({{0, 0xB1, 93, 0},
                                                    {0, 0xB1, 121, 0},
                                                    {0, 0xB1, 7, 100},
                                                    {0, 0xB1, 64, 0},
                                                    {0, 0xB1, 7, 80},
                                                    {0, 0xC1, 33, 0},
                                                    {24, 0x91, 40, 100},
                                                    {36, 0xB1, 7, 60},
                                                    {48, 0xB1, 123, 0},
                                                    {48, 0x81, 40, 0}}));
  EXPECT_EQ(material.Header.Channels[1].Values[7], 80);
  EXPECT_EQ(material.Header.Channels[1].Values[96], 33);
  EXPECT_EQ(material.Header.Channels[1].Values[93], kNotSet);  // set before the reset
  EXPECT_TRUE(material.Header.Used(1));
  EXPECT_FALSE(material.Header.Used(0));
  // All notes off ends the note there; the note's own note-off after it is left out.
  EXPECT_EQ(Messages(material), (std::vector<std::string>{"24 145 40 100", "36 177 7 60", "48 145 40 0"}));
  // One measure of 4/4, padded to its end, every beat reached by the last byte of a delay run.
  EXPECT_EQ(material.Measures, 1);
  EXPECT_EQ(TicksIn(material.Stream, 0, static_cast<int32_t>(material.Stream.size())), 96);
  EXPECT_EQ(material.EndPosition, 20);
}

TEST(MidiImport, NotesEndedByAChannelModeMessageEndThere) {
  const ImportedMaterial material = Import(Content({{0, 0x92, 60, 90},
                                                    {0, 0x92, 64, 90},
                                                    {0, 0x93, 67, 90},
                                                    {12, 0x92, 64, 0},
                                                    {24, 0xB2, 120, 0},
                                                    {24, 0x92, 72, 90},
                                                    {36, 0xB2, 123, 0},
                                                    {48, 0x92, 60, 0},
                                                    {48, 0x92, 72, 0},
                                                    {60, 0x93, 67, 0}}));
  EXPECT_EQ(Messages(material),
            (std::vector<std::string>{"0 146 60 90", "0 146 64 90", "0 147 67 90", "12 146 64 0",
                                      "24 146 60 0", "24 146 72 90", "36 146 72 0", "60 147 67 0"}));
}

TEST(MidiImport, ANoteThatEndsOnItsStartKeepsItsOrderAndARestruckNoteIsNotEndedByItsPredecessor) {
  const ImportedMaterial material = Import(Content({{0, 0x92, 60, 90},
                                                    {24, 0x92, 64, 90},
                                                    {24, 0x92, 64, 0},
                                                    {24, 0x92, 64, 80},
                                                    {24, 0x92, 60, 70},
                                                    {24, 0x92, 60, 0},
                                                    {48, 0x92, 60, 0},
                                                    {48, 0x92, 64, 0}}));
  EXPECT_EQ(Messages(material),
            (std::vector<std::string>{"0 146 60 90", "24 146 60 0", "24 146 64 90", "24 146 64 0",
                                      "24 146 64 80", "24 146 60 70", "48 146 60 0", "48 146 64 0"}));
}

struct MetreCase {
  const char* Signature;
  int Numerator, Denominator;
  bool EighthBase, DontGet;
  Metre Expected;
  bool Note;
};

TEST(MidiImport, TheMetreComesFromTheFirstTimeSignature) {
  const MetreCase cases[] = {
      {"3/4", 3, 4, false, false, {12, false}, false},
      {"6/8 in quarters", 6, 8, false, false, {12, false}, false},
      {"6/8 in eighths", 6, 8, true, false, {12, true}, false},
      {"5/4", 5, 4, false, false, {20, false}, false},
      {"9/8 has no entry", 9, 8, true, false, {16, false}, true},
      {"not taken", 3, 4, false, true, {16, false}, false},
  };
  for (const MetreCase& c : cases) {
    midi::SmfFileData content = Content({{0, 0x90, 60, 100}, {10, 0x80, 60, 0}});
    content.TimeSignatures.push_back({0, c.Numerator, c.Denominator});
    ImportOptions options;
    options.EighthBase = c.EighthBase;
    options.DontGetMetrum = c.DontGet;
    const ImportedMaterial material = Import(content, options);
    EXPECT_EQ(material.MaterialMetre, c.Expected) << c.Signature;
    EXPECT_EQ(!material.MetreNote.empty(), c.Note) << c.Signature;
    EXPECT_EQ(material.Header.MeasureLength, StoredMeasureLength(c.Expected)) << c.Signature;
  }
}

TEST(MidiImport, TimeAndTempoFollowTheDivision) {
  midi::SmfFileData fine = Content({{960, 0x90, 60, 100}, {1440, 0x80, 60, 0}}, 960);
  fine.Tempi.push_back({0, 2'000'000});
  const ImportedMaterial slow = Import(fine);
  EXPECT_EQ(Messages(slow).front(), "24 144 60 100");
  EXPECT_EQ(slow.Header.Tempo, 30);
  fine.Tempi.front().MicrosPerQuarter = 100'000;  // 600 quarter notes a minute
  EXPECT_EQ(Import(fine).Header.Tempo, 250);

  midi::SmfFileData smpte = Content({{500, 0x90, 60, 100}, {750, 0x80, 60, 0}}, 0);
  smpte.PulsesPerSecond = 1000;  // at 120 quarter notes a minute, half a second is a beat
  EXPECT_EQ(Messages(Import(smpte)), (std::vector<std::string>{"24 144 60 100", "36 128 60 0"}));
}

TEST(MidiImport, MaterialLongerThanTheStreamIsRefusedBeforeItIsLaidOut) {
  // A delta near the largest a file holds: millions of ticks of delay bytes.
  const auto result =
      ImportMidiMaterial(Content({{0, 0x90, 60, 100}, {0x0FFFFFFF, 0x80, 60, 0}}), {}, Metre{});
  ASSERT_TRUE(std::holds_alternative<std::string>(result));
  EXPECT_NE(std::get<std::string>(result).find("a style keeps at most 165500"), std::string::npos);
}

}  // namespace
}  // namespace kalo::styles
