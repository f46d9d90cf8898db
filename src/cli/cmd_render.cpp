// kalo render: plays a song, or a style over a chord chart, offline, with no real time, and writes what the
// program sent on the "Midiout" route as an event list, a Standard MIDI File or the synthesizer's sound.

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "app/chart_timeline.h"
#include "app/offline_driver.h"
#include "app/render_output.h"
#include "app/render_progress.h"
#include "app/song_side.h"
#include "app/style_preview.h"
#include "cli/command_files.h"
#include "cli/commands.h"
#include "cli/program_settings.h"
#include "config/settings_file.h"
#include "engine/sequencer_clock.h"
#include "host/file_store.h"
#include "host/process_environment.h"
#include "host/program_folder.h"
#include "host/time_source.h"
#include "perform/chord_chart.h"
#include "song/arrangement_file.h"
#include "song/chart_song.h"
#include "song/song_files.h"
#include "styles/style_file.h"
#include "styles/style_records.h"

namespace kalo::cli {

namespace {

constexpr std::string_view kCommand = "kalo render";
// The style of the first start, under STYLES.
constexpr const char* kFirstStartStyle = "rock1.vxs";
// A song ends by itself at the latest when the Chordmemory is full: 3000 beats, and the ending wait.
constexpr int64_t kSongTickLimit = (3000 + 2 * app::kEndingWaitBeats) * 24;

struct RenderArguments {
  std::string Song;
  std::string Style;
  std::string Chart;
  int Tempo = 0;      // 0: the style's own tempo
  int Transpose = 0;  // semitones, as the main window's transposition field
  bool Intro = false;
  bool Ending = false;
  std::string Ini;
  app::RenderTargets Targets;
};

// The style a song plays over: --style, else the style its file names (looked up as an arrangement's
// autoload looks it up), else the style of the first start.
std::optional<std::string> SongStylePath(const RenderArguments& args, const song::ParsedArrangement& parsed,
                                         const host::ProgramFolder& folder) {
  if (!args.Style.empty()) return args.Style;
  if (parsed.HasStyleBlock && !parsed.StylePath.empty()) {
    if (const auto found = styles::FindStyleFile(parsed.StylePath, folder)) return found->string();
    Say(kCommand, "the song's style " + host::PrintableName(parsed.StylePath) + " was not found; playing " +
                      kFirstStartStyle);
  }
  const auto fallback = folder.Styles() / kFirstStartStyle;
  if (std::filesystem::exists(fallback)) return fallback.string();
  Say(kCommand, "no style to play the song with (give --style)");
  return std::nullopt;
}

// Seconds the ticks of a run take at its tempi (24 ticks a quarter note).
double DurationSeconds(const app::OfflineCapture& capture) {
  double seconds = 0;
  for (size_t i = 0; i < capture.Tempi.size(); ++i) {
    const int64_t from = capture.Tempi[i].Tick;
    const int64_t to = i + 1 < capture.Tempi.size() ? capture.Tempi[i + 1].Tick : capture.Ticks;
    if (to > from && capture.Tempi[i].Bpm > 0)
      seconds += static_cast<double>(to - from) * 60.0 / (capture.Tempi[i].Bpm * 24.0);
  }
  return seconds;
}

// What a song render did, on standard error: the song, the style, the length, the parts in the order
// they first played, the files written.
void PrintSongSummary(const RenderArguments& args, const song::ParsedArrangement& parsed,
                      const std::string& style, const app::OfflineCapture& capture, bool written) {
  const std::string title = parsed.Memo.Title.empty() ? host::PrintableName(args.Song)
                                                      : host::PrintableName(parsed.Memo.Title) + " (" +
                                                            host::PrintableName(args.Song) + ")";
  const auto seconds = static_cast<int>(DurationSeconds(capture) + 0.5);
  std::string parts;
  std::vector<int> seen;
  for (const auto& [tick, part] : capture.Parts) {
    if (part < 0 || part >= styles::kPartCount || std::find(seen.begin(), seen.end(), part) != seen.end())
      continue;
    seen.push_back(part);
    parts += (parts.empty() ? "" : ", ") + std::string(styles::kPartNames[static_cast<size_t>(part)]);
  }
  Say(kCommand, "played " + title + " on " + host::PrintableName(style) + ", " +
                    std::to_string(seconds / 60) + ':' + (seconds % 60 < 10 ? "0" : "") +
                    std::to_string(seconds % 60) + ", parts: " + (parts.empty() ? "none" : parts));
  if (!written) return;
  std::string files;
  if (!args.Targets.Events.empty() && args.Targets.Events != "-")
    files += host::PrintableName(args.Targets.Events);
  for (const auto& file : args.Targets.Files)
    files += (files.empty() ? "" : ", ") + host::PrintableName(file);
  if (!files.empty()) Say(kCommand, "wrote " + files);
}

void SayAll(const std::vector<std::string>& messages) {
  for (const std::string& message : messages) Say(kCommand, message);
}

int RenderSong(const RenderArguments& args, const host::ProgramFolder& folder,
               const CommandSettings& settings, app::RenderProgress& progress) {
  const host::FileRead songRead = host::ReadRegularFile(args.Song, song::kArrangementReadLimit);
  if (!songRead.Ok()) {
    Say(kCommand, "cannot read " + songRead.Error);
    return 1;
  }
  const std::vector<uint8_t>& songBytes = songRead.Bytes;
  const song::ParsedArrangement parsed = song::ParseArrangementFile(songBytes);
  if (const std::string reason = song::NotAnArrangementReason(parsed); !reason.empty()) {
    Say(kCommand, host::PrintableName(args.Song) + " is not an arrangement: " + reason);
    return 1;
  }
  if (parsed.Chords.Length < 5) {
    Say(kCommand, host::PrintableName(args.Song) + ": " + song::kChordmemoryEmptyMessage);
    return 1;
  }
  if (!parsed.Chords.ChordInForce(parsed.Chords.Length - song::kRecordBytes).HasChord()) {
    Say(kCommand, host::PrintableName(args.Song) + " holds no chord to play");
    return 1;
  }
  const auto stylePath = SongStylePath(args, parsed, folder);
  if (!stylePath) return 1;
  const auto styleBytes = ReadStyleInput(kCommand, *stylePath);
  if (!styleBytes) return 1;
  if (!RenderTargetsUsable(
          kCommand,
          {{args.Song, "the song"}, {*stylePath, "the style"}, {settings.File, "the settings file"}},
          args.Targets))
    return 1;
  app::OfflineDriver driver(settings.Values, folder);
  app::Arranger& session = driver.Session();
  if (!driver.LoadStyle(*stylePath, *styleBytes)) {
    SayAll(driver.Messages());
    Say(kCommand, host::PrintableName(*stylePath) + " is not a style that can be played");
    return 1;
  }
  // The style is chosen above; the song brings its chords, melody, tempo and play range.
  session.Options().LoadSongAndStyleTogether = false;
  session.SongFiles().LoadFromBytes(args.Song, songBytes);
  if (args.Tempo != 0) session.SetTempo(args.Tempo);
  session.SetTransposition(args.Transpose);

  app::Timeline timeline;
  timeline.Do(0, [](app::Arranger& a) { a.Play(); });
  const app::OfflineCapture capture = driver.Run(timeline, kSongTickLimit);
  SayAll(driver.Messages());
  if (capture.Cut) Say(kCommand, "the song was still playing at the end of the Chordmemory");
  const bool written = app::WriteRenderTargets(args.Targets, app::MusicOf(capture), settings.Values,
                                               {std::cout, std::cerr, progress});
  PrintSongSummary(args, parsed, *stylePath, capture, written);
  return written ? 0 : 1;
}

int Render(const RenderArguments& args) {
  if (const std::string problem = app::RenderTargetsProblem(args.Targets); !problem.empty()) {
    Say(kCommand, problem);
    return 2;
  }
  if (args.Song.empty() && (args.Style.empty() || args.Chart.empty())) {
    Say(kCommand, "give a song (SONG.vxa), or --style with --chart");
    return 2;
  }
  if (!args.Song.empty() && !args.Chart.empty()) {
    Say(kCommand, "give either a song or --chart, not both");
    return 2;
  }
  const host::SteadyTimeSource clock;
  app::RenderProgress progress(clock, std::cerr, host::StandardErrorIsTerminal());
  const host::ProgramFolder folder = host::ProgramFolder::OfRunningProgram();
  std::optional<CommandSettings> settings = ReadCommandSettings(kCommand, args.Ini);
  if (!settings) return 1;
  // A song starts as Play starts it, with or without the intro as the settings say.
  if (!args.Song.empty()) return RenderSong(args, folder, *settings, progress);
  settings->Values.PlayIntro = args.Intro;

  const auto bytes = ReadStyleInput(kCommand, args.Style);
  if (!bytes) return 1;
  app::OfflineDriver driver(settings->Values, folder);
  app::Arranger& session = driver.Session();
  // The style, as a style load in Style-Mode plays it.
  if (!driver.LoadStyle(args.Style, *bytes)) {
    SayAll(driver.Messages());
    Say(kCommand, host::PrintableName(args.Style) + " is not a style that can be played");
    return 1;
  }

  const int beatsPerMeasure = session.Gen().CurrentMetre.MeasureLength / 4;
  auto parsed = perform::ParseAnyChart(args.Chart, beatsPerMeasure);
  if (const auto* error = std::get_if<std::string>(&parsed)) {
    Say(kCommand, *error);
    return 2;
  }
  const perform::ChordChart& chart = std::get<perform::ChordChart>(parsed);
  // The style sets the measure; a chart in another metre, or with functions only a song plays, is
  // refused rather than played otherwise than written.
  if (chart.BeatsPerMeasure != beatsPerMeasure) {
    Say(kCommand, "the chart's {time} does not fit the style, whose measures have " +
                      std::to_string(beatsPerMeasure) + " beats");
    return 2;
  }
  // A chart of rests alone would start nothing and write silence as if it had played.
  if (std::none_of(chart.Items.begin(), chart.Items.end(), [](const perform::ChartItem& item) {
        return item.What == perform::ChartItem::Kind::kChord;
      })) {
    Say(kCommand, "the chart holds no chord to play");
    return 2;
  }
  if (chart.HasSongFunctions()) {
    Say(kCommand,
        "the chart holds song functions (tempo, loops, transposition, solo and mute, STOP, raw beats), which "
        "only a song plays: make one with kalo song from-chart and render that");
    return 2;
  }
  int chartTempo = 0;
  if (const auto tempo = chart.Directive("tempo")) {
    chartTempo = std::atoi(tempo->c_str());
    if (chartTempo < engine::kMinFieldTempo || chartTempo > engine::kMaxFieldTempo) {
      Say(kCommand, "{tempo: " + *tempo + "}: the tempo must be a number from 25 to 250");
      return 2;
    }
  }
  for (const std::string& request :
       song::RequestsWithoutKey(chart, config::ComputeControlKeyNotes(session.Settings())))
    Say(kCommand, request + " is not pressed: the settings give its control key no note");
  if (!RenderTargetsUsable(kCommand, {{args.Style, "the style"}, {settings->File, "the settings file"}},
                           args.Targets))
    return 1;

  session.SetTempo(args.Tempo != 0   ? args.Tempo
                   : chartTempo != 0 ? chartTempo
                                     : app::StartTempoOf(session.Gen().CurrentStyle().Header.Tempo));
  session.SetTransposition(args.Transpose);

  const app::OfflineCapture capture = driver.Run(app::ChartTimeline(chart, session.Settings(), args.Ending));
  if (capture.Cut)
    Say(kCommand, "the style was still playing long after the chart's end and was stopped there");

  const bool written = app::WriteRenderTargets(args.Targets, app::MusicOf(capture), settings->Values,
                                               {std::cout, std::cerr, progress});
  return written ? 0 : 1;
}

}  // namespace

int RenderDemoWithoutDisplay(const std::string& ini) {
  const host::ProgramFolder folder = host::ProgramFolder::OfRunningProgram();
  RenderArguments args;
  args.Song = (folder.Songs() / song::kDemoSongName).string();
  args.Ini = ini;
  args.Targets.Files = {"demo.wav", "demo.mid"};
  std::cerr << "kalo: there is no display to open the window on (DISPLAY and WAYLAND_DISPLAY are not set)\n";
  for (const std::filesystem::path& file : args.Targets.Files) {
    if (!host::PathExists(file)) continue;
    std::cerr << "kalo: " << host::PrintableName(file)
              << " is here already and is left as it is; to hear the "
              << "demo song: kalo render " << host::PrintableName(args.Song) << " -o demo.wav\n";
    return 1;
  }
  std::cerr << "kalo: playing the demo song into demo.wav and demo.mid in this folder\n";
  return Render(args);
}

void AddRenderCommand(CLI::App& app, ExitStatus& status) {
  auto args = std::make_shared<RenderArguments>();
  CLI::App* render = app.add_subcommand(
      "render",
      "Play a style over a chord chart offline and write what it sends on \"Midiout\": an event list "
      "(<tick> <status> <data1> <data2>), a Standard MIDI File, a WAV file of its sound");
  render->add_option("SONG", args->Song,
                     "an arrangement (.vxa): played as Play plays it, until the song stops");
  render->add_option("--style", args->Style,
                     "the style file (.vxs); for a song, instead of the style the song names");
  render->add_option("--chart", args->Chart,
                     "measures separated by |, e.g. \"C Am | F G7 | % | [Fill] Dm7 G7\"; [Fill], "
                     "[ToExtended], [ToBasic], [Ending], [Intro] press that key there; {tempo: N} sets the "
                     "tempo; a ChordPro sheet is read too");
  render
      ->add_option("--tempo", args->Tempo,
                   "quarter notes per minute (default: the song's, else the style's tempo)")
      ->check(CLI::Range(engine::kMinFieldTempo, engine::kMaxFieldTempo));
  render
      ->add_option("--transpose", args->Transpose,
                   "semitones the accompaniment moves, as the window's transposition field (-24 to 24)")
      ->check(CLI::Range(-24, 24));
  render->add_flag("--intro", args->Intro,
                   "with --chart: start with the intro (a count-in where the style has none); a song starts "
                   "as the settings' PlayIntro says");
  render->add_flag("--ending", args->Ending, "press the ending key after the last measure instead of Stop");
  render->add_option("--ini", args->Ini, "read this settings file instead of the program's own");
  render->add_option("--events", args->Targets.Events, "write the event list here (- for standard output)");
  render
      ->add_option("-o", args->Targets.Files,
                   "write OUT.mid, a Standard MIDI File (format 1, 24 ticks per quarter note, a track per "
                   "channel), or the sound of the built-in synthesizer (44100 Hz, 16-bit stereo) as OUT.wav, "
                   "OUT.flac or OUT.ogg (Ogg Vorbis); may be given more than once")
      ->allow_extra_args(false);
  render->callback([args, &status] { status.Code = Render(*args); });
}

}  // namespace kalo::cli
