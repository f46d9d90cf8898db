#pragma once
// A readable listing of the settings in force: the file they came from, then every key with its
// value, one "Key=value" a line in file order.

#include <string>

#include "config/settings_file.h"

namespace kalo::config {

// fileExisted: whether the file existed when it was read (a missing file gives the factory start).
std::string SettingsListing(const std::filesystem::path& file, bool fileExisted,
                            const SettingsReadResult& result);

}  // namespace kalo::config
