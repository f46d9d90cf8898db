// The sequencer clock over a fake timer and fake clock: tempo, the tick frame, the clock toggle,
// the external clock and Master Mode.

#include "engine/sequencer_clock.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace kalo::engine {
namespace {

using midi::kMidiClock;
using midi::kMidiContinue;
using midi::kMidiStart;
using midi::kMidiStop;

class FakeClockHost final : public ClockHost {
 public:
  explicit FakeClockHost(const host::TickTimer& timer) : timer_(timer) {}
  void SendClickout(uint8_t realtimeByte) override { Clickout.push_back(realtimeByte); }
  bool SecondSlotOpen() const override { return SecondSlot; }
  // Notes the timer's state at the reset, to check what comes first.
  void ResetEngine() override {
    Log.push_back("reset, timer at " + std::to_string(timer_.Tempo()));
    if (OnReset) OnReset();
  }
  void Stop() override { Log.push_back("stop"); }
  int32_t TempoFieldValue() const override { return TempoField; }
  bool ChordmemoryRunning() const override { return Chordmemory; }
  void SetClockPassThrough(bool on) override { PassThrough.push_back(on); }

  std::vector<uint8_t> Clickout;
  std::vector<std::string> Log;
  std::vector<bool> PassThrough;
  bool SecondSlot = true;
  int32_t TempoField = 120;
  bool Chordmemory = false;
  std::function<void()> OnReset;

 private:
  const host::TickTimer& timer_;
};

class CountingBody final : public TickBody {
 public:
  void RunTickBody() override {
    ++Ticks;
    if (Hook) Hook();
  }
  int Ticks = 0;
  std::function<void()> Hook;
};

class SequencerClockTest : public ::testing::Test {
 protected:
  void SetUp() override {
    clock.SetTickBody(&body);
    clock.InitClock();
  }
  void TearDown() override { clock.DoneClock(); }

  // Switches the clock on at the tempo field's value, then forgets what was recorded so far.
  void StartClock() {
    clock.ToggleClock();
    display.Clear();
    clockHost.Log.clear();
  }

  host::FakeTimeSource time{0};
  host::FakeTickTimer timer{time};
  host::FakeThreadPriority priority;
  host::RecordingDisplay display;
  config::Options options;
  FakeClockHost clockHost{timer};
  CountingBody body;
  SequencerClock clock{clockHost, timer, priority, display, options};
};

TEST(TickPeriodTest, RoundsTheTickPeriodToWholeMillisecondsWithAnExactHalfRoundingDown) {
  struct Case {
    int32_t Tempo;
    int32_t Millis;
  };
  for (const Case& c : {Case{120, 21}, Case{100, 25}, Case{96, 26}, Case{25, 100}, Case{250, 10},
                        Case{200, 12} /* 12.5 */, Case{41, 61} /* 60.98 */, Case{0, 0}, Case{-7, 0}})
    EXPECT_EQ(TickPeriodFor(c.Tempo), c.Millis) << "tempo " << c.Tempo;
}

TEST_F(SequencerClockTest, TheTempoFieldRetunesARunningClockOnlyWithin25To250AndStartsNone) {
  EXPECT_FALSE(clock.TempoFieldChange(120)) << "a clock that is off is not started";
  EXPECT_FALSE(timer.Running());
  struct Case {
    int32_t Field;
    int32_t TimerTempo;
    int32_t TickPeriod;
  };
  for (const Case& c : {Case{24, 120, 21}, Case{251, 120, 21}, Case{0, 120, 21}, Case{-1, 120, 21},
                        Case{25, 25, 100}, Case{250, 250, 10}, Case{96, 96, 26}}) {
    SCOPED_TRACE(c.Field);
    clock.SetClockTempo(120);
    clock.ClockState = 1;
    clock.SetClockTempo(120);
    clock.TempoFieldChange(c.Field);
    EXPECT_EQ(timer.Tempo(), c.TimerTempo);
    EXPECT_EQ(clock.TickPeriod, c.TickPeriod);
  }
}

TEST_F(SequencerClockTest, ATempoOfZeroOrLessStopsTheTimerAndStartsNoOther) {
  for (int32_t tempo : {0, -5}) {
    StartClock();
    ASSERT_TRUE(timer.Running());
    clock.SetClockTempo(tempo);
    EXPECT_FALSE(timer.Running());
    const int before = body.Ticks;
    timer.RunUntil(time.NowMicros() + 1'000'000);
    EXPECT_EQ(body.Ticks, before);
    clock.ToggleClock();  // off again for the next round
  }
}

TEST_F(SequencerClockTest, TogglingTheClockOnAndOffFollowsSlaveMode) {
  struct Case {
    bool SlaveMode;
    int16_t State;
    uint32_t LedOn;
    std::string Indicator;
    int32_t TimerTempo;
    std::string Reset;
  };
  for (const Case& c : {Case{false, 1, kBeatLedRed, "00000000", 120, "reset, timer at 0"},
                        Case{true, -1, kBeatLedBlue, "00FF0000", 0, "reset, timer at 0"}}) {
    SCOPED_TRACE(c.SlaveMode ? "slave" : "internal");
    options.SlaveMode = c.SlaveMode;
    display.Clear();
    clockHost.Log.clear();
    clock.ToggleClock();
    EXPECT_EQ(clock.ClockState, c.State);
    EXPECT_EQ(clock.BeatLedOnColour, c.LedOn);
    EXPECT_EQ(display.Last("BeatColour"), c.Indicator);
    EXPECT_EQ(display.Last("Measure"), "1");
    EXPECT_EQ(timer.Tempo(), c.TimerTempo);
    EXPECT_EQ(clockHost.Log, std::vector<std::string>{c.Reset});  // the reset comes before the timer

    clockHost.Log.clear();
    clock.ToggleClock();
    EXPECT_EQ(clock.ClockState, 0);
    EXPECT_EQ(clock.BeatLedOnColour, kBeatLedBlack);
    EXPECT_EQ(display.Last("BeatColour"), "00000000");
    EXPECT_FALSE(timer.Running());
    EXPECT_EQ(clockHost.Log, std::vector<std::string>{"reset, timer at 0"});  // the timer stops first
  }
}

TEST_F(SequencerClockTest, TheClockToggleDoesNothingWhileTheChordmemoryPlaysOrRecords) {
  clockHost.Chordmemory = true;
  clock.ToggleClock();
  EXPECT_EQ(clock.ClockState, 0);
  EXPECT_TRUE(display.Lines().empty());
  EXPECT_TRUE(clockHost.Log.empty());
}

TEST_F(SequencerClockTest, TicksWhileOffOrWithoutAnOpenOutputOnlySetAndClearTickBusy) {
  options.MasterMode = true;
  struct Case {
    int16_t State;
    bool SecondSlot;
  };
  for (const Case& c : {Case{0, true}, Case{1, false}, Case{-1, false}}) {
    clock.ClockState = c.State;
    clockHost.SecondSlot = c.SecondSlot;
    clock.TickInBeat = 5;
    clock.OnTick();
    EXPECT_EQ(body.Ticks, 0);
    EXPECT_EQ(clock.TickInBeat, 5);
    EXPECT_EQ(clock.TickBusy.load(), 0);
    EXPECT_TRUE(clockHost.Clickout.empty());
  }
  clock.ClockState = 1;
  clockHost.SecondSlot = true;
  bool busyInside = false;
  body.Hook = [&] { busyInside = clock.TickBusy.load() != 0; };
  clock.OnTick();
  EXPECT_TRUE(busyInside);
  EXPECT_EQ(clock.TickBusy.load(), 0);
}

TEST_F(SequencerClockTest, TheBeatIndicatorGoesBlackAtTheBeatLedOffTickOfTheBeatMode) {
  struct Case {
    config::BeatMode Mode;
    int16_t OffTick;
  };
  for (const Case& c : {Case{config::BeatMode::Quarter, 13}, Case{config::BeatMode::Eighth, 7}}) {
    clock.SetBeatMode(c.Mode);
    clock.ClockState = 1;
    clock.TickInBeat = static_cast<int16_t>(c.OffTick - 2);
    std::vector<int16_t> blackAt;
    body.Hook = [&] {
      if (!display.Lines().empty()) blackAt.push_back(clock.TickInBeat);
      display.Clear();
    };
    for (int i = 0; i < 4; ++i) clock.OnTick();
    // The tick that finds TickInBeat at the off tick darkens the indicator, then counts on.
    EXPECT_EQ(blackAt, std::vector<int16_t>{static_cast<int16_t>(c.OffTick + 1)});
    EXPECT_EQ(clock.TickInBeat, c.OffTick + 2);
    EXPECT_EQ(display.Last("BeatColour"), "");
  }
}

TEST_F(SequencerClockTest, MasterModeSendsExactlyOneClockBytePerTickRun) {
  options.MasterMode = true;
  StartClock();
  clock.StartWait = 3;  // the first two ticks are swallowed
  timer.RunUntil(9 * 2'500'000 / 120);
  EXPECT_EQ(body.Ticks, 8);
  EXPECT_EQ(clockHost.Clickout, std::vector<uint8_t>(8, kMidiClock));

  options.MasterMode = false;
  timer.RunUntil(19 * 2'500'000 / 120);
  EXPECT_EQ(body.Ticks, 18);
  EXPECT_EQ(clockHost.Clickout.size(), 8u);
}

TEST_F(SequencerClockTest, TenThousandTicksAtTempo120TakeTheExactTime) {
  StartClock();
  ASSERT_EQ(clock.TickPeriod, 21);  // what the engine shows; 10,000 ticks of it would take 210 s
  int64_t lastDue = -1;
  body.Hook = [&] { lastDue = clock.TickDueMicros; };
  timer.RunUntil(208'333'332);
  EXPECT_EQ(body.Ticks, 10'000);  // ticks 0 to 9,999
  timer.RunUntil(208'333'333);
  EXPECT_EQ(body.Ticks, 10'001);
  EXPECT_EQ(lastDue, 208'333'333);  // tick 10,000, after 208.333 s
}

TEST_F(SequencerClockTest, SlaveModeNeverStartsTheTimerAndTheTempoFieldHasNoEffect) {
  options.SlaveMode = true;
  StartClock();
  ASSERT_EQ(clock.ClockState, -1);
  EXPECT_FALSE(clock.TempoFieldChange(140));
  clock.SetClockTempo(140);  // a tempo command from a song or from the tempo controller
  EXPECT_FALSE(timer.Running());
  timer.RunUntil(2'000'000);
  EXPECT_EQ(body.Ticks, 0);

  for (int i = 0; i < 24; ++i) clock.ExternalRealtime(kMidiClock);
  EXPECT_EQ(body.Ticks, 24);
  EXPECT_EQ(clock.TickDueMicros, 0);
}

// Start, Continue and Stop act in slave mode only; without it even clock bytes run no tick.
TEST_F(SequencerClockTest, ExternalStartContinueAndStopInSlaveModeOnly) {
  StartClock();
  struct Case {
    bool SlaveMode;
    uint8_t Status;
    int16_t WaitBefore;
    int16_t WaitAfter;
    bool Stops;
  };
  for (const Case& c :
       {Case{true, kMidiStart, 2000, 0, false}, Case{true, kMidiContinue, 5, 0, false},
        Case{true, kMidiStop, 0, 0, true}, Case{true, kMidiStop, 2000, 2000, false},
        Case{true, midi::kActiveSensing, 7, 7, false}, Case{false, kMidiClock, 2000, 2000, false},
        Case{false, kMidiStart, 2000, 2000, false}, Case{false, kMidiContinue, 2000, 2000, false},
        Case{false, kMidiStop, 0, 0, false}}) {
    SCOPED_TRACE(std::to_string(c.SlaveMode) + " " + std::to_string(c.Status));
    options.SlaveMode = c.SlaveMode;
    clockHost.Log.clear();
    clock.StartWait = c.WaitBefore;
    clock.ExternalRealtime(c.Status);
    EXPECT_EQ(clock.StartWait, c.WaitAfter);
    EXPECT_EQ(clockHost.Log.size(), c.Stops ? 1u : 0u);
  }
  EXPECT_EQ(body.Ticks, 0);
}

TEST_F(SequencerClockTest, PlayWithTheExternalClockWaitsAtMost2000ClocksAndStartsOnANewBeat) {
  options.SlaveMode = true;
  StartClock();
  clock.WaitForExternalStart();
  std::vector<int16_t> tickInBeat;
  body.Hook = [&] { tickInBeat.push_back(clock.TickInBeat); };
  for (int i = 0; i < 1999; ++i) clock.ExternalRealtime(kMidiClock);
  EXPECT_EQ(body.Ticks, 0);
  clock.ExternalRealtime(kMidiClock);
  EXPECT_EQ(tickInBeat, std::vector<int16_t>{25});  // past TicksPerBeat: the body begins a beat
}

TEST_F(SequencerClockTest, PlayAgainWhileAStartIsAwaitedStartsAtOnce) {
  struct Case {
    int16_t Wait;
    bool Starts;
    int16_t WaitAfter;
  };
  for (const Case& c :
       {Case{2000, true, 0}, Case{1001, true, 0}, Case{1000, false, 1000}, Case{0, false, 0}}) {
    clock.StartWait = c.Wait;
    EXPECT_EQ(clock.StartNowIfWaiting(), c.Starts) << c.Wait;
    EXPECT_EQ(clock.StartWait, c.WaitAfter);
  }
}

TEST_F(SequencerClockTest, SwitchingSlaveModeMovesPassThroughAndARunningClockAlong) {
  EXPECT_EQ(clockHost.PassThrough, std::vector<bool>{false});  // off from start-up
  StartClock();
  ASSERT_TRUE(timer.Running());

  options.SlaveMode = true;
  clock.ApplySlaveMode();
  EXPECT_EQ(clockHost.PassThrough.back(), true);
  EXPECT_EQ(clock.ClockState, -1);
  EXPECT_FALSE(timer.Running());

  options.SlaveMode = false;
  clock.ApplySlaveMode();
  EXPECT_EQ(clockHost.PassThrough.back(), false);
  EXPECT_EQ(clock.ClockState, 1);
  EXPECT_EQ(timer.Tempo(), 120);
}

TEST_F(SequencerClockTest, ATickIsNeverRunInsideAnotherAndAFailingTickDoesNotJamTheClock) {
  StartClock();
  body.Hook = [&] { clock.OnTick(); };  // e.g. a clock byte handled while the tick runs
  clock.OnTick();
  EXPECT_EQ(body.Ticks, 1);

  body.Hook = [] { throw std::runtime_error("output failed"); };
  EXPECT_THROW(clock.OnTick(), std::runtime_error);
  EXPECT_EQ(clock.TickBusy.load(), 0);
  body.Hook = nullptr;
  clock.OnTick();
  EXPECT_EQ(body.Ticks, 3);
}

TEST_F(SequencerClockTest, PlaysRealTimeRequestOutlastsTheResetOfTheClockToggleAndStopsResetEndsIt) {
  clockHost.OnReset = [&] { clock.SetProcessPriority(clock.SavedPriorityClass); };
  clock.ToggleClock();  // the clock button alone asks for nothing
  EXPECT_EQ(priority.GetPriorityClass(), host::kNormalPriorityClass);
  clock.ToggleClock();

  clock.SetProcessPriority(host::kRealTimePriorityClass);  // Play, then the clock comes on
  clock.ToggleClock();
  EXPECT_EQ(priority.GetPriorityClass(), host::kRealTimePriorityClass);
  clock.ToggleClock();
  EXPECT_EQ(priority.GetPriorityClass(), host::kNormalPriorityClass);
}

}  // namespace
}  // namespace kalo::engine
