// kalo song info: what an arrangement file (.vxa) holds — header, length, measures, the beat records
// with their chords and functions, the memo, the style path and the melody's size. kalo song
// from-chart: an arrangement made from a chord chart.

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
#include "host/process_environment.h"
#include "host/program_folder.h"
#include "perform/chord_chart.h"
#include "song/arrangement_file.h"
#include "song/chart_song.h"
#include "song/melody_text.h"
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
  int Tempo = 0;  // 0: the style's tempo, else 120
  std::string Title;
  std::string Author;
  std::string Melody;
  int MelodyProgram = 0;
  std::string Ini;
};

// A chart without its comment lines (those whose first character other than a blank is '#').
std::string WithoutCommentLines(const std::string& text) {
  std::string kept;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(start, end - start);
    const size_t first = line.find_first_not_of(" \t\r");
    if (first == std::string::npos || line[first] != '#') kept += line + '\n';
    start = end + 1;
  }
  return kept;
}

int RunFromChart(const FromChartArgs& args) {
  constexpr std::string_view kCommand = "kalo song from-chart";
  styles::Metre metre;
  int tempo = args.Tempo;
  std::string stylePath;
  if (!args.Style.empty()) {
    const auto bytes = ReadStyleInput(kCommand, args.Style);
    if (!bytes) return 1;
    const styles::TStyleHeader& header = styles::ParseStyleFile(*bytes).Image.Header;
    metre = styles::MetreOf(header.MeasureLength);
    if (tempo == 0 && header.Tempo >= engine::kMinFieldTempo && header.Tempo <= engine::kMaxFieldTempo)
      tempo = header.Tempo;
    // Kept as given: a relative path is found again below the program folder by its file name.
    stylePath = args.Style;
  }
  if (tempo == 0) tempo = 120;
  const auto chart = ArgumentText(kCommand, args.Chart, "a chart");
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
                      {fileOf(args.Chart), "the chart"},
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
  auto parsed = perform::ParseChordChart(WithoutCommentLines(*chart), std::max(1, metre.MeasureLength / 4));
  if (const auto* error = std::get_if<std::string>(&parsed)) {
    Say(kCommand, *error);
    return 2;
  }
  const config::ControlKeyNotes keys = config::ComputeControlKeyNotes(settings->Values);
  auto chords = song::ChordmemoryFromChart(std::get<perform::ChordChart>(parsed), keys,
                                           {metre.MeasureLength, tempo, keys.SectionFirst});
  if (!chords) {
    Say(kCommand, "the chart is longer than a song can hold (2999 beats)");
    return 2;
  }
  song::ChordmemoryHeader header = chords->Header();
  header.MelodyProgram = static_cast<uint8_t>(args.MelodyProgram);
  chords->SetHeader(header);
  song::SongMemo memo;
  memo.Title = args.Title;
  memo.Author = args.Author;
  bool memoShortened = false;
  const std::vector<uint8_t> bytes =
      song::SerializeArrangementFile(*chords, melody, memo, stylePath, &memoShortened);
  if (const auto problem = host::WriteFileSafely(out, bytes)) {
    Say(kCommand, "cannot write " + *problem);
    return 1;
  }
  if (memoShortened) Say(kCommand, "the memo was shortened to fit its buffer");
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
  CLI::App* song =
      app.add_subcommand("song", "Show what an arrangement file (.vxa) holds, or make one from a chart");
  song->require_subcommand(1);

  CLI::App* info = song->add_subcommand(
      "info", "Header, length, measures, beats with chords and functions, memo, style path, melody size");
  info->add_option("FILE", args->File, "the arrangement file")->required();
  info->add_flag("--json", args->Json, "print one JSON object");
  info->add_option("--ini", args->Ini, "name the style-part keys from this settings file");
  info->callback([args, &status] { status.Code = RunInfo(*args); });

  auto chartArgs = std::make_shared<FromChartArgs>();
  CLI::App* fromChart = song->add_subcommand(
      "from-chart",
      "Write an arrangement whose Chordmemory holds a chord chart (the syntax of kalo render --chart)");
  fromChart->add_option("TEXT", chartArgs->Chart, "the chart, e.g. \"C Am | F G7 | [Fill] Dm7 G7\"")
      ->required();
  fromChart->add_option("-o", chartArgs->Out, "the arrangement to write (.vxa)")->required();
  fromChart->add_option(
      "--style", chartArgs->Style,
      "the style the song names (its metre and tempo are taken; default: 4/4 and no style)");
  fromChart
      ->add_option("--tempo", chartArgs->Tempo, "quarter notes per minute (default: the style's, else 120)")
      ->check(CLI::Range(engine::kMinFieldTempo, engine::kMaxFieldTempo));
  fromChart->add_option("--title", chartArgs->Title, "the song's title in its memo");
  fromChart->add_option("--author", chartArgs->Author, "the song's author in its memo");
  fromChart->add_option("--melody", chartArgs->Melody,
                        "the melody track on channel 1 as \"<pitch>:<beats>\" tokens from the first beat "
                        "(\"E5:1 D5:0.5 r:0.5\", C4 = 60, '|' ignored, '#' comments), or @FILE");
  fromChart
      ->add_option("--melody-program", chartArgs->MelodyProgram,
                   "the General MIDI program (0..127) the melody channel gets when the song is loaded")
      ->check(CLI::Range(0, 127));
  fromChart->add_option("--ini", chartArgs->Ini,
                        "take the style-part keys and the accompaniment zone from this settings file");
  fromChart->callback([chartArgs, &status] { status.Code = RunFromChart(*chartArgs); });
}

}  // namespace kalo::cli
