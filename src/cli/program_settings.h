#pragma once
// The settings the command line runs with: the program's own settings file, or the one --ini names.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "config/settings_file.h"

namespace kalo::cli {

// The settings file of the running program, or `ini` when it is not empty. Reading never writes it.
config::SettingsFile ProgramSettingsFile(const std::string& ini);

struct CommandSettings {
  config::Settings Values;
  std::filesystem::path File;  // the file they were read from, or would have been
};

// The settings a command plays with, read from ProgramSettingsFile(ini). Says on standard error when
// they are the factory settings (no file, Reset=1, or the program's own file cannot be read as
// settings) and why, and names the keys it did not read because they stand outside any section. A
// file named with --ini that is there but cannot be read as settings (a folder,
// a FIFO, bytes that are no settings) is refused: nullopt, after saying why.
std::optional<CommandSettings> ReadCommandSettings(std::string_view command, const std::string& ini);

}  // namespace kalo::cli
