#include "song/melody_track.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace kalo::song {
namespace {

MelodyEvent On(int32_t time, uint8_t note, uint8_t status = 0x90) { return {time, status, note, 100, 1}; }
MelodyEvent Off(int32_t time, uint8_t note, uint8_t status = 0x90, uint8_t velocity = 0) {
  return {time, status, note, velocity, 1};
}

std::vector<MelodyEvent> EventsOf(const MelodyTrack& track) {
  return {track.Events().begin(), track.Events().end()};
}
std::vector<int32_t> Times(const MelodyTrack& track) {
  std::vector<int32_t> times;
  for (const auto& e : track.Events()) times.push_back(e.Time);
  return times;
}

struct SentMessages : MelodyOutput {
  void Send(uint8_t status, uint8_t data1, uint8_t data2) override { Sent.push_back({status, data1, data2}); }
  void ShowActivity(int) override {}
  std::vector<std::array<uint8_t, 3>> Sent;
};

TEST(MelodyQuantize, NoteStartsMoveToTheGridAndTheirEndsByTheSameShift) {
  struct Case {
    QuantizeGrid Grid;
    int32_t Start, End, NewStart, NewEnd;
  };
  const Case cases[] = {
      {QuantizeGrid::Sixteenth, 10, 20, 12, 22},       // r = 4 > 3: up
      {QuantizeGrid::Sixteenth, 9, 15, 6, 12},         // r = 3 is not above 3: down
      {QuantizeGrid::Sixteenth, 12, 17, 12, 17},       // on the grid
      {QuantizeGrid::Eighth, 6, 30, 0, 24},            // half the grid goes down
      {QuantizeGrid::EighthSwing, 13, 20, 16, 23},     // grid 8
      {QuantizeGrid::ThirtySecond, 5, 9, 6, 10},       // grid 3
      {QuantizeGrid::ThirtySecondSwing, 7, 11, 6, 10}  // grid 2
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

TEST(MelodyQuantize, QuantizingAgainStartsFromTheTrackAsRecordedAndNoneRestoresIt) {
  // Overlapping notes, a repeated pitch, a controller, a note without an end.
  const std::vector<MelodyEvent> phrase = {On(1, 60),   On(5, 64),  Off(11, 60), {13, 0xB0, 64, 127, 0},
                                           Off(19, 64), On(25, 60), Off(40, 60), On(47, 67),
                                           On(50, 72),  Off(61, 72)};
  for (bool humanize : {false, true}) {
    MelodyTrack twice;
    MelodyTrack once;
    for (MelodyTrack* track : {&twice, &once}) {
      track->Humanize = humanize;
      track->Load(phrase);
    }
    twice.Quantize(QuantizeGrid::Eighth, 7);
    twice.Quantize(QuantizeGrid::SixteenthSwing, 99);
    once.Quantize(QuantizeGrid::SixteenthSwing, 99);
    EXPECT_EQ(EventsOf(twice), EventsOf(once)) << "humanize " << humanize;
    EXPECT_EQ(Times(once)[7], 48) << "a start without an end still moves";
    twice.Quantize(QuantizeGrid::None, 5);
    EXPECT_EQ(EventsOf(twice), phrase);
  }
}

TEST(MelodyQuantize, HumanizeShortensOnlyShiftsAboveThreeTicksAndNeverReversesThem) {
  const std::pair<int32_t, int> cases[] = {{9, 3}, {3, -3}, {7, 5}, {5, -5}};  // start, its shift to 1/8
  for (const auto& [start, shift] : cases) {
    int lowest = 1000;
    int highest = -1000;
    for (uint32_t seed = 0; seed < 300; ++seed) {
      MelodyTrack track;
      track.Load(std::vector<MelodyEvent>{On(start, 60), Off(100, 60)});
      track.Quantize(QuantizeGrid::Eighth, seed);
      ASSERT_EQ(track.Events()[0].Time, start + shift);
      lowest = std::min(lowest, track.Events()[1].Time - 100);
      highest = std::max(highest, track.Events()[1].Time - 100);
    }
    // Shifts of 3 or less stay whole; longer ones take every value from 1 tick to the whole shift.
    const int shortest = shift > 3 ? 1 : shift < -3 ? -1 : shift;
    EXPECT_EQ(std::min(shortest, shift), lowest) << start;
    EXPECT_EQ(std::max(shortest, shift), highest) << start;
  }
}

TEST(MelodyQuantize, NoteEndsAreFoundOnTheNotesOwnChannelAndAsNoteOffs) {
  MelodyTrack track;
  track.Humanize = false;
  track.Load(std::vector<MelodyEvent>{On(10, 60, 0x93), Off(14, 60, 0x92), Off(20, 60, 0x83, 64)});
  track.Quantize(QuantizeGrid::Sixteenth, 1);
  EXPECT_EQ(Times(track), (std::vector<int32_t>{12, 14, 22}));
  track.Load(
      std::vector<MelodyEvent>{On(10, 60), Off(20, 60)});  // a loaded track is what quantizing restores
  track.Quantize(QuantizeGrid::Sixteenth, 1);
  EXPECT_EQ(Times(track), (std::vector<int32_t>{12, 22}));
}

TEST(MelodyTrack, RecordingStampsTheClockStopsWhenFullAndALoopJumpKeepsIt) {
  MelodyTrack track;
  track.Record = true;
  track.Clock = 37;
  EXPECT_TRUE(track.Append(0x93, 60, 100));
  EXPECT_TRUE(track.AppendOwn(0xC5, 25, 0));
  EXPECT_EQ(EventsOf(track), (std::vector<MelodyEvent>{{37, 0x93, 60, 100, 1}, {37, 0xC0, 25, 0, 0}}));
  track.TakeBookmark();
  track.Clock = 150;
  track.Append(0x93, 60, 0);
  track.ReturnToBookmark();
  EXPECT_FALSE(track.Record);
  EXPECT_EQ(std::pair(track.Clock, track.Index), std::pair(37, 2));
  track.Quantize(QuantizeGrid::None, 0);  // restores from the backup that the jump took
  EXPECT_EQ(track.Events()[2], (MelodyEvent{150, 0x93, 60, 0, 1}));
  while (track.Append(0x80, 60, 0)) {
  }
  EXPECT_EQ(track.Count(), kMelodyCapacity);
}

TEST(MelodyTrack, PlaybackRoutesDueEventsByTheMelodyOptions) {
  struct Case {
    const char* Name;
    bool Play, Original, MinusOne, Controllers;
    int Transposition;
    std::vector<std::array<uint8_t, 3>> Sent;
  };
  const Case cases[] = {
      {"melody channel", true, false, false, false, 0, {{0x92, 60, 100}, {0x82, 60, 0}}},
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

TEST(MelodyTrack, QuestionsGuardTheMelodyAndPlayOffSilencesItsChannel) {
  host::RecordingDialogs dialogs;
  MelodyTrack track;
  track.Load(std::vector<MelodyEvent>{On(0, 60)});
  EXPECT_FALSE(track.ToggleRecord(true, dialogs)) << "ignored while the transport runs";
  dialogs.QueueAnswer(false);
  EXPECT_FALSE(track.ToggleRecord(false, dialogs));
  dialogs.QueueAnswer(false);
  EXPECT_FALSE(track.Delete(dialogs));
  EXPECT_EQ(track.Count(), 1);
  dialogs.QueueAnswer(true);
  EXPECT_TRUE(track.ToggleRecord(false, dialogs));
  EXPECT_TRUE(track.Record && track.Play && track.Empty());
  EXPECT_EQ(dialogs.Questions(), (std::vector<std::string>{kReplaceMelodyQuestion, kDeleteMelodyQuestion,
                                                           kReplaceMelodyQuestion}));

  SentMessages out;
  track.Channel = 3;
  track.SetPlay(false, out);
  track.SetPlay(false, out);
  EXPECT_EQ(out.Sent, (std::vector<std::array<uint8_t, 3>>{{0xB3, 64, 0}, {0xB3, 66, 0}, {0xB3, 123, 0}}));
}

TEST(MelodyNotes, TheNotesPanelStepsThroughNoteStartsAndEditsThem) {
  MelodyTrack track;
  track.Load(
      std::vector<MelodyEvent>{On(0, 60), {2, 0xB0, 1, 5, 0}, On(4, 64), Off(8, 60), Off(9, 64), On(12, 60)});
  EXPECT_EQ(track.SelectNext(), 2);
  EXPECT_EQ(track.SelectNext(), 5);
  EXPECT_EQ(track.SelectNext(), std::nullopt);
  EXPECT_EQ(track.SelectPrevious(), 2);
  EXPECT_TRUE(track.ChangeSelectedNote(7, 4));  // G: (4 + 1) × 12 + 7
  EXPECT_FALSE(track.ChangeSelectedNote(11, 9)) << "above 127";
  EXPECT_EQ(std::tuple(track.Events()[2].Data1, track.Events()[3].Data1, track.Events()[4].Data1),
            std::tuple(67, 60, 67))
      << "the note's end follows, another note's end stays";
  EXPECT_EQ(track.SelectPrevious(), 0);
  track.ClearSelectedNote();
  EXPECT_EQ(track.Events()[0].Data2, 0);
  EXPECT_EQ(track.SelectPrevious(), std::nullopt);
}

}  // namespace
}  // namespace kalo::song
