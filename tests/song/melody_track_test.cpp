#include "song/melody_track.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace kalo::song {
namespace {

MelodyEvent On(int32_t time, uint8_t note, uint8_t velocity = 100, uint8_t status = 0x90) {
  return {time, status, note, velocity, 1};
}
MelodyEvent Off(int32_t time, uint8_t note, uint8_t status = 0x90, uint8_t velocity = 0) {
  return {time, status, note, velocity, 1};
}

std::vector<int32_t> Times(const MelodyTrack& track) {
  std::vector<int32_t> times;
  for (const auto& e : track.Events()) times.push_back(e.Time);
  return times;
}

struct SentMessages : MelodyOutput {
  void Send(uint8_t status, uint8_t data1, uint8_t data2) override { Sent.push_back({status, data1, data2}); }
  void ShowActivity(int channel) override { Active.push_back(channel); }
  std::vector<std::array<uint8_t, 3>> Sent;
  std::vector<int> Active;
};

TEST(MelodyQuantize, NoteStartsMoveToTheGridAndTheirEndsByTheSameShift) {
  struct Case {
    QuantizeGrid Grid;
    int32_t Start;
    int32_t End;
    int32_t NewStart;
    int32_t NewEnd;
  };
  const Case cases[] = {
      {QuantizeGrid::Sixteenth, 10, 20, 12, 22},        // r = 4 > 3: up
      {QuantizeGrid::Sixteenth, 9, 15, 6, 12},          // r = 3 is not above 3: down
      {QuantizeGrid::Sixteenth, 12, 17, 12, 17},        // on the grid
      {QuantizeGrid::Eighth, 6, 30, 0, 24},             // half the grid goes down
      {QuantizeGrid::EighthSwing, 13, 20, 16, 23},      // grid 8
      {QuantizeGrid::ThirtySecond, 5, 9, 6, 10},        // grid 3
      {QuantizeGrid::ThirtySecondSwing, 7, 11, 6, 10},  // grid 2, r = 1 is not above 1
      {QuantizeGrid::SixteenthSwing, 3, 3, 4, 4},       // grid 4, r = 3 > 2
  };
  for (const Case& c : cases) {
    MelodyTrack track;
    track.Humanize = false;
    track.Load(std::vector<MelodyEvent>{On(c.Start, 60), {c.Start, 0xB0, 7, 90, 0}, Off(c.End, 60)});
    track.Quantize(c.Grid, 1);
    EXPECT_EQ(Times(track), (std::vector<int32_t>{c.NewStart, c.Start, c.NewEnd}))
        << kQuantizeGridNames[static_cast<int>(c.Grid)] << " at " << c.Start;
  }
}

// A phrase with overlapping notes, repeated pitches, a controller and a note without end.
std::vector<MelodyEvent> Phrase() {
  return {On(1, 60),  On(5, 64),  Off(11, 60), {13, 0xB0, 64, 127, 0}, Off(19, 64), On(25, 60), Off(40, 60),
          On(47, 67), On(50, 72), Off(61, 72)};
}

TEST(MelodyQuantize, QuantizingAgainStartsFromTheTrackAsRecorded) {
  for (bool humanize : {false, true}) {
    MelodyTrack twice;
    MelodyTrack once;
    for (MelodyTrack* track : {&twice, &once}) {
      track->Humanize = humanize;
      track->Load(Phrase());
    }
    twice.Quantize(QuantizeGrid::Eighth, 7);
    twice.Quantize(QuantizeGrid::SixteenthSwing, 99);
    once.Quantize(QuantizeGrid::SixteenthSwing, 99);
    EXPECT_EQ(std::vector(twice.Events().begin(), twice.Events().end()),
              std::vector(once.Events().begin(), once.Events().end()))
        << "humanize " << humanize;
    twice.Quantize(QuantizeGrid::None, 5);
    EXPECT_EQ(std::vector(twice.Events().begin(), twice.Events().end()), Phrase()) << "None restores";
  }
}

TEST(MelodyQuantize, HumanizeShortensOnlyShiftsAboveThreeTicksAndNeverReversesThem) {
  struct Case {
    QuantizeGrid Grid;
    int32_t Start;
    int Shift;  // of the start onto the grid
  };
  const Case cases[] = {{QuantizeGrid::Eighth, 9, 3},
                        {QuantizeGrid::Eighth, 3, -3},
                        {QuantizeGrid::Eighth, 7, 5},
                        {QuantizeGrid::Eighth, 5, -5},
                        {QuantizeGrid::Sixteenth, 4, 2}};
  for (const Case& c : cases) {
    int lowest = 1000;
    int highest = -1000;
    for (uint32_t seed = 0; seed < 300; ++seed) {
      MelodyTrack track;
      track.Load(std::vector<MelodyEvent>{On(c.Start, 60), Off(100, 60)});
      track.Quantize(c.Grid, seed);
      ASSERT_EQ(track.Events()[0].Time, c.Start + c.Shift);
      const int endShift = track.Events()[1].Time - 100;
      lowest = std::min(lowest, endShift);
      highest = std::max(highest, endShift);
    }
    if (c.Shift >= -3 && c.Shift <= 3) {
      EXPECT_EQ(lowest, c.Shift) << c.Start;
      EXPECT_EQ(highest, c.Shift) << c.Start;
    } else {
      // Every value from one tick to the full shift, in the shift's direction.
      EXPECT_EQ(c.Shift > 0 ? lowest : highest, c.Shift > 0 ? 1 : -1) << c.Start;
      EXPECT_EQ(c.Shift > 0 ? highest : lowest, c.Shift) << c.Start;
    }
  }
}

TEST(MelodyQuantize, NoteEndsAreFoundOnTheNotesChannelWhateverItIsAndAsNoteOffs) {
  MelodyTrack track;
  track.Humanize = false;
  track.Load(std::vector<MelodyEvent>{
      On(10, 60, 90, 0x93), Off(14, 60, 0x92), Off(20, 60, 0x83, 64), On(33, 62), {35, 0x90, 64, 0, 1}});
  track.Quantize(QuantizeGrid::Sixteenth, 1);
  // The channel-4 note and its note-off end move; the channel-3 end and the note without an end
  // (its velocity-0 event is another pitch) keep their times.
  EXPECT_EQ(Times(track), (std::vector<int32_t>{12, 14, 22, 30, 35}));
}

TEST(MelodyQuantize, AMelodyLoadedFromAFileIsWhatQuantizingStartsFrom) {
  MelodyTrack track;
  track.Load(std::vector<MelodyEvent>{On(0, 50), Off(6, 50)});
  track.EndRecording();
  track.Humanize = false;
  track.Load(std::vector<MelodyEvent>{On(10, 60), Off(20, 60)});
  track.Quantize(QuantizeGrid::Sixteenth, 1);
  EXPECT_EQ(track.Events()[0], On(12, 60));
}

TEST(MelodyTrack, RecordingStampsTheClockAndStopsAtFourThousandEvents) {
  MelodyTrack track;
  track.Clock = 37;
  EXPECT_TRUE(track.Append(0x93, 60, 100));
  EXPECT_TRUE(track.AppendOwn(0xC5, 25, 0));
  EXPECT_EQ(track.Events()[0], (MelodyEvent{37, 0x93, 60, 100, 1}));
  EXPECT_EQ(track.Events()[1], (MelodyEvent{37, 0xC0, 25, 0, 0}));
  while (track.Append(0x80, 60, 0)) {
  }
  EXPECT_EQ(track.Count(), kMelodyCapacity);
  EXPECT_EQ(track.Events()[kMelodyCapacity - 1], (MelodyEvent{37, 0x80, 60, 0, 1}));
}

TEST(MelodyTrack, ALoopJumpEndsTheRecordingAndReturnsToTheBookmark) {
  MelodyTrack track;
  track.Record = true;
  track.Clock = 96;
  track.Append(0x90, 60, 100);
  track.TakeBookmark();
  track.Clock = 150;
  track.Append(0x90, 60, 0);
  track.ReturnToBookmark();
  EXPECT_FALSE(track.Record);
  EXPECT_EQ(track.Clock, 96);
  EXPECT_EQ(track.Index, 1);
  track.Quantize(QuantizeGrid::None, 0);  // restores from the backup the jump took
  EXPECT_EQ(track.Count(), 2);
  EXPECT_EQ(track.Events()[1], (MelodyEvent{150, 0x90, 60, 0, 1}));
}

TEST(MelodyTrack, PlaybackRoutesDueEventsByTheMelodyOptions) {
  struct Case {
    const char* Name;
    bool Play;
    bool Original;
    bool MinusOne;
    bool Controllers;
    int Transposition;
    std::vector<std::array<uint8_t, 3>> Sent;
  };
  const Case cases[] = {
      {"on the melody channel", true, false, false, false, 0, {{0x92, 60, 100}, {0x82, 60, 0}}},
      {"original channels", true, true, false, false, 0, {{0x95, 60, 100}, {0x85, 60, 0}}},
      {"minus one", true, false, true, false, 0, {{0x9A, 60, 100}, {0x8A, 60, 0}}},
      {"controllers", true, false, false, true, 0, {{0x92, 60, 100}, {0xB2, 7, 80}, {0x82, 60, 0}}},
      {"transposed", true, false, false, false, -2, {{0x92, 58, 100}, {0x82, 58, 0}}},
      {"out of range", true, false, false, false, 70, {}},
      {"Play off", false, false, false, true, 0, {}},
  };
  for (const Case& c : cases) {
    MelodyTrack track;
    track.Load(std::vector<MelodyEvent>{{0, 0x95, 60, 100, 1},
                                        {4, 0xB5, 7, 80, 0},
                                        {4, 0x05, 1, 2, 0},
                                        {6, 0x85, 60, 0, 1},
                                        {30, 0x95, 62, 100, 1}});
    track.Channel = 2;
    track.VoiceChannel = 10;
    track.Play = c.Play;
    track.ReferToOriginalChannels = c.Original;
    track.SetMinusOne(c.MinusOne);
    track.StoreControllerValues = c.Controllers;
    track.Transposition = c.Transposition;
    SentMessages out;
    track.Clock = 6;
    track.PlayDue(out);
    EXPECT_EQ(out.Sent, c.Sent) << c.Name;
    EXPECT_EQ(track.Index, 4) << c.Name;
    EXPECT_EQ(track.MelodySounding, c.MinusOne) << c.Name;
  }
}

TEST(MelodyTrack, QuestionsGuardTheMelodyAndNoLeavesIt) {
  host::RecordingDialogs dialogs;
  MelodyTrack track;
  track.Load(std::vector<MelodyEvent>{On(0, 60)});
  EXPECT_FALSE(track.ToggleRecord(true, dialogs)) << "ignored while the transport runs";
  dialogs.QueueAnswer(false);
  EXPECT_FALSE(track.ToggleRecord(false, dialogs));
  EXPECT_FALSE(track.Record);
  dialogs.QueueAnswer(false);
  EXPECT_FALSE(track.Delete(dialogs));
  EXPECT_EQ(track.Count(), 1);
  dialogs.QueueAnswer(true);
  EXPECT_TRUE(track.ToggleRecord(false, dialogs));
  EXPECT_TRUE(track.Record && track.Play);
  EXPECT_TRUE(track.Empty());
  EXPECT_FALSE(track.Delete(dialogs)) << "nothing to delete, nothing asked";
  EXPECT_EQ(dialogs.Questions(), (std::vector<std::string>{kReplaceMelodyQuestion, kDeleteMelodyQuestion,
                                                           kReplaceMelodyQuestion}));
}

TEST(MelodyTrack, PlayOffAndReplaceOneSilenceTheirChannels) {
  MelodyTrack track;
  track.Channel = 3;
  track.VoiceChannel = 9;
  track.Play = true;
  track.SetMinusOne(true);
  track.MelodySounding = true;
  SentMessages out;
  track.SetReplaceOne(true, out);
  EXPECT_FALSE(track.MinusOne());
  EXPECT_FALSE(track.MelodySounding);
  track.SetPlay(false, out);
  track.SetPlay(false, out);
  const std::vector<std::array<uint8_t, 3>> expected = {{0xB9, 64, 0}, {0xB9, 66, 0}, {0xB9, 123, 0},
                                                        {0xB3, 64, 0}, {0xB3, 66, 0}, {0xB3, 123, 0}};
  EXPECT_EQ(out.Sent, expected);
}

TEST(MelodyNotes, TheNotesPanelStepsThroughNoteStartsAndEditsThem) {
  MelodyTrack track;
  track.Load(std::vector<MelodyEvent>{
      On(0, 60), {2, 0xB0, 1, 5, 0}, On(4, 64), Off(8, 60), Off(9, 64), On(12, 60), Off(20, 60)});
  EXPECT_EQ(track.SelectNext(), 2);
  EXPECT_EQ(track.SelectNext(), 5);
  EXPECT_EQ(track.SelectNext(), std::nullopt);
  EXPECT_EQ(track.SelectPrevious(), 2);
  EXPECT_TRUE(track.ChangeSelectedNote(7, 4));  // G in octave list index 4: (4 + 1) × 12 + 7
  EXPECT_EQ(track.Events()[2].Data1, 67);
  EXPECT_EQ(track.Events()[4].Data1, 67) << "its end follows";
  EXPECT_EQ(track.Events()[3].Data1, 60) << "another note's end stays";
  EXPECT_FALSE(track.ChangeSelectedNote(11, 9)) << "above 127";
  EXPECT_EQ(track.SelectPrevious(), 0);
  track.ClearSelectedNote();
  EXPECT_EQ(track.Events()[0].Data2, 0);
  EXPECT_EQ(track.SelectPrevious(), std::nullopt);
  EXPECT_EQ(track.SelectNext(), 2);
}

}  // namespace
}  // namespace kalo::song
