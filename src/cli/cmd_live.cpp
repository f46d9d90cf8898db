// kalo live: the arranger from a terminal. The player's keyboard (or software connected to KALO's own
// input port) drives a style through the real-time clock (or an external master's MIDI clock) until
// Ctrl-C, SIGTERM, SIGHUP, SIGQUIT or the end of standard input; what happens is shown on one status
// line.

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "app/arranger.h"
#include "app/style_preview.h"
#include "app/synth_settings.h"
#include "cli/command_files.h"
#include "cli/commands.h"
#include "cli/program_settings.h"
#include "engine/sequencer_clock.h"
#include "host/file_store.h"
#include "host/main_loop.h"
#include "host/process_environment.h"
#include "host/program_folder.h"
#include "host/stop_watcher.h"
#include "host/thread_priority.h"
#include "host/tick_timer.h"
#include "host/web_links.h"
#include "midi/backends/platform_backends.h"
#include "midi/backends/rtmidi_backend.h"
#include "midi/synth_options.h"
#include "perform/chord.h"
#include "styles/style_file.h"
#include "styles/style_records.h"

namespace kalo::cli {

namespace {

struct LiveArguments {
  std::string Style;
  std::optional<std::string> In;
  std::optional<std::string> ExtIn;
  std::optional<std::string> Out;
  std::optional<std::string> ClockOut;
  int Tempo = 0;      // 0: the style's own tempo
  int Transpose = 0;  // semitones, as the main window's transposition field
  bool Master = false;
  bool Slave = false;
  std::string Ini;
};

// The beat that sounds, as the style's player shows it ("measure:beat" at the first tick of a beat).
class LiveDisplay final : public host::Display {
 public:
  void SetStyleCreatorPosition(const std::string& text) override {
    const size_t colon = text.find(':');
    if (colon == std::string::npos) return;
    const int beat = std::atoi(text.c_str() + colon + 1);
    if (beat == 1 && Beat != 0) ++Measure;
    if (Beat == 0) Measure = 1;
    Beat = beat;
  }
  void Reset() { Beat = 0, Measure = 0; }
  int Beat = 0;  // 0 until the first beat of the style
  int Measure = 0;
};

// Messages of the session go to standard error as they come.
class TerminalDialogs final : public host::Dialogs {
 public:
  bool Ask(const std::string& /*question*/) override { return false; }
  void Inform(const std::string& text) override {
    Say("kalo live", text);
    Last = text;
  }
  std::optional<std::string> AskText(const std::string&, const std::string&, const std::string&) override {
    return std::nullopt;
  }
  std::string Last;
};

struct Port {
  int Id = 0;
  std::string Name;
  std::string Backend;
};

std::vector<Port> ListPorts(const midi::MidiDeviceRegistry& devices, bool inputs) {
  std::vector<Port> ports;
  const int count = inputs ? devices.InputCount() : devices.OutputCount();
  for (int id = 0; id < count; ++id) {
    midi::DeviceRef ref;
    Port port{id, {}, {}};
    if (inputs) {
      midi::InputCapabilities caps;
      devices.FindInput(id, ref);
      devices.GetInputCapabilities(id, caps);
      port.Name = caps.ProductName;
    } else {
      midi::OutputCapabilities caps;
      devices.FindOutput(id, ref);
      devices.GetOutputCapabilities(id, caps);
      port.Name = caps.ProductName;
    }
    port.Backend = ref.Backend ? ref.Backend->Name() : "";
    ports.push_back(port);
  }
  return ports;
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// A port named as `kalo ports` prints it: its number, its name, or "synth" for the built-in
// synthesizer. Of two ports with one name (KALO's own on ALSA and on JACK) the JACK one is taken.
std::optional<int> FindPort(const std::vector<Port>& ports, const std::string& wanted) {
  const std::string name = Lower(wanted) == "synth" ? midi::kSynthName : wanted;
  if (!name.empty() && std::all_of(name.begin(), name.end(), [](char c) { return std::isdigit(c); })) {
    const long id = std::stol(name);
    if (id < static_cast<long>(ports.size())) return static_cast<int>(id);
    return std::nullopt;
  }
  std::optional<int> found;
  for (const Port& port : ports) {
    if (port.Name != name && port.Name + " [" + port.Backend + "]" != name) continue;
    if (!found || port.Backend == "jack") found = port.Id;
  }
  return found;
}

void PrintPorts(const std::vector<Port>& ports, const char* kind) {
  std::cerr << "MIDI " << kind << ":\n";
  if (ports.empty()) std::cerr << "  (none)\n";
  for (const Port& port : ports)
    std::cerr << "  " << port.Id << ": " << host::PrintableText(port.Name) << " [" << port.Backend << "]\n";
}

// The status line: chord, part, measure and beat, tempo. Measures are counted from the style's start.
class StatusLine {
 public:
  StatusLine(app::Arranger& session, LiveDisplay& display, bool terminal)
      : session_(session), display_(display), terminal_(terminal) {}

  void Update() {
    const perform::ChordState& chords = session_.Chords();
    const styles::TGen& gen = session_.Gen();
    const bool playing = gen.Playing;
    if (!playing) display_.Reset();

    std::ostringstream line;
    const bool chord =
        chords.CurrentRoot >= 0 && chords.CurrentRoot < perform::kNoRoot && chords.CurrentType > 0;
    line << "chord " << (chord ? perform::ChordName(chords.CurrentRoot, chords.CurrentType) : "-");
    if (playing) {
      const auto part = static_cast<size_t>(gen.RunningPart);
      line << "  part " << (part < styles::kPartNames.size() ? styles::kPartNames[part] : "?");
      if (display_.Beat > 0) line << "  measure " << display_.Measure << " beat " << display_.Beat;
    } else {
      line << "  stopped";
    }
    line << "  tempo " << session_.Tempo();
    const std::string text = line.str();
    if (text == shown_) return;
    shown_ = text;
    if (terminal_) {
      std::cout << '\r' << text << "\x1b[K" << std::flush;
    } else {
      std::cout << text << std::endl;
    }
  }

  void End() {
    if (terminal_ && !shown_.empty()) std::cout << '\n' << std::flush;
  }

 private:
  app::Arranger& session_;
  LiveDisplay& display_;
  bool terminal_;
  std::string shown_;
};

int Live(const LiveArguments& args) {
  midi::KeepJackServerFromStarting();
  // Before any thread starts, so that only the watcher takes Ctrl-C, SIGTERM, SIGHUP and SIGQUIT.
  host::StopWatcher::BlockStopSignals();

  const auto bytes = ReadStyleInput("kalo live", args.Style);
  if (!bytes) return 1;
  const std::optional<CommandSettings> read = ReadCommandSettings("kalo live", args.Ini);
  if (!read) return 1;
  const config::Settings& settings = read->Values;

  if (args.Slave && !args.ExtIn) {
    std::cerr << "kalo live: --slave needs --ext-in, the input the master's MIDI clock comes on\n";
    return 2;
  }
  host::StdMainLoop loop;
  TerminalDialogs dialogs;
  LiveDisplay display;
  host::PosixThreadPriority priority;
  host::ThreadTickTimer timer(loop, &priority);
  host::PrintingWebLinks links;
  const host::ProgramFolder folder = host::ProgramFolder::OfRunningProgram();
  app::Arranger session({loop, dialogs, display, timer, priority, links, folder},
                        midi::PlatformBackends(app::SynthOptionsFrom(settings)));
  session.Settings() = settings;

  // The ports asked for, by number or name; unknown names end the run before anything opens.
  const midi::MidiDeviceRegistry& devices = session.Midi().Devices();
  const std::vector<Port> inputs = ListPorts(devices, true);
  const std::vector<Port> outputs = ListPorts(devices, false);
  auto resolve = [&](const std::optional<std::string>& wanted, bool input,
                     const char* option) -> std::optional<int> {
    const std::vector<Port>& ports = input ? inputs : outputs;
    const std::optional<int> id = FindPort(ports, *wanted);
    if (!id) {
      Say("kalo live", std::string(option) + ": there is no MIDI " + (input ? "input" : "output") + " \"" +
                           *wanted + "\"");
      PrintPorts(ports, input ? "inputs" : "outputs");
    }
    return id;
  };
  // Without --in the keyboard is KALO's own input port, for other software to connect to.
  const std::optional<std::string> in = args.In ? args.In : std::optional<std::string>(midi::kOwnPortName);
  const std::optional<int> inId = resolve(in, true, "--in");
  const std::optional<int> extId =
      args.ExtIn ? resolve(args.ExtIn, true, "--ext-in") : std::optional<int>(-2);
  const std::optional<int> outId =
      args.Out ? resolve(args.Out, false, "--out") : std::optional<int>(settings.MidiOut);
  const std::optional<int> clockId =
      args.ClockOut ? resolve(args.ClockOut, false, "--clock-out") : std::optional<int>(-2);
  if (!inId || !extId || !outId || !clockId) return 2;

  config::Settings& own = session.Settings();
  own.MidiIn = *inId;
  own.MidiSubIn = *extId;
  own.MidiOut = *outId;
  own.MidiSubOut = *clockId;
  session.Start();
  struct Opened {
    const char* Option;
    bool Asked;
    bool Open;
    std::string Name;
    bool Input;
  };
  const Opened opened[] = {
      {"--in", true, session.Input1() && session.Input1()->IsOpen(), *in, true},
      {"--ext-in", args.ExtIn.has_value(), session.Input2() && session.Input2()->IsOpen(),
       args.ExtIn.value_or(""), true},
      {"--out", true, session.Devices().Midiout().IsOpen(),
       args.Out.value_or(*outId >= 0 && *outId < static_cast<int>(outputs.size())
                             ? outputs[static_cast<size_t>(*outId)].Name
                             : std::to_string(*outId)),
       false},
      {"--clock-out", args.ClockOut.has_value(), session.Devices().Output(midi::OutputSlot::Second).IsOpen(),
       args.ClockOut.value_or(""), false},
  };
  for (const Opened& port : opened) {
    if (!port.Asked || port.Open) continue;
    Say("kalo live", std::string(port.Option) + ": cannot open MIDI " + (port.Input ? "input" : "output") +
                         " \"" + port.Name + "\"");
    PrintPorts(port.Input ? inputs : outputs, port.Input ? "inputs" : "outputs");
    return 1;
  }

  if (session.Gen().LoadStyleFromBytes(args.Style, *bytes) != styles::LoadOutcome::Loaded) {
    Say("kalo live", host::PrintableName(args.Style) + " is not a style that can be played");
    return 1;
  }
  loop.RunPending();
  session.SetTempo(args.Tempo != 0 ? args.Tempo
                                   : app::StartTempoOf(session.Gen().CurrentStyle().Header.Tempo));
  session.SetTransposition(args.Transpose);
  // The MIDI clock goes out on --clock-out (output 2, where the "Clickout" route points), or with the
  // music when no such port is given.
  midi::RouteChoice routes = session.Devices().Choice();
  routes.Clickout = args.ClockOut ? midi::OutputSlot::Second : midi::OutputSlot::First;
  session.Devices().SetRouteChoice(routes);
  if (args.Master) session.SetMasterMode(true);
  if (args.Slave) session.SetSlaveMode(true);
  // Nothing plays before the first chord of the left hand, which starts the style (and the clock);
  // the clock runs at real-time priority from then on, as Play asks for it.
  session.Clock().SetProcessPriority(host::kRealTimePriorityClass);

  StatusLine status(session, display, host::StandardOutputIsTerminal());
  status.Update();
  std::atomic<bool> stopping{false};
  {
    host::StopWatcher watcher(
        [&] {
          stopping = true;
          loop.Post([&loop] { loop.Quit(); });
        },
        [&] {
          if (!stopping) loop.Post([&status] { status.Update(); });
        },
        std::chrono::milliseconds(50), true);
    loop.Run();
  }
  loop.RunPending();
  status.End();

  // A clean end: the style stops, every channel is released, the clock and the ports close.
  session.Stop();
  session.AllNotesOff();
  return 0;
}

}  // namespace

void AddLiveCommand(CLI::App& app, ExitStatus& status) {
  auto args = std::make_shared<LiveArguments>();
  CLI::App* live = app.add_subcommand(
      "live",
      "Play live: the left hand's chords drive the style, the control keys switch its parts, the right hand "
      "plays through on the keyboard channel. Ends with Ctrl-C, SIGTERM, SIGHUP, SIGQUIT or the end of "
      "standard input");
  live->add_option("--style", args->Style, "the style file (.vxs)")->required();
  live->add_option(
      "--in", args->In,
      "the keyboard's MIDI input, by number or name as kalo ports prints them (default: KALO's own "
      "input port, for other software to connect to)");
  live->add_option("--ext-in", args->ExtIn, "the external sequencer's MIDI input (default: none)");
  live->add_option("--out", args->Out,
                   "the MIDI output, by number or name; synth for the built-in synthesizer (default: the "
                   "settings' \"MIDI out\")");
  live->add_option("--tempo", args->Tempo, "quarter notes per minute (default: the style's tempo)")
      ->check(CLI::Range(engine::kMinFieldTempo, engine::kMaxFieldTempo));
  live->add_option("--transpose", args->Transpose,
                   "semitones the accompaniment moves, as the window's transposition field (-24 to 24)")
      ->check(CLI::Range(-24, 24));
  CLI::Option* master =
      live->add_flag("--master", args->Master,
                     "Master Mode: send MIDI clock, Start and Stop (on --clock-out, else on --out)");
  live->add_flag("--slave", args->Slave,
                 "Slave Mode: play to the MIDI clock, Start and Stop received on --ext-in")
      ->excludes(master);
  live->add_option("--clock-out", args->ClockOut,
                   "the MIDI output for the clock in Master Mode, by number or name (default: --out)");
  live->add_option("--ini", args->Ini, "read this settings file instead of the program's own");
  live->callback([args, &status] { status.Code = Live(*args); });
}

}  // namespace kalo::cli
