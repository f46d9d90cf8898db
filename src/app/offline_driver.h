#pragma once
// Plays a style offline: an arranger over in-process output ports, a timeline of actions at given
// ticks (chord keys, chords, control keys, option switches, tempo, Stop), and the real tick run in a
// loop with no real time, capturing every message sent on each output with its tick. It is the code
// path of live play; only the source of the ticks differs. Main thread only.

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "app/arranger.h"
#include "config/settings.h"
#include "host/dialogs.h"
#include "host/display.h"
#include "host/main_loop.h"
#include "host/program_folder.h"
#include "host/thread_priority.h"
#include "host/tick_timer.h"
#include "host/time_source.h"
#include "host/web_links.h"
#include "midi/backends/virtual_backend.h"
#include "midi/captured_message.h"

namespace kalo::app {

// What happens at the ticks of a run, before the tick of that number runs. Actions of one tick keep
// the order in which they were added.
class Timeline {
 public:
  // Keys pressed (or released) in the accompaniment zone, in this order: the chord recognizer
  // makes the chord.
  Timeline& ChordKeysDown(int64_t tick, std::vector<int> keys);
  Timeline& ChordKeysUp(int64_t tick, std::vector<int> keys);
  // A chord given as it stands (root note, type 1..17), as a chord button gives it.
  Timeline& Chord(int64_t tick, int root, int type);
  // A control key (a part key of the settings, or a function code) with the value keys carry.
  Timeline& ControlKey(int64_t tick, int key);
  Timeline& Stop(int64_t tick);
  // The tempo field, 25..250.
  Timeline& Tempo(int64_t tick, int bpm);
  // Anything else the session offers: option switches, mutes, solo, the part menu.
  Timeline& Do(int64_t tick, std::function<void(Arranger&)> action);

  // The tick of the last action; -1 for an empty timeline.
  int64_t LastTick() const;

  struct Action {
    int64_t Tick = 0;
    std::function<void(Arranger&)> Apply;
  };
  // The actions in tick order (stable).
  std::vector<Action> Sorted() const;

 private:
  std::vector<Action> actions_;
};

// What a run captured.
struct OfflineCapture {
  // Every message sent to output 1 and to output 2, in the order sent.
  std::array<std::vector<midi::CapturedMessage>, 2> Outputs;
  // The tempo in force from tick 0 on, then each change.
  std::vector<midi::TempoChange> Tempi;
  // The metre of the style in force from tick 0 on, then each change.
  std::vector<midi::TimeSignatureChange> TimeSignatures;
  // Which output each route named at the end of the run.
  midi::OutputRoutes Routes;
  // The style part that played from each tick on where it changed (style part numbers 0..7), while
  // the style played.
  std::vector<std::pair<int64_t, int>> Parts;
  int64_t Ticks = 0;  // ticks run
  bool Cut = false;   // playback was still going at the limit and was stopped there

  // The messages of the output that a route names (with everything else sent to that output).
  const std::vector<midi::CapturedMessage>& On(midi::OutputSlot slot) const {
    return Outputs[slot == midi::OutputSlot::First ? 0 : 1];
  }
  const std::vector<midi::CapturedMessage>& Midiout() const { return On(Routes.Midiout); }
};

class OfflineDriver {
 public:
  // The session starts with these settings, except that output 1 and output 2 are the driver's own
  // two ports and no input is opened; styles named without a path are looked for in `folder`. What
  // the start-up sends is not captured.
  OfflineDriver(const config::Settings& settings, const host::ProgramFolder& folder);
  ~OfflineDriver();
  OfflineDriver(const OfflineDriver&) = delete;
  OfflineDriver& operator=(const OfflineDriver&) = delete;

  Arranger& Session() { return *arranger_; }
  // The messages the session showed the user, in order.
  std::vector<std::string> Messages() const { return dialogs_.Messages(); }
  // The session's questions and messages, for answers queued before a step that asks.
  host::RecordingDialogs& Dialogs() { return dialogs_; }

  // Loads a style from its file's bytes (`path` names it in the captions). What the load sends is
  // captured at tick 0 of the next run. False when it was refused (see Messages()).
  bool LoadStyle(const std::string& path, std::span<const uint8_t> bytes);

  // Runs the ticks from 0, applying the timeline's actions before the tick of their number, until
  // the last action has been applied and nothing plays any more. A style still playing
  // `ticksAfterTimeline` ticks after the last action is stopped there (and the capture is marked
  // cut), so that a run always ends.
  OfflineCapture Run(const Timeline& timeline, int64_t ticksAfterTimeline = 24 * 4 * 64);

 private:
  void Collect(OfflineCapture& capture, int64_t tick);
  int TempoInForce() const;

  host::FakeTimeSource time_;
  host::StdMainLoop loop_;
  host::RecordingDialogs dialogs_;
  host::NullDisplay display_;
  host::ManualTickTimer timer_;
  host::UnchangedPriority priority_;
  host::RecordingWebLinks links_;
  host::ProgramFolder folder_;
  midi::VirtualBackend* ports_ = nullptr;
  std::unique_ptr<Arranger> arranger_;
};

}  // namespace kalo::app
