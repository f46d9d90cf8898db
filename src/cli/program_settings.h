#pragma once
// The settings the command line runs with: the program's own settings file, or the one --ini names.

#include <string>

#include "config/settings_file.h"

namespace kalo::cli {

// The settings file of the running program, or `ini` when it is not empty. Reading never writes it.
config::SettingsFile ProgramSettingsFile(const std::string& ini);

// Reads ProgramSettingsFile(ini). Keys that are not read because they stand outside any section are
// told on standard error: "<command>: <file>: PAD stands outside any section and is not read; ...".
config::SettingsReadResult ReadProgramSettings(const std::string& ini, const std::string& command);

}  // namespace kalo::cli
