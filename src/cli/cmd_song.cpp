// kalo song info: what an arrangement file (.vxa) holds — header, length, measures, the beat records
// with their chords and functions, the memo, the style path and the melody's size. kalo song chart:
// its Chordmemory as a chord chart. kalo song from-chart: an arrangement made from a chord chart (or a
// ChordPro sheet).

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "cli/command_files.h"
#include "cli/commands.h"
#include "cli/program_settings.h"
#include "config/settings_file.h"
#include "engine/sequencer_clock.h"
#include "host/file_store.h"
#include "host/path_lookup.h"
#include "host/process_environment.h"
#include "host/program_folder.h"
#include "perform/chord_chart.h"
#include "song/arrangement_file.h"
#include "song/chart_song.h"
#include "song/melody_text.h"
#include "song/memo_text.h"
#include "song/song_chart.h"
#include "song/song_report.h"
#include "styles/style_file.h"

namespace kalo::cli {
namespace {

struct SongArgs {
  std::string File;
  bool Json = false;
  std::string Ini;
};

struct FromChartArgs {
  std::string Chart;
  std::string Out;
  std::string Style;
  std::optional<int> Tempo;  // else the chart's, the style's, 120
  std::string Title;
  std::string Author;
  std::string Melody;
  std::optional<int> MelodyProgram;  // else the chart's, 0
  std::string Ini;
};

// The file a chart argument names: after '@', or the argument itself where it names a regular file
// and cannot be a chart (no bar line, bracket or line break); empty for a chart given as text or "-".
std::string ChartFile(const std::string& given) {
  if (given.starts_with('@')) return given.substr(1);
  if (given != "-" && given.find_first_of("\n|[") == std::string::npos && host::IsRegularFile(given))
    return given;
  return {};
}

// The chart: from standard input ("-"), from the file it names, else the argument's own text.
std::optional<std::string> ChartText(std::string_view command, const std::string& given) {
  if (given == "-") {
    std::string text;
    char buffer[4096];
    while (std::cin.read(buffer, sizeof buffer) || std::cin.gcount() > 0) {
      text.append(buffer, static_cast<size_t>(std::cin.gcount()));
      if (text.size() > kMaxArgumentFileBytes) {
        Say(command,
            "the chart on standard input is longer than " + std::to_string(kMaxArgumentFileBytes) + " bytes");
        return std::nullopt;
      }
    }
    return text;
  }
  const std::string file = ChartFile(given);
  return ArgumentText(command, file.empty() ? given : "@" + file, "a chart");
}

int RunFromChart(const FromChartArgs& args) {
  constexpr std::string_view kCommand = "kalo song from-chart";
  if (std::filesystem::path(args.Out).filename().empty()) {
    Say(kCommand, "-o needs a file name, not \"" + args.Out + "\"");
    return 2;
  }
  song::ChartReading reading;
  reading.Tempo = args.Tempo;
  reading.MelodyProgram = args.MelodyProgram;
  std::string stylePath;
  if (!args.Style.empty()) {
    const auto bytes = ReadStyleInput(kCommand, args.Style);
    if (!bytes) return 1;
    const styles::TStyleHeader& header = styles::ParseStyleFile(*bytes).Image.Header;
    reading.MeasureLength = styles::MetreOf(header.MeasureLength).MeasureLength;
    if (header.Tempo >= engine::kMinFieldTempo && header.Tempo <= engine::kMaxFieldTempo)
      reading.DefaultTempo = header.Tempo;
    // Kept as given: a relative path is found again below the program folder by its file name.
    stylePath = args.Style;
  }
  const auto chart = ChartText(kCommand, args.Chart);
  if (!chart) return 1;
  const auto melodyText = ArgumentText(kCommand, args.Melody, "a melody");
  if (!melodyText) return 1;
  const std::optional<CommandSettings> settings = ReadCommandSettings(kCommand, args.Ini);
  if (!settings) return 1;
  std::string out = args.Out;
  if (!styles::HasExtension(out, ".vxa")) out += ".vxa";
  auto fileOf = [](const std::string& given) {
    return given.starts_with('@') ? given.substr(1) : std::string();
  };
  if (!OutputsUsable(kCommand,
                     {{args.Style, "the style"},
                      {ChartFile(args.Chart), "the chart"},
                      {fileOf(args.Melody), "the melody"},
                      {settings->File, "the settings file"}},
                     {{out, false}}))
    return 1;
  std::vector<song::MelodyEvent> melody;
  if (!melodyText->empty()) {
    auto events = song::ParseMelodyText(*melodyText, 0);
    if (const auto* error = std::get_if<std::string>(&events)) {
      Say(kCommand, "melody: " + *error);
      return 2;
    }
    melody = std::move(std::get<std::vector<song::MelodyEvent>>(events));
  }
  reading.Keys = config::ComputeControlKeyNotes(settings->Values);
  reading.LowestAccompanimentKey = reading.Keys.SectionFirst;
  auto read = song::SongFromChart(*chart, reading);
  if (const auto* error = std::get_if<std::string>(&read)) {
    Say(kCommand, *error);
    return 2;
  }
  const song::ChartSong& made = std::get<song::ChartSong>(read);
  song::SongMemo memo;
  memo.Title = !args.Title.empty() ? args.Title : made.Memo.Title.value_or("");
  memo.Subtitle = made.Memo.Subtitle.value_or("");
  memo.Author = !args.Author.empty() ? args.Author : made.Memo.Author.value_or("");
  memo.Copyright = made.Memo.Copyright.value_or(song::kDefaultCopyright);
  // The memo's 8-bit text keeps Latin-1 and the Windows-1252 signs; anything else would turn into '?'.
  if (const std::string lost =
          song::UnstorableCharacters(memo.Title + memo.Subtitle + memo.Author + memo.Copyright);
      !lost.empty()) {
    Say(kCommand, "the title lines hold characters an arrangement file cannot store: " + lost);
    return 2;
  }
  bool memoShortened = false;
  const std::vector<uint8_t> bytes =
      song::SerializeArrangementFile(made.Chords, melody, memo, stylePath, &memoShortened);
  if (const auto problem = host::WriteFileSafely(out, bytes)) {
    Say(kCommand, "cannot write " + *problem);
    return 1;
  }
  if (memoShortened) Say(kCommand, "the memo was shortened to fit its buffer");
  for (const std::string& request : made.RequestsWithoutKey)
    Say(kCommand, request + " was left out: the settings give its control key no note");
  return 0;
}

int RunChart(const SongArgs& args) {
  constexpr std::string_view kCommand = "kalo song chart";
  const host::FileRead read = host::ReadRegularFile(args.File, song::kArrangementReadLimit);
  if (!read.Ok()) {
    Say(kCommand, "cannot read " + read.Error);
    return 1;
  }
  const song::ParsedArrangement parsed = song::ParseArrangementFile(read.Bytes);
  if (parsed.Chords.Empty()) {
    Say(kCommand, args.File + ": the Chordmemory is empty");
    return 2;
  }
  // The control keys in force name the style-part functions, the accompaniment zone places the roots.
  const std::optional<CommandSettings> settings = ReadCommandSettings(kCommand, args.Ini);
  if (!settings) return 1;
  const config::ControlKeyNotes keys = config::ComputeControlKeyNotes(settings->Values);
  std::cout << song::ChartOfSong(parsed.Chords, parsed.Memo, keys, keys.SectionFirst);
  return 0;
}

int RunInfo(const SongArgs& args) {
  constexpr std::string_view kCommand = "kalo song info";
  const host::FileRead read = host::ReadRegularFile(args.File, song::kArrangementReadLimit);
  if (!read.Ok()) {
    Say(kCommand, "cannot read " + read.Error);
    return 1;
  }
  const song::ParsedArrangement parsed = song::ParseArrangementFile(read.Bytes);
  if (const std::string reason = song::NotAnArrangementReason(parsed); !reason.empty()) {
    Say(kCommand, host::PrintableName(args.File) + " is not an arrangement: " + reason);
    return 1;
  }
  // The control keys in force name the style-part functions.
  const std::optional<CommandSettings> settings = ReadCommandSettings(kCommand, args.Ini);
  if (!settings) return 1;
  const config::ControlKeyNotes keys = config::ComputeControlKeyNotes(settings->Values);
  std::cout << (args.Json ? song::SongInfoJson(parsed, keys) : song::SongInfoText(parsed, keys));
  return 0;
}

}  // namespace

void AddSongCommand(CLI::App& app, ExitStatus& status) {
  auto args = std::make_shared<SongArgs>();
  CLI::App* song = app.add_subcommand(
      "song", "Show what an arrangement file (.vxa) holds, print it as a chart, or make one from a chart");
  song->require_subcommand(1);

  CLI::App* info = song->add_subcommand(
      "info", "Header, length, measures, beats with chords and functions, memo, style path, melody size");
  info->add_option("FILE", args->File, "the arrangement file")->required();
  info->add_flag("--json", args->Json, "print one JSON object");
  info->add_option("--ini", args->Ini, "name the style-part keys from this settings file");
  info->callback([args, &status] { status.Code = RunInfo(*args); });

  auto chartOf = std::make_shared<SongArgs>();
  CLI::App* chart = song->add_subcommand(
      "chart",
      "Print the Chordmemory as a chord chart that kalo song from-chart reads back into the same bytes");
  chart->add_option("FILE", chartOf->File, "the arrangement file")->required();
  chart->add_option("--ini", chartOf->Ini,
                    "name the style-part keys and place the roots as this settings file does");
  chart->callback([chartOf, &status] { status.Code = RunChart(*chartOf); });

  auto chartArgs = std::make_shared<FromChartArgs>();
  CLI::App* fromChart = song->add_subcommand(
      "from-chart",
      "Write an arrangement whose Chordmemory holds a chord chart (the syntax of kalo render --chart)");
  fromChart
      ->add_option(
          "TEXT", chartArgs->Chart,
          "the chart, e.g. \"C Am | F G7 | [Fill] Dm7 G7\", or a ChordPro sheet; a file it names (also "
          "as @FILE), - for standard input")
      ->required();
  fromChart->add_option("-o", chartArgs->Out, "the arrangement to write (.vxa)")->required();
  fromChart->add_option(
      "--style", chartArgs->Style,
      "the style the song names (its metre and tempo are taken; default: the chart's {time}, else 4/4, and "
      "no style)");
  fromChart
      ->add_option("--tempo", chartArgs->Tempo,
                   "quarter notes per minute (default: the chart's {tempo}, else the style's, else 120)")
      ->check(CLI::Range(engine::kMinFieldTempo, engine::kMaxFieldTempo));
  fromChart->add_option("--title", chartArgs->Title, "the song's title in its memo");
  fromChart->add_option("--author", chartArgs->Author, "the song's author in its memo");
  fromChart->add_option("--melody", chartArgs->Melody,
                        "the melody track on channel 1 as \"<pitch>:<beats>\" tokens from the first beat "
                        "(\"E5:1 D5:0.5 r:0.5\", C4 = 60, '|' ignored, '#' comments), or @FILE");
  fromChart
      ->add_option("--melody-program", chartArgs->MelodyProgram,
                   "the General MIDI program (0..127) the melody channel gets when the song is loaded "
                   "(default: the chart's {program}, else 0)")
      ->check(CLI::Range(0, 127));
  fromChart->add_option("--ini", chartArgs->Ini,
                        "take the style-part keys and the accompaniment zone from this settings file");
  fromChart->callback([chartArgs, &status] { status.Code = RunFromChart(*chartArgs); });
}

}  // namespace kalo::cli
