// kalo config: shows which settings file the program uses and every setting in force after reading it.
// Reading never writes the file.

#include <iostream>
#include <memory>
#include <string>

#include "cli/commands.h"
#include "cli/program_settings.h"
#include "config/settings_listing.h"

namespace kalo::cli {

namespace {

struct ConfigArguments {
  std::string Ini;
};

int ShowConfig(const ConfigArguments& arguments) {
  config::SettingsFile file = ProgramSettingsFile(arguments.Ini);
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
