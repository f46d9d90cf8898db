#include "engine/sequencer_clock.h"

namespace kalo::engine {

int32_t TickPeriodFor(int32_t tempo) {
  if (tempo <= 0) return 0;
  int32_t period = 2500 / tempo;
  if (2500 % tempo > tempo / 2) ++period;
  return period;
}

SequencerClock::SequencerClock(ClockHost& host, host::TickTimer& timer, host::ThreadPriority& priority,
                               host::Display& display, const config::Options& options)
    : host_(host), timer_(timer), priority_(priority), display_(display), options_(options) {}

void SequencerClock::InitClock() {
  SavedPriorityClass = priority_.GetPriorityClass();
  timer_.Open(*this, TickBusy);
  host_.SetClockPassThrough(options_.SlaveMode);
}

void SequencerClock::DoneClock() {
  timer_.SetTempo(0);
  timer_.Close();
}

void SequencerClock::SetClockTempo(int32_t tempo) {
  if (tempo <= 0) {
    timer_.SetTempo(0);
    return;
  }
  TickPeriod = TickPeriodFor(tempo);
  timer_.SetTempo(ClockState == 1 ? tempo : 0);
}

bool SequencerClock::TempoFieldChange(int32_t value) {
  if (value < kMinFieldTempo || value > kMaxFieldTempo || ClockState < 1) return false;
  SetClockTempo(value);
  return true;
}

bool SequencerClock::SetProcessPriority(uint32_t priorityClass) {
  realTimeRequested_ = priorityClass == host::kRealTimePriorityClass;
  return priority_.SetPriorityClass(priorityClass);
}

void SequencerClock::OnNotice(uint32_t message, uintptr_t param) {
  if (message != host::kTickNotice) return;
  TickDueMicros = static_cast<int64_t>(param);
  OnTick();
}

void SequencerClock::OnTick() {
  if (TickBusy.load(std::memory_order_relaxed) != 0) return;
  TickBusy.store(1, std::memory_order_release);
  // Cleared however the tick ends, so that a failing send cannot leave the clock dropping every
  // tick from then on.
  struct BusyGuard {
    std::atomic<uint8_t>& Flag;
    ~BusyGuard() { Flag.store(0, std::memory_order_release); }
  } guard{TickBusy};

  if (ClockState == 0) return;
  if (!host_.SecondSlotOpen()) return;
  if (StartWait > 0) {
    --StartWait;
    if (StartWait > 0) return;
  }
  if (TickInBeat == Beat.BeatLedOffTick) display_.SetBeatIndicatorColour(kBeatLedBlack);
  ++TickInBeat;
  if (options_.MasterMode) host_.SendClickout(midi::kMidiClock);
  if (body_ != nullptr) body_->RunTickBody();
}

void SequencerClock::ToggleClock() {
  if (host_.ChordmemoryRunning()) return;
  if (ClockState != 0) {
    ClockState = 0;
    BeatLedOnColour = kBeatLedBlack;
    display_.SetBeatIndicatorColour(kBeatLedBlack);
  } else if (options_.SlaveMode) {
    ClockState = -1;
    BeatLedOnColour = kBeatLedBlue;
    display_.SetBeatIndicatorColour(kBeatLedBlue);
  } else {
    ClockState = 1;
    BeatLedOnColour = kBeatLedRed;
    display_.SetBeatIndicatorColour(kBeatLedBlack);
  }
  display_.SetMeasureText("1");
  if (ClockState < 1) {
    SetClockTempo(0);
    host_.ResetEngine();
  } else {
    // Play and Record ask for real-time scheduling and then switch the clock on here; the engine
    // reset would return to the saved class at once, so a real-time request survives it.
    const bool realTime = realTimeRequested_;
    host_.ResetEngine();
    if (realTime && !realTimeRequested_) SetProcessPriority(host::kRealTimePriorityClass);
    TempoFieldChange(host_.TempoFieldValue());
  }
}

void SequencerClock::SetBeatMode(config::BeatMode mode) {
  Beat = mode == config::BeatMode::Eighth ? config::kEighthModeConstants : config::kQuarterModeConstants;
}

void SequencerClock::ExternalRealtime(uint8_t status) {
  if (!options_.SlaveMode) return;
  switch (status) {
    case midi::kMidiClock:
      TickDueMicros = 0;
      OnTick();
      break;
    case midi::kMidiStart:
    case midi::kMidiContinue:
      StartWait = 0;
      break;
    case midi::kMidiStop:
      if (StartWait == 0) host_.Stop();
      break;
    default:
      break;
  }
}

void SequencerClock::WaitForExternalStart() {
  StartWait = kExternalStartWait;
  TickInBeat = 24;
}

bool SequencerClock::StartNowIfWaiting() {
  if (StartWait <= 1000) return false;
  StartWait = 0;
  return true;
}

void SequencerClock::ApplySlaveMode() {
  host_.SetClockPassThrough(options_.SlaveMode);
  const bool otherKind = (ClockState == 1 && options_.SlaveMode) || (ClockState == -1 && !options_.SlaveMode);
  if (!otherKind) return;
  ToggleClock();
  ToggleClock();
}

}  // namespace kalo::engine
