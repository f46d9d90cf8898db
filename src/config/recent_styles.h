#pragma once
// The styles loaded last, kept in the settings ("LastStyle1" .. "LastStyle6", the latest first) so
// that the File menu offers them again after a restart.

#include <string>
#include <vector>

#include "config/settings.h"

namespace kalo::config {

inline constexpr int kRecentStyleCount = 6;

// The remembered style paths, the latest first; empty keys are skipped.
std::vector<std::string> RecentStyles(const Settings& settings);
// Puts path first; an equal path further down is dropped, and the oldest falls off past six.
void RememberRecentStyle(Settings& settings, const std::string& path);
// Drops path from the list (a style that is no longer found).
void ForgetRecentStyle(Settings& settings, const std::string& path);

}  // namespace kalo::config
