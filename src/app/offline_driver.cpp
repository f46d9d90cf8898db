#include "app/offline_driver.h"

#include <algorithm>

namespace kalo::app {

namespace {

constexpr int kOutputCount = 2;

// The time signature of a metre: its measure of L units (four a quarter note) counted in quarter
// notes, or in eighth notes for the eighth-note metres.
midi::TimeSignatureChange TimeSignatureOf(const styles::Metre& metre, int64_t tick) {
  if (metre.EighthNotes) return {tick, metre.MeasureLength / 2, 8};
  return {tick, metre.MeasureLength / 4, 4};
}

}  // namespace

// --- Timeline --------------------------------------------------------------------------------------

Timeline& Timeline::ChordKeysDown(int64_t tick, std::vector<int> keys) {
  return Do(tick, [keys = std::move(keys)](Arranger& a) {
    for (int key : keys) a.ChordKeyDown(key);
  });
}

Timeline& Timeline::ChordKeysUp(int64_t tick, std::vector<int> keys) {
  return Do(tick, [keys = std::move(keys)](Arranger& a) {
    for (int key : keys) a.ChordKeyUp(key);
  });
}

Timeline& Timeline::Chord(int64_t tick, int root, int type) {
  return Do(tick, [root, type](Arranger& a) { a.Chords().SetChord(root, type, perform::kUntransposed); });
}

Timeline& Timeline::ControlKey(int64_t tick, int key) {
  return Do(tick, [key](Arranger& a) { a.ControlKey(key, engine::kKeyParameter); });
}

Timeline& Timeline::Stop(int64_t tick) {
  return Do(tick, [](Arranger& a) { a.Stop(); });
}

Timeline& Timeline::Tempo(int64_t tick, int bpm) {
  return Do(tick, [bpm](Arranger& a) { a.SetTempo(bpm); });
}

Timeline& Timeline::Do(int64_t tick, std::function<void(Arranger&)> action) {
  actions_.push_back({tick, std::move(action)});
  return *this;
}

int64_t Timeline::LastTick() const {
  int64_t last = -1;
  for (const Action& action : actions_) last = std::max(last, action.Tick);
  return last;
}

std::vector<Timeline::Action> Timeline::Sorted() const {
  std::vector<Action> sorted = actions_;
  std::stable_sort(sorted.begin(), sorted.end(),
                   [](const Action& a, const Action& b) { return a.Tick < b.Tick; });
  return sorted;
}

// --- Driver ----------------------------------------------------------------------------------------

OfflineDriver::OfflineDriver(const config::Settings& settings, const host::ProgramFolder& folder)
    : folder_(folder) {
  auto backend = std::make_unique<midi::VirtualBackend>(time_, "offline");
  ports_ = backend.get();
  ports_->AddOutput("Render Out 1");
  ports_->AddOutput("Render Out 2");
  std::vector<std::unique_ptr<midi::PortBackend>> backends;
  backends.push_back(std::move(backend));
  arranger_ = std::make_unique<Arranger>(
      ArrangerHost{loop_, dialogs_, display_, timer_, priority_, links_, folder_}, std::move(backends));
  config::Settings& own = arranger_->Settings();
  own = settings;
  own.MidiOut = 0;
  own.MidiSubOut = 1;
  own.MidiIn = -1;
  own.MidiSubIn = -1;
  arranger_->Start();
  loop_.RunPending();
  ports_->ClearSent();
}

OfflineDriver::~OfflineDriver() = default;

bool OfflineDriver::LoadStyle(const std::string& path, std::span<const uint8_t> bytes) {
  const styles::LoadOutcome outcome = arranger_->Gen().LoadStyleFromBytes(path, bytes);
  loop_.RunPending();
  return outcome == styles::LoadOutcome::Loaded;
}

int OfflineDriver::TempoInForce() const { return timer_.Running() ? timer_.Tempo() : arranger_->Tempo(); }

void OfflineDriver::Collect(OfflineCapture& capture, int64_t tick) {
  loop_.RunPending();
  for (int output = 0; output < kOutputCount; ++output) {
    for (midi::VirtualSent& sent : ports_->TakeSent(output))
      capture.Outputs[static_cast<size_t>(output)].push_back({tick, std::move(sent.Bytes)});
  }
  const int tempo = TempoInForce();
  if (capture.Tempi.empty() || capture.Tempi.back().Bpm != tempo) capture.Tempi.push_back({tick, tempo});
  const midi::TimeSignatureChange metre = TimeSignatureOf(arranger_->Gen().CurrentMetre, tick);
  auto& metres = capture.TimeSignatures;
  if (metres.empty() || metres.back().Numerator != metre.Numerator ||
      metres.back().Denominator != metre.Denominator)
    metres.push_back(metre);
}

OfflineCapture OfflineDriver::Run(const Timeline& timeline, int64_t ticksAfterTimeline) {
  OfflineCapture capture;
  const std::vector<Timeline::Action> actions = timeline.Sorted();
  const int64_t last = timeline.LastTick();
  engine::Sequencer& engine = arranger_->Engine();
  size_t next = 0;
  for (int64_t tick = 0;; ++tick) {
    for (; next < actions.size() && actions[next].Tick <= tick; ++next) actions[next].Apply(*arranger_);
    arranger_->Clock().OnTick();
    Collect(capture, tick);
    const styles::TGen& gen = arranger_->Gen();
    if (gen.Playing && (capture.Parts.empty() || capture.Parts.back().second != gen.RunningPart))
      capture.Parts.emplace_back(tick, gen.RunningPart);
    capture.Ticks = tick + 1;
    const bool playing = engine.StylePlaying() || engine.SongState != 0;
    if (tick >= last && !playing) break;
    if (tick >= last + ticksAfterTimeline) {
      arranger_->Stop();
      Collect(capture, tick);
      capture.Cut = true;
      break;
    }
  }
  capture.Routes = arranger_->Devices().Routes();
  return capture;
}

}  // namespace kalo::app
