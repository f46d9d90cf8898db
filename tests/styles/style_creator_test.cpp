#include "styles/style_creator.h"

#include <gtest/gtest.h>

#include <optional>

#include "styles/style_stream.h"
#include "styles/style_test_support.h"

namespace kalo::styles {
namespace {

using testing::MakePart;
using testing::StreamBuilder;
using testing::TGenBench;

// Puts a stream and parts into the bench's TGen as the current material (4/4).
void Install(TGenBench& bench, const std::vector<uint8_t>& stream, const PartTable& parts = {}) {
  ASSERT_TRUE(bench.Gen.EnsureBuffers());
  Style& style = bench.Gen.CurrentStyle();
  std::copy(stream.begin(), stream.end(), style.Buffer().begin());
  style.SetLength(static_cast<int32_t>(stream.size()));
  style.Parts = parts;
  bench.Gen.CurrentMetre = Metre{16, false};
  bench.Gen.BeatsPerMeasure = 4;
}

// Two measures of 4/4 with a note on every beat: each beat is a 3-byte message and 24 ticks (FF FF FF).
std::vector<uint8_t> TwoMeasures() {
  StreamBuilder stream;
  for (int beat = 0; beat < 8; ++beat) stream.NoteOn(0, 60).Wait(24);
  return stream.Bytes();
}

struct LocateCase {
  int Measure;
  int Beat;
  int32_t Expected;
};

TEST(Locate, FindsTheDelayByteThatReachesTheTime) {
  TGenBench bench;
  Install(bench, TwoMeasures());  // beat k (from 0) ends with its third FF at 6k + 5
  const int32_t length = bench.Gen.CurrentStyle().Length();
  const LocateCase cases[] = {
      {0, 1, -1},                              // the very start: play from offset 0
      {0, 0, -1},                              // beat 0 counts as beat 1
      {0, 2, 5},                               // after one beat
      {1, 1, 6 * 4 - 1},                       // one measure
      {1, 4, 6 * 7 - 1},   {2, 1, 6 * 8 - 1},  // the last byte of the stream
      {2, 2, length + 1},                      // past the end
      {50, 1, length + 1},
  };
  for (const auto& c : cases)
    EXPECT_EQ(bench.Gen.Locate(c.Measure, c.Beat), c.Expected) << c.Measure << ":" << c.Beat;
  EXPECT_EQ(bench.Player.CounterResets, 0);
  bench.Gen.Locate(1, 1, true);
  EXPECT_EQ(bench.Player.CounterResets, 1) << "the player's counters are reset only when asked";
}

TEST(Locate, StoresTheOvershootOfALongDelayByte) {
  TGenBench bench;
  Install(bench, StreamBuilder().NoteOn(0, 60).Wait(20).Wait(8).Bytes());  // 90 3C 64 FF FF FB FF: 28 at 6
  EXPECT_EQ(bench.Gen.Locate(0, 2), 6);
  EXPECT_EQ(bench.Gen.Overshoot, 4);
}

TEST(QuarterNoteIndex, AgreesWithTheScanOnEveryBeatOfTheRecording) {
  TGenBench bench;
  StreamBuilder stream;
  // Uneven material: messages and delays of odd sizes.
  for (int i = 0; i < 40; ++i) stream.NoteOn(i % 16, static_cast<uint8_t>(40 + i)).Wait(5 + (i * 7) % 23);
  Install(bench, stream.Bytes());
  std::vector<std::pair<int32_t, int>> scanned;  // offset, overshoot
  for (int beat = 0; beat < 40; ++beat)
    scanned.push_back({bench.Gen.Locate(beat / 4, beat % 4 + 1), bench.Gen.Overshoot});
  bench.Gen.BuildQuarterNoteIndex(4 + 40 * 4);
  ASSERT_FALSE(bench.Gen.CurrentStyle().QuarterNoteIndex.empty());
  for (int beat = 0; beat < 40; ++beat) {
    const int32_t indexed = bench.Gen.Locate(beat / 4, beat % 4 + 1);
    const auto [offset, overshoot] = scanned[static_cast<size_t>(beat)];
    if (offset > bench.Gen.CurrentStyle().Length()) {
      EXPECT_EQ(indexed, bench.Gen.CurrentStyle().Length()) << beat;  // the index ends at the length
    } else {
      EXPECT_EQ(indexed, offset) << beat;
    }
    if (offset >= 0 && offset <= bench.Gen.CurrentStyle().Length()) {  // -1: the start, no overshoot
      EXPECT_EQ(bench.Gen.Overshoot, overshoot) << beat;
    }
  }
}

struct PackingCase {
  const char* What;
  bool MessageFirst;
  int Ticks;
  std::vector<uint8_t> Expected;
};

TEST(Recording, TicksGatherIntoDelayBytesOfAtMostEight) {
  const PackingCase cases[] = {
      {"one tick at the start", false, 1, {0xF8}},
      {"eight ticks", false, 8, {0xFF}},
      {"nine ticks", false, 9, {0xFF, 0xF8}},
      {"seventeen ticks", false, 17, {0xFF, 0xFF, 0xF8}},
      {"one tick after a message", true, 1, {0x90, 60, 100, 0xF8}},
      {"nine ticks after a message", true, 9, {0x90, 60, 100, 0xFF, 0xF8}},
  };
  for (const auto& c : cases) {
    TGenBench bench;
    ASSERT_TRUE(bench.Gen.EnsureBuffers());
    bench.Gen.BeginAppend();
    if (c.MessageFirst) bench.Gen.AppendMessage(0x90, 60, 100);
    for (int t = 0; t < c.Ticks; ++t) bench.Gen.AppendTick();
    bench.Gen.FinishAppend(0);
    const auto stream = bench.Gen.CurrentStyle().Stream();
    EXPECT_EQ(std::vector<uint8_t>(stream.begin(), stream.end()), c.Expected) << c.What;
  }
}

TEST(Recording, KeepsTheFirstControllerValueAndMarksChannelsWithNotes) {
  TGenBench bench;
  ASSERT_TRUE(bench.Gen.EnsureBuffers());
  bench.Gen.BeginAppend();
  bench.Gen.AppendMessage(0xB2, 7, 80);
  bench.Gen.AppendMessage(0xB2, 7, 20);
  bench.Gen.AppendMessage(0xC2, 33, 0);
  bench.Gen.AppendMessage(0x93, 60, 0);  // a note-off: channel 4 stays unused
  bench.Gen.AppendMessage(0x92, 60, 90);
  bench.Gen.AppendMessage(0xFA, 0, 0);  // not a channel message: not recorded
  bench.Gen.FinishAppend(0);
  const Style& style = bench.Gen.CurrentStyle();
  EXPECT_EQ(style.Header.Channels[2].Values[7], 80);
  EXPECT_EQ(style.Header.Channels[2].Values[96], 33);
  EXPECT_TRUE(style.Header.Used(2));
  EXPECT_FALSE(style.Header.Used(3));
  EXPECT_EQ(style.Length(), 15);
}

TEST(Recording, StopsWithOutOfMemoryWhenTheStreamIsFullAndKeepsWhatWasRecorded) {
  TGenBench bench;
  ASSERT_TRUE(bench.Gen.EnsureBuffers());
  bench.Gen.BeginAppend();
  for (int i = 0; i < kStreamCapacity / 3 + 10; ++i) bench.Gen.AppendMessage(0x90, 60, 1);
  bench.Gen.FinishAppend(0);
  EXPECT_EQ(bench.Gen.CurrentStyle().Length(), kStreamCapacity / 3 * 3);
  EXPECT_EQ(bench.Dialogs.Messages(), std::vector<std::string>{kOutOfMemoryMessage});
  EXPECT_EQ(bench.Host.RecordingStops, 1);
}

// A style with every part present except those named in `missing`; part p spans [10p, 10p + 9),
// its entry offsets are 10p + 1, 10p + 2, 10p + 3.
PartTable PartsWithout(std::initializer_list<int> missing) {
  PartTable parts{};
  for (int p = 0; p < kPartCount; ++p)
    parts[static_cast<size_t>(p)] = MakePart(static_cast<int16_t>(p + 1), static_cast<int16_t>(p + 1), 10 * p,
                                             10 * p + 9, {10 * p + 1, 10 * p + 2, 10 * p + 3});
  for (int p : missing) parts[static_cast<size_t>(p)].FirstMeasure = 0;
  return parts;
}

struct SelectCase {
  const char* What;
  std::initializer_list<int> Missing;
  int Selected;
  int BeatIndex;
  int ExpectedPart;
  int32_t ExpectedStart;
  std::optional<int32_t> Beat2Entry = std::nullopt;  // replaces the selected part's entry for beat 2
};

TEST(SelectPart, FallsBackAndJoinsAtTheRunningBeat) {
  // Every part is nine 8-tick delay bytes (three beats): a beat's place is three bytes on.
  const SelectCase cases[] = {
      {"Basic", {}, kBasic, 0, kBasic, 10},
      {"Basic reached on beat 3 joins at that beat", {}, kBasic, 2, kBasic, 16},
      {"a fill on beat 1 starts at its start", {}, kFillInBasic, 0, kFillInBasic, 40},
      {"a fill on beat 2, at its entry", {}, kFillInBasic, 1, kFillInBasic, 41},
      {"a fill on beat 4, at its entry", {}, kFillInBasic, 3, kFillInBasic, 43},
      {"a fill on beat 5 of 6/4, past its end: nothing is left", {}, kFillInBasic, 4, kFillInBasic, 49},
      {"To Basic on beat 3", {}, kToBasic, 2, kToBasic, 72},
      {"an entry before the part's start gives way to the beat's place",
       {},
       kFillInBasic,
       1,
       kFillInBasic,
       43,
       35},
      {"a negative entry too", {}, kFillInBasic, 1, kFillInBasic, 43, -4},
      {"an entry at the part's end too", {}, kFillInBasic, 1, kFillInBasic, 43, 49},
      {"an entry at the part's start", {}, kFillInBasic, 1, kFillInBasic, 40, 40},
      {"missing Fill in Extended plays Extended", {kFillInExtended}, kFillInExtended, 1, kExtended, 23},
      {"missing To Extended plays Basic", {kToExtended}, kToExtended, 0, kBasic, 10},
      {"missing Fill in Basic changes nothing", {kFillInBasic}, kFillInBasic, 0, kIntro, 0},
      {"missing Extended changes nothing", {kExtended}, kExtended, 0, kIntro, 0},
  };
  for (const auto& c : cases) {
    TGenBench bench;
    PartTable parts = PartsWithout(c.Missing);
    if (c.Beat2Entry) parts[static_cast<size_t>(c.Selected)].EntryOffsets[0] = *c.Beat2Entry;
    Install(bench, std::vector<uint8_t>(100, 0xFF), parts);
    bench.Gen.SelectPart(kIntro);
    bench.Gen.BeatIndex = c.BeatIndex;
    bench.Gen.SelectPart(c.Selected);
    EXPECT_EQ(bench.Gen.RunningPart, c.ExpectedPart) << c.What;
    EXPECT_EQ(bench.Gen.JoinOffset, c.ExpectedStart) << c.What;
    EXPECT_EQ(bench.Gen.StartOffset, 10 * c.ExpectedPart) << c.What << ": a repeat starts at the start";
    EXPECT_EQ(bench.Gen.CurrentOffset, bench.Gen.EndOffset + 65535) << c.What;
  }
}

struct SuccessorCase {
  const char* What;
  int Part;
  bool Variation;
  int ExpectedSuccessor;
  int ExpectedReturn;
};

TEST(SelectPart, SetsSuccessorAndReturnPart) {
  const SuccessorCase cases[] = {
      {"Intro goes to Basic and returns to Basic", kIntro, false, kBasic, kBasic},
      {"Extended repeats", kExtended, false, kSuccessorRepeat, kExtended},
      {"a fill returns to the main part before it", kFillInBasic, false, kExtended, kExtended},
      {"a variation fill repeats", kFillInBasic, true, kSuccessorRepeat, kExtended},
      {"To Basic leads to Basic", kToBasic, false, kBasic, kToBasic},
  };
  for (const auto& c : cases) {
    TGenBench bench;
    PartTable parts = PartsWithout({});
    if (c.Variation) parts[static_cast<size_t>(c.Part)].Variation = kVariationMarker;
    Install(bench, std::vector<uint8_t>(100, 0xF8), parts);
    bench.Gen.SelectPart(kExtended);
    bench.Gen.SelectPart(c.Part);
    EXPECT_EQ(bench.Gen.Successor, c.ExpectedSuccessor) << c.What;
    EXPECT_EQ(bench.Gen.ReturnPart, c.ExpectedReturn) << c.What;
  }
}

TEST(SelectPart, TakesThePartsMutesExceptForChannelsMutedByHand) {
  TGenBench bench;
  PartTable parts = PartsWithout({});
  parts[kBasic].Mute[2] = 1;
  parts[kBasic].Mute[5] = 1;
  Install(bench, std::vector<uint8_t>(100, 0xF8), parts);
  bench.Host.HandMuted[5] = true;
  bench.Host.LiveMute[5] = true;
  bench.Host.LiveMute[7] = true;
  bench.Gen.SelectPart(kBasic);
  EXPECT_TRUE(bench.Host.LiveMute[2]);
  EXPECT_TRUE(bench.Host.LiveMute[5]);
  EXPECT_FALSE(bench.Host.LiveMute[7]);
  ASSERT_FALSE(bench.Player.Revoices.empty());
  EXPECT_EQ(bench.Player.Revoices.back(), (std::array<bool, 2>{true, true}));
  EXPECT_TRUE(bench.Player.PartStart);
}

TEST(EndOfPart, RestartsARepeatingPartHandsAFillBackToItsMainPartAndStopsAfterTheEnding) {
  TGenBench bench;
  Install(bench, std::vector<uint8_t>(100, 0xF8), PartsWithout({}));
  bench.Settings.PlayEnding = true;
  bench.Gen.StyleMode = true;
  bench.Gen.Playing = true;
  bench.Gen.SelectPart(kBasic);
  bench.Gen.EndOfPart();  // the restart mark: start over from the start offset
  EXPECT_EQ(bench.Gen.CurrentOffset, 10);
  bench.Gen.CurrentOffset = 19;  // the player reached the end
  bench.Gen.EndOfPart();
  EXPECT_EQ(bench.Gen.RunningPart, kBasic);
  EXPECT_EQ(bench.Gen.CurrentOffset, 10);
  EXPECT_EQ(bench.Player.Revoices.back(), (std::array<bool, 2>{true, false}));

  bench.Gen.SelectPart(kFillInBasic);
  bench.Gen.EndOfPart();
  bench.Gen.CurrentOffset = 49;
  bench.Gen.BeatIndex = 0;  // the fill ends on a bar line
  bench.Gen.EndOfPart();
  EXPECT_EQ(bench.Gen.RunningPart, kBasic);
  EXPECT_EQ(bench.Gen.CurrentOffset, 10);

  bench.Gen.SelectPart(kEnding);
  bench.Gen.EndOfPart();
  bench.Gen.CurrentOffset = 39;
  bench.Gen.EndOfPart();
  EXPECT_FALSE(bench.Gen.Playing);
  EXPECT_EQ(bench.Player.Stops, 1);
}

TEST(EndOfPart, AdvancesPositionAndBeatAndShowsThem) {
  TGenBench bench;
  Install(bench, std::vector<uint8_t>(10, 0xF8));
  bench.Gen.BeatsPerMeasure = 3;
  bench.Gen.Position = 4 + 16;
  bench.Gen.BeatIndex = 2;
  bench.Gen.EndOfPart();
  EXPECT_EQ(bench.Display.Last("StyleCreatorPosition"), "2:3");
  EXPECT_EQ(bench.Gen.Position, 24);
  EXPECT_EQ(bench.Gen.BeatIndex, 0);
}

struct StoreCase {
  const char* What;
  uint8_t Before;
  uint8_t Kind;
  uint8_t Number;
  uint8_t Value;
  bool KeepFirst;
  bool Changed;
  size_t Entry;
  uint8_t After;
};

TEST(StoreChannelValue, WritesOnlyTheStoredEntries) {
  const StoreCase cases[] = {
      {"volume set", kNotSet, 0xB0, 7, 99, false, true, 7, 99},
      {"same volume again", 99, 0xB0, 7, 99, false, false, 7, 99},
      {"keep-first keeps a value", 50, 0xB0, 7, 99, true, false, 7, 50},
      {"keep-first fills an empty entry", kNotSet, 0xB0, 91, 40, true, true, 91, 40},
      {"an unstored controller is only passed on", kNotSet, 0xB0, 1, 40, false, true, 1, kNotSet},
      {"program takes the first data byte", kNotSet, 0xC0, 12, 77, false, true, 96, 12},
      {"pressure takes the first data byte", kNotSet, 0xD0, 30, 0, false, true, 97, 30},
      {"other kinds pass", kNotSet, 0x90, 60, 100, false, true, 0, kNotSet},
  };
  for (const auto& c : cases) {
    TGenBench bench;
    ASSERT_TRUE(bench.Gen.EnsureBuffers());
    auto& values = bench.Gen.CurrentStyle().Header.Channels[3].Values;
    values[c.Entry] = c.Before;
    EXPECT_EQ(bench.Gen.StoreChannelValue(c.Kind, 3, c.Number, c.Value, c.KeepFirst), c.Changed) << c.What;
    EXPECT_EQ(values[c.Entry], c.After) << c.What;
  }
}

TEST(SetChannelInstrument, RewritesTheSoundSetUpBeforeTheFirstNoteOrEverywhereWithFixChanges) {
  const auto material = StreamBuilder()
                            .Message(0xB1, 0, 1)
                            .Message(0xB1, 32, 2)
                            .Message(0xC1, 10, 0)
                            .NoteOn(1, 60)
                            .Wait(4)
                            .Message(0xC1, 11, 0)
                            .Message(0xB1, 0, 3)
                            .Bytes();
  for (bool fix : {false, true}) {
    TGenBench bench;
    Install(bench, material);
    bench.Gen.CurrentStyle().Header.ChannelUsed[1] = 1;
    bench.Options.FixChanges = fix;
    bench.Gen.SetChannelInstrument(1, 8, 48, 9);
    const auto stream = bench.Gen.CurrentStyle().Stream();
    EXPECT_EQ(stream[2], 8);
    EXPECT_EQ(stream[5], 9);
    EXPECT_EQ(stream[7], 48);
    EXPECT_EQ(stream[14], fix ? 48 : 11) << fix;
    EXPECT_EQ(stream[18], fix ? 8 : 3) << fix;
    const auto& setup = bench.Gen.CurrentStyle().Header.Channels[1].Values;
    EXPECT_EQ(setup[0], 8);
    EXPECT_EQ(setup[32], 9);
    EXPECT_EQ(setup[96], 48);
  }
}

TEST(SetChannelController, RewritesTheFirstMatchingControllerOnly) {
  const auto material =
      StreamBuilder().Message(0xB2, 7, 50).Message(0xB2, 7, 60).NoteOn(2, 60).Message(0xB2, 7, 70).Bytes();
  TGenBench bench;
  Install(bench, material);
  bench.Gen.CurrentStyle().Header.ChannelUsed[2] = 1;
  bench.Gen.SetChannelController(2, 7, 100);
  const auto stream = bench.Gen.CurrentStyle().Stream();
  EXPECT_EQ(stream[2], 100);
  EXPECT_EQ(stream[5], 60);
  EXPECT_EQ(stream[11], 70);
  EXPECT_EQ(bench.Gen.CurrentStyle().Header.Channels[2].Values[7], 100);
}

TEST(ChaseControllers, SendsResetsThenTheChangedControllersOfUsedChannels) {
  const auto material = StreamBuilder()
                            .Message(0xB0, 7, 90)
                            .Message(0xB0, 7, 90)   // unchanged: skipped
                            .Message(0xB0, 84, 60)  // portamento source note follows the transposition
                            .Message(0xB5, 7, 90)   // channel 6 unused
                            .Message(0xB0, 121, 0)  // not below 120
                            .NoteOn(0, 60)
                            .Message(0xC0, 4, 9)
                            .Bytes();
  TGenBench bench;
  Install(bench, material);
  bench.Gen.CurrentStyle().Header.ChannelUsed[0] = 1;
  bench.Host.TranspositionValue = -3;
  bench.Gen.ChaseControllers(0, static_cast<int32_t>(material.size()));
  ASSERT_EQ(bench.Player.Sent.size(), 16u + 3u);
  for (uint8_t c = 0; c < 16; ++c)
    EXPECT_EQ(bench.Player.Sent[c], (std::array<uint8_t, 3>{static_cast<uint8_t>(0xB0 | c), 121, 0}));
  EXPECT_EQ(bench.Player.Sent[16], (std::array<uint8_t, 3>{0xB0, 7, 90}));
  EXPECT_EQ(bench.Player.Sent[17], (std::array<uint8_t, 3>{0xB0, 84, 57}));
  EXPECT_EQ(bench.Player.Sent[18], (std::array<uint8_t, 3>{0xC0, 4, 9}));
}

TEST(UndoAllConversions, BringsBackTheStreamAsLoadedOnlyAfterYes) {
  TGenBench bench;
  Install(bench, {0x90, 60, 100, 0xF8});
  Style& style = bench.Gen.CurrentStyle();
  std::copy_n(style.Buffer().begin(), 4, style.Slots[Style::kCopyAsLoadedSlot].Data.begin());
  style.Buffer()[1] = 62;
  style.Header.Converted = 1;
  bench.Dialogs.QueueAnswer(false);
  EXPECT_FALSE(bench.Gen.UndoAllConversions(true));
  EXPECT_EQ(style.Buffer()[1], 62);
  bench.Dialogs.QueueAnswer(true);
  EXPECT_TRUE(bench.Gen.UndoAllConversions(true));
  EXPECT_EQ(style.Buffer()[1], 60);
  EXPECT_EQ(style.Header.Converted, 0);
  EXPECT_EQ(bench.Dialogs.Questions(),
            (std::vector<std::string>{kUndoConversionsQuestion, kUndoConversionsQuestion}));
}

TEST(HoldOver, MarksChannelsWhoseNotesHangOverThePartsEnd) {
  TGenBench bench;
  const auto material = StreamBuilder()
                            .NoteOn(0, 60)
                            .NoteOn(1, 48)
                            .Wait(10)
                            .NoteOff(0, 60)
                            .Message(0x81, 48, 0)
                            .NoteOn(2, 50)  // hangs over
                            .Wait(10)
                            .Bytes();
  PartTable parts{};
  parts[kBasic] = MakePart(1, 1, 0, static_cast<int32_t>(material.size()));
  Install(bench, material, parts);
  bench.Gen.CurrentStyle().ComputeHoldOver();
  const auto& flags = bench.Gen.CurrentStyle().HoldOver[kBasic];
  EXPECT_EQ(flags[0], 1);
  EXPECT_EQ(flags[1], 1);
  EXPECT_EQ(flags[2], 0);
  EXPECT_EQ(flags[3], 1);
  EXPECT_EQ(bench.Gen.CurrentStyle().HoldOver[kIntro][0], 0);  // empty part
}

TEST(Locate, FollowsAnImportThatContinuesInTheNextBuffer) {
  testing::TGenBench bench;
  ASSERT_TRUE(bench.Gen.EnsureBuffers());
  bench.Gen.CurrentMetre = Metre{16, false};
  Style& style = bench.Gen.CurrentStyle();
  const std::vector<uint8_t> first = {0xFF, 0xFF, kBufferEndByte};
  std::copy(first.begin(), first.end(), style.Buffer().begin());
  style.SetLength(3);
  BufferSlot& next = style.Slots[1];
  next.Data = {0x90, 60, 100, 0xFF, 0xFF};
  next.Length = 5;
  next.InUse = true;
  EXPECT_EQ(bench.Gen.Locate(0, 2), 3);  // 16 ticks in slot 0, 8 more at offset 3 of slot 1
  EXPECT_EQ(bench.Gen.Cursor, 1);
  next.InUse = false;  // without a next buffer the scan ends at the 0xF0
  EXPECT_EQ(bench.Gen.Locate(0, 2), 2);
  EXPECT_EQ(bench.Gen.Cursor, 0);
}

TEST(LoadStyle, APartEndingAtStreamLengthPlusOnePlaysToTheEndAndOneBeyondCannotBeSelected) {
  struct Case {
    int32_t PastTheEnd;  // end offset minus stream length
    bool Plays;
  };
  for (const Case c : {Case{1, true}, Case{2, false}}) {
    testing::TGenBench bench;
    auto sample = testing::MakeSampleStyle();
    const auto length = static_cast<int32_t>(sample.Stream.size());
    sample.Parts[kBasic].EndOffset = length + c.PastTheEnd;
    ASSERT_EQ(bench.Gen.LoadStyleFromBytes("a.vxs", sample.FileBytes()), LoadOutcome::Loaded);
    EXPECT_EQ(bench.Gen.CurrentStyle().Parts[kBasic].Exists(), c.Plays) << c.PastTheEnd;
    // Without Basic the first part that exists is Extended, and selecting Basic changes nothing.
    bench.Gen.SelectPart(kBasic);
    EXPECT_EQ(bench.Gen.RunningPart, c.Plays ? kBasic : kExtended) << c.PastTheEnd;
    EXPECT_EQ(bench.Gen.EndOffset, c.Plays ? length : sample.Parts[kExtended].EndOffset) << c.PastTheEnd;
  }
}

struct NormalizeCase {
  const char* What;
  std::vector<std::pair<int, int>> Volumes;  // channel (0-based), volume
  bool Solo;
  std::vector<std::array<uint8_t, 3>> Sent;  // channel, 7, volume
};

TEST(NormalizeVolume, BringsTheQuieterLevelToTheTargetWithoutALoudChannelSettingIt) {
  const NormalizeCase cases[] = {
      {"100 is too far above 60 to set the level", {{0, 60}, {1, 100}}, false, {{0, 7, 110}, {1, 7, 127}}},
      {"the louder of 70, 80 sets it", {{1, 70}, {2, 80}}, false, {{0, 7, 127}, {1, 7, 100}, {2, 7, 110}}},
      {"drums over 75 pull the rest below",
       {{1, 100}, {9, 90}},
       false,
       {{0, 7, 127}, {1, 7, 90}, {9, 7, 90}}},
      {"solo on channel 1: the target + 20", {{0, 50}, {1, 100}}, true, {{0, 7, 127}, {1, 7, 110}}},
  };
  for (const auto& c : cases) {
    testing::TGenBench bench;
    ASSERT_TRUE(bench.Gen.EnsureBuffers());
    bench.Options.SoloOnChannel1 = c.Solo;
    auto& header = bench.Gen.CurrentStyle().Header;
    for (auto [channel, volume] : c.Volumes) {
      header.ChannelUsed[static_cast<size_t>(channel)] = 1;
      header.Channels[static_cast<size_t>(channel)].Values[7] = static_cast<uint8_t>(volume);
    }
    bench.Gen.NormalizeVolume();
    EXPECT_EQ(bench.Mixer.Live, c.Sent) << c.What;
    for (const auto& sent : c.Sent) EXPECT_EQ(header.Channels[sent[0]].Values[7], sent[2]) << c.What;
  }
}

}  // namespace
}  // namespace kalo::styles
