#pragma once
// The settings the command line runs with: the program's own settings file, or the one --ini names.

#include <string>

#include "config/settings_file.h"

namespace kalo::cli {

// The settings file of the running program, or `ini` when it is not empty. Reading never writes it.
config::SettingsFile ProgramSettingsFile(const std::string& ini);

}  // namespace kalo::cli
