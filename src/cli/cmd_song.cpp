// kalo song info: what an arrangement file (.vxa) holds — header, length, measures, the beat records
// with their chords and functions, the memo, the style path and the melody's size.

#include <iostream>
#include <memory>
#include <string>

#include "cli/commands.h"
#include "config/settings_file.h"
#include "host/file_store.h"
#include "host/process_environment.h"
#include "host/program_folder.h"
#include "song/arrangement_file.h"
#include "song/song_report.h"

namespace kalo::cli {
namespace {

struct SongArgs {
  std::string File;
  bool Json = false;
  std::string Ini;
};

// The control keys in force, which name the style-part functions: the settings file is read (never
// written) as the program reads it.
config::ControlKeyNotes ControlKeys(const std::string& ini) {
  host::ProgramFolder folder = host::ProgramFolder::OfRunningProgram();
  config::SettingsEnvironment environment;
  environment.XdgConfigHome = host::EnvironmentPath("XDG_CONFIG_HOME");
  environment.Home = host::EnvironmentPath("HOME");
  environment.FolderWritable = host::ProbeFolderWritable;
  config::SettingsFile file = ini.empty() ? config::SettingsFile(folder, environment)
                                          : config::SettingsFile(folder, ini, environment);
  return config::ComputeControlKeyNotes(file.Read().Values);
}

int RunInfo(const SongArgs& args) {
  const auto bytes = host::ReadFilePrefix(args.File, song::kArrangementReadLimit);
  if (!bytes) {
    std::cerr << "kalo song info: cannot read " << args.File << '\n';
    return 1;
  }
  const song::ParsedArrangement parsed = song::ParseArrangementFile(*bytes);
  const config::ControlKeyNotes keys = ControlKeys(args.Ini);
  std::cout << (args.Json ? song::SongInfoJson(parsed, keys) : song::SongInfoText(parsed, keys));
  return 0;
}

}  // namespace

void AddSongCommand(CLI::App& app, ExitStatus& status) {
  auto args = std::make_shared<SongArgs>();
  CLI::App* song = app.add_subcommand("song", "Show what an arrangement file (.vxa) holds");
  song->require_subcommand(1);

  CLI::App* info = song->add_subcommand(
      "info", "Header, length, measures, beats with chords and functions, memo, style path, melody size");
  info->add_option("FILE", args->File, "the arrangement file")->required();
  info->add_flag("--json", args->Json, "print one JSON object");
  info->add_option("--ini", args->Ini, "name the style-part keys from this settings file");
  info->callback([args, &status] { status.Code = RunInfo(*args); });
}

}  // namespace kalo::cli
