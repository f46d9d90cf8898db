#include "cli/program_settings.h"

#include <iostream>

#include "host/file_store.h"
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

config::SettingsReadResult ReadProgramSettings(const std::string& ini, const std::string& command) {
  config::SettingsFile file = ProgramSettingsFile(ini);
  config::SettingsReadResult read = file.Read();
  if (const std::string text = config::KeysOutsideSectionsText(read.KeysOutsideSections); !text.empty())
    std::cerr << command << ": " << host::PrintableName(file.Path()) << ": " << text << '\n';
  return read;
}

}  // namespace kalo::cli
