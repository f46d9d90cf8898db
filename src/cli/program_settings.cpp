#include "cli/program_settings.h"

#include "cli/command_files.h"
#include "host/printable_text.h"
#include "host/process_environment.h"
#include "host/program_folder.h"

namespace kalo::cli {

config::SettingsFile ProgramSettingsFile(const std::string& ini) {
  host::ProgramFolder folder = host::ProgramFolder::OfRunningProgram();
  config::SettingsEnvironment environment;
  environment.XdgConfigHome = host::EnvironmentPath("XDG_CONFIG_HOME");
  environment.Home = host::EnvironmentPath("HOME");
  environment.FolderWritable = host::ProbeFolderWritable;
  return ini.empty() ? config::SettingsFile(folder, environment)
                     : config::SettingsFile(folder, ini, environment);
}

std::optional<CommandSettings> ReadCommandSettings(std::string_view command, const std::string& ini) {
  config::SettingsFile file = ProgramSettingsFile(ini);
  const bool existed = file.Exists();
  const config::SettingsReadResult read = file.Read();
  if (!read.Unreadable.empty() && !ini.empty()) {
    Say(command, "cannot use --ini " + read.Unreadable);
    return std::nullopt;
  }
  if (!read.Problem.empty()) {
    Say(command, read.Problem);
  } else if (!existed) {
    Say(command, "no settings file " + host::PrintableName(file.Path()) + ": factory settings");
  } else if (read.FirstStart) {
    Say(command, host::PrintableName(file.Path()) + " asks for a reset (Reset=1): factory settings");
  }
  if (const std::string text = config::KeysOutsideSectionsText(read.KeysOutsideSections); !text.empty())
    Say(command, host::PrintableName(file.Path()) + ": " + text);
  return CommandSettings{read.Values, file.Path()};
}

}  // namespace kalo::cli
