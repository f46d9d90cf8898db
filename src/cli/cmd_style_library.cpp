// kalo style preview: eight bars of a style's Basic and a fill over a short chord cycle, written as a
// render writes (WAV, MIDI file, event list) or played in real time through the settings' MIDI output.
// kalo style groups: the group file made from a list of styles and their groups (the build makes the
// shipped group file with it).

#include <atomic>
#include <chrono>
#include <filesystem>
#include <iostream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/render_output.h"
#include "app/render_progress.h"
#include "app/style_preview.h"
#include "app/synth_settings.h"
#include "cli/command_files.h"
#include "cli/commands.h"
#include "cli/program_settings.h"
#include "host/file_store.h"
#include "host/main_loop.h"
#include "host/process_environment.h"
#include "host/program_folder.h"
#include "host/stop_watcher.h"
#include "host/time_source.h"
#include "midi/backends/platform_backends.h"
#include "midi/midi_errors.h"
#include "midi/midi_output.h"
#include "midi/midi_system.h"
#include "styles/style_file.h"
#include "styles/style_groups.h"
#include "styles/style_summary.h"

namespace kalo::cli {
namespace {

constexpr std::string_view kPreview = "kalo style preview";

struct PreviewArguments {
  std::string Style;
  std::string Ini;
  app::RenderTargets Targets;
};

// Seconds the output stays open after the last message, so that the last sound can ring.
constexpr double kRingSeconds = 2.0;

// Plays the preview through the settings' "MIDI out" until it has rung out, Ctrl-C, SIGTERM or the
// end of standard input; then silences every channel it played on.
int PlayPreview(const app::StylePreview& preview, const config::Settings& settings, const std::string& what) {
  host::StdMainLoop loop;
  midi::MidiSystem system(loop);
  midi::AddPlatformBackends(system.Devices(), app::SynthOptionsFrom(settings));
  midi::TMidiOutput out(system);
  try {
    out.SetDeviceID(settings.MidiOut);
    if (!out.Open()) throw midi::EmidioutputError("the output did not open");
  } catch (const midi::EmidioutputError& error) {
    Say(kPreview, "cannot open the MIDI output " + std::to_string(settings.MidiOut) + " of the settings (" +
                      error.what() + "); give -o preview.wav to hear it as a file");
    return 1;
  }
  app::PreviewPlayer player(preview.Capture.Midiout(), preview.Capture.Tempi,
                            [&](const std::vector<uint8_t>& m) {
                              if (m.size() <= 3)
                                out.PutShort(m[0], m.size() > 1 ? m[1] : 0, m.size() > 2 ? m[2] : 0);
                              else
                                out.PutLong(m.data(), m.size());
                            });
  Say(kPreview, "playing " + what + " on " + out.ProductName() + ", " +
                    std::to_string(static_cast<int>(player.Seconds() + 0.5)) + " s (Ctrl-C stops)");
  const host::SteadyTimeSource clock;
  const int64_t start = clock.NowMicros();
  std::atomic<bool> stopping{false};
  {
    host::StopWatcher watcher(
        [&] {
          stopping = true;
          loop.Post([&loop] { loop.Quit(); });
        },
        [&] {
          if (stopping) return;
          loop.Post([&] {
            const double seconds = static_cast<double>(clock.NowMicros() - start) / 1e6;
            if (!player.Advance(seconds) && seconds > player.Seconds() + kRingSeconds) loop.Quit();
          });
        },
        std::chrono::milliseconds(2), false);
    loop.Run();
  }
  loop.RunPending();
  player.Stop();
  return 0;
}

int Preview(const PreviewArguments& args) {
  const bool play = args.Targets.Events.empty() && args.Targets.Files.empty();
  if (!play) {
    if (const std::string problem = app::RenderTargetsProblem(args.Targets); !problem.empty()) {
      Say(kPreview, problem);
      return 2;
    }
  } else {
    midi::KeepJackServerFromStarting();
    host::StopWatcher::BlockStopSignals();
  }
  const auto bytes = ReadStyleInput(kPreview, args.Style);
  if (!bytes) return 1;
  const std::optional<CommandSettings> read = ReadCommandSettings(kPreview, args.Ini);
  if (!read) return 1;
  const config::Settings& settings = read->Values;
  if (!RenderTargetsUsable(kPreview, {{args.Style, "the style"}, {read->File, "the settings file"}},
                           args.Targets))
    return 1;
  const app::StylePreview preview =
      app::RenderStylePreview(settings, host::ProgramFolder::OfRunningProgram(), args.Style, *bytes);
  if (!preview.Ok) {
    Say(kPreview, preview.Error);
    return 1;
  }
  const styles::StyleSummary summary = styles::SummarizeStyle(*bytes);
  std::string what = host::PrintableName(args.Style) + " (" + styles::SummaryText(summary);
  if (summary.Tempo != preview.Tempo) what += ", played at " + std::to_string(preview.Tempo) + " bpm";
  what += ")";
  if (play) return PlayPreview(preview, settings, what);

  const host::SteadyTimeSource clock;
  app::RenderProgress progress(clock, std::cerr, host::StandardErrorIsTerminal());
  const bool written = app::WriteRenderTargets(args.Targets, app::MusicOf(preview.Capture), settings,
                                               {std::cout, std::cerr, progress});
  if (written) Say(kPreview, what);
  return written ? 0 : 1;
}

struct GroupsArguments {
  std::string List;
  std::string Styles;
  std::string NamedFolder;
  std::string Output;
};

// Each line of the list: "<group path> <style> <description>", e.g. "Jazz/Swing swing Medium swing";
// '#' starts a comment line. Every mistake is reported with its line, and then nothing is written.
int BuildGroups(const GroupsArguments& args) {
  constexpr std::string_view kCommand = "kalo style groups";
  const auto text = ReadWholeInput(kCommand, args.List, 1 << 20, "a list of styles");
  if (!text) return 1;
  if (!OutputsUsable(kCommand, {{args.List, "the list"}}, {{args.Output, false}})) return 1;
  const std::filesystem::path named = args.NamedFolder.empty() ? args.Styles : args.NamedFolder;
  std::map<int, std::vector<std::string>> groups;
  int errors = 0;
  std::istringstream lines(std::string(text->begin(), text->end()));
  std::string line;
  for (int number = 1; std::getline(lines, line); ++number) {
    std::istringstream words(line);
    std::string group, style, description;
    if (!(words >> group) || group[0] == '#') continue;
    words >> style >> std::ws;
    std::getline(words, description);
    const auto complain = [&](const std::string& what) {
      std::cerr << host::PrintableText(args.List + ':' + std::to_string(number) + ": " + what) << '\n';
      ++errors;
    };
    const std::optional<int> n = styles::GroupNumberOf(group);
    const auto file = std::filesystem::path(args.Styles) / (style + ".vxs");
    const auto summary = style.empty() ? std::nullopt : styles::ReadStyleSummary(file);
    if (!n) {
      complain("no group \"" + group + "\"");
    } else if (styles::HasSubGroups(*n)) {
      complain("the group \"" + group + "\" has sub-groups and takes no styles");
    } else if (!summary) {
      complain("no style file " + host::PrintableName(file));
    } else {
      groups[*n].push_back(
          styles::MakeGroupEntry((named / (style + ".vxs")).string(), *summary, description));
    }
  }
  if (errors > 0) {
    std::cerr << "kalo style groups: " << errors << (errors == 1 ? " error" : " errors")
              << ", nothing written\n";
    return 1;
  }
  // A fresh file: the first group saved replaces whatever the output held.
  styles::StyleGroupFile file({{}, args.Output});
  size_t entries = 0;
  for (const auto& [group, list] : groups) {
    entries += list.size();
    if (const auto failure = file.SaveGroup(group, list)) {
      Say(kCommand, "cannot write " + *failure);
      return 1;
    }
  }
  std::cout << host::PrintableText(args.Output) << ": " << entries << " entries in " << groups.size()
            << " groups\n";
  return 0;
}

}  // namespace

void AddStyleLibraryCommands(CLI::App& style, ExitStatus& status) {
  auto preview = std::make_shared<PreviewArguments>();
  CLI::App* play = style.add_subcommand(
      "preview",
      "Eight bars of Basic and a fill over \"C | Am | F | G7\": played through the settings' MIDI out, or "
      "written to files");
  play->add_option("STYLE", preview->Style, "the style file (.vxs)")->required();
  play->add_option("-o", preview->Targets.Files,
                   "write OUT.wav, OUT.flac or OUT.ogg (the built-in synthesizer's sound) or OUT.mid instead "
                   "of playing; may be given more than once")
      ->allow_extra_args(false);
  play->add_option("--events", preview->Targets.Events, "write the event list here (- for standard output)");
  play->add_option("--ini", preview->Ini, "read this settings file instead of the program's own");
  play->callback([preview, &status] { status.Code = Preview(*preview); });

  auto groups = std::make_shared<GroupsArguments>();
  CLI::App* build = style.add_subcommand(
      "groups", "Write a style group file from a list of \"<group> <style> <description>\" lines");
  build->add_option("LIST", groups->List, "the list")->required();
  build->add_option("--styles", groups->Styles, "the folder of the style files (.vxs)")->required();
  build->add_option("--as", groups->NamedFolder,
                    "the folder the entries name (default: --styles), for a group file to be installed");
  build->add_option("-o", groups->Output, "the group file to write")->required();
  build->callback([groups, &status] { status.Code = BuildGroups(*groups); });
}

}  // namespace kalo::cli
