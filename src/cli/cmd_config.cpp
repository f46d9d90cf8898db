// kalo config: shows which settings file the program uses and every setting in force after reading it.
// Reading never writes the file.

#include <iostream>
#include <memory>
#include <string>

#include "cli/commands.h"
#include "config/settings_file.h"
#include "config/settings_listing.h"
#include "host/process_environment.h"
#include "host/program_folder.h"

namespace kalo::cli {

namespace {

struct ConfigArguments {
  std::string Ini;
};

int ShowConfig(const ConfigArguments& arguments) {
  host::ProgramFolder folder = host::ProgramFolder::OfRunningProgram();
  config::SettingsEnvironment environment;
  environment.XdgConfigHome = host::EnvironmentPath("XDG_CONFIG_HOME");
  environment.Home = host::EnvironmentPath("HOME");
  environment.FolderWritable = host::ProbeFolderWritable;
  config::SettingsFile file = arguments.Ini.empty()
                                  ? config::SettingsFile(folder, environment)
                                  : config::SettingsFile(folder, arguments.Ini, environment);
  bool existed = file.Exists();
  config::SettingsReadResult result = file.Read();
  std::cout << config::SettingsListing(file.Path(), existed, result);
  return 0;
}

}  // namespace

void AddConfigCommand(CLI::App& app, ExitStatus& status) {
  auto arguments = std::make_shared<ConfigArguments>();
  CLI::App* command = app.add_subcommand(
      "config", "Show the settings file in use and every setting in force after reading it");
  command->add_option("--ini", arguments->Ini, "Read this settings file instead of the program's own");
  command->callback([arguments, &status] { status.Code = ShowConfig(*arguments); });
}

}  // namespace kalo::cli
