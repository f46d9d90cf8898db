#pragma once
// The sequencer clock: turns the tempo into 24 ticks per quarter note and runs the frame of every
// tick on the main thread. Internally the ticks come from a host::TickTimer; in Slave Mode every
// MIDI clock byte received on the second input runs one tick instead. In Master Mode the clock
// sends a MIDI clock byte for every tick it runs. While playing it asks for real-time scheduling.
//
// Everything here runs on the main thread, except that the timer thread reads TickBusy.

#include <atomic>
#include <cstdint>

#include "config/options.h"
#include "config/settings.h"
#include "host/display.h"
#include "host/main_loop.h"
#include "host/thread_priority.h"
#include "host/tick_timer.h"
#include "midi/midi_status.h"

namespace kalo::engine {

// Beat indicator colours (0x00BBGGRR).
inline constexpr uint32_t kBeatLedBlack = 0x000000;
inline constexpr uint32_t kBeatLedRed = 0x0000FF;     // internal clock
inline constexpr uint32_t kBeatLedBlue = 0xFF0000;    // external clock
inline constexpr uint32_t kBeatLedYellow = 0x00FFFF;  // an intro runs

// The range of tempi the tempo field hands to the clock, quarter notes per minute.
inline constexpr int32_t kMinFieldTempo = 25;
inline constexpr int32_t kMaxFieldTempo = 250;

// Clocks swallowed at most while waiting for an external master's Start.
inline constexpr int16_t kExternalStartWait = 2000;

// The tick period in whole milliseconds, as shown and used by the rest of the engine: 2500 / tempo
// rounded to the nearest integer, an exact half rounding down (120 -> 21, 96 -> 26). 0 for a tempo
// of 0 or less. The timer itself keeps exact time (see host::TickSchedule).
int32_t TickPeriodFor(int32_t tempo);

// What the clock needs from the rest of the program. All calls on the main thread.
class ClockHost {
 public:
  virtual ~ClockHost() = default;
  // Sends one realtime byte (midi::kMidiClock, kMidiStart, kMidiStop) on the "Clickout" route.
  virtual void SendClickout(uint8_t realtimeByte) = 0;
  // Whether the second-slot route has an open output; without one every tick is silent.
  virtual bool SecondSlotOpen() const = 0;
  // The engine reset (which, among other things, calls SetProcessPriority(SavedPriorityClass)).
  virtual void ResetEngine() = 0;
  // The transport's Stop.
  virtual void Stop() = 0;
  // The tempo field's present value, quarter notes per minute.
  virtual int32_t TempoFieldValue() const = 0;
  // Whether the Chordmemory is being played or recorded.
  virtual bool ChordmemoryRunning() const = 0;
  // Switches pass-through of MIDI clock bytes on the second input.
  virtual void SetClockPassThrough(bool on) = 0;
};

// The work of a tick after the clock's frame has advanced TickInBeat. Main thread.
class TickBody {
 public:
  virtual ~TickBody() = default;
  virtual void RunTickBody() = 0;
};

class SequencerClock final : public host::NoticeTarget {
 public:
  SequencerClock(ClockHost& host, host::TickTimer& timer, host::ThreadPriority& priority,
                 host::Display& display, const config::Options& options);
  SequencerClock(const SequencerClock&) = delete;
  SequencerClock& operator=(const SequencerClock&) = delete;

  // The tick body; null runs the frame only.
  void SetTickBody(TickBody* body) { body_ = body; }

  // Once at start-up: opens the timer with OnTick as its target, stores the priority class found
  // and sets clock pass-through to follow Slave Mode.
  void InitClock();
  // At exit: stops and closes the timer.
  void DoneClock();

  // (Re)starts the timer at `tempo` quarter notes per minute, or stops it for 0 or less. Sets
  // TickPeriod. Only the internal clock (ClockState 1) runs a timer: while the clock is off or
  // external, the timer stays stopped, so that an external clock is never doubled by it.
  void SetClockTempo(int32_t tempo);
  // The tempo field's change rule: values from 25 to 250 reach SetClockTempo while ClockState is
  // 1 or more; others are ignored (the timer keeps its rate). True when applied.
  bool TempoFieldChange(int32_t value);

  // Asks for a priority class (host::kRealTimePriorityClass while playing, SavedPriorityClass at
  // the engine reset). False when the system refused; playing goes on at normal priority then.
  // A real-time request made just before ToggleClock switches the clock on outlasts the engine
  // reset that the toggle runs.
  bool SetProcessPriority(uint32_t priorityClass);

  // Runs one tick. A call while a tick runs (re-entered from inside a tick) is dropped.
  void OnTick();

  // The clock on/off button. Does nothing while the Chordmemory is played or recorded.
  void ToggleClock();

  // Applies the beat mode of the "Quantize" choice.
  void SetBeatMode(config::BeatMode mode);

  // A realtime byte received on the second input; acts only in Slave Mode. 0xF8 runs one tick,
  // Start and Continue end the start wait, Stop presses Stop unless a start is awaited.
  void ExternalRealtime(uint8_t status);
  // Play or Record with the external clock: wait for the master's Start (or at most 2000 clocks),
  // and let the first counted clock begin a new beat.
  void WaitForExternalStart();
  // Play or Record pressed again while a start is awaited (StartWait above 1000): start at once.
  // True when it did.
  bool StartNowIfWaiting();
  // After "Slave Mode" changed: clock pass-through follows it, and a running clock of the other
  // kind is switched off and on again so that it comes back internal or external as the mode says.
  void ApplySlaveMode();

  // Due time of the next timer tick (host::TickTimer microseconds); 0 while no timer runs.
  int64_t NextTickDueMicros() const { return timer_.NextTickDueMicros(); }

  // Tick notices from the timer.
  void OnNotice(uint32_t message, uintptr_t param) override;

  // Clock state. Main thread, except TickBusy, which the timer thread reads.
  uint32_t SavedPriorityClass = host::kNormalPriorityClass;
  int16_t ClockState = 0;  // 0 off, 1 internal, -1 external
  int32_t TickPeriod = 0;  // milliseconds, see TickPeriodFor
  std::atomic<uint8_t> TickBusy{0};
  int16_t StartWait = 0;
  int16_t TickInBeat = 1;
  uint32_t BeatLedOnColour = kBeatLedBlack;
  config::BeatModeConstants Beat = config::kQuarterModeConstants;
  // Due time of the tick being run (host::TickTimer microseconds); 0 for a tick of the external
  // clock.
  int64_t TickDueMicros = 0;

 private:
  ClockHost& host_;
  host::TickTimer& timer_;
  host::ThreadPriority& priority_;
  host::Display& display_;
  const config::Options& options_;
  TickBody* body_ = nullptr;
  bool realTimeRequested_ = false;  // the last class asked for was the real-time class
};

}  // namespace kalo::engine
