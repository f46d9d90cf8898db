#include "cli/program_settings.h"

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

}  // namespace kalo::cli
