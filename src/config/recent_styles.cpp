#include "config/recent_styles.h"

#include <algorithm>
#include <array>

namespace kalo::config {

namespace {

constexpr std::array<std::string Settings::*, kRecentStyleCount> kKeys = {
    &Settings::LastStyle1, &Settings::LastStyle2, &Settings::LastStyle3,
    &Settings::LastStyle4, &Settings::LastStyle5, &Settings::LastStyle6};

void Store(Settings& settings, const std::vector<std::string>& paths) {
  for (size_t i = 0; i < kKeys.size(); ++i) settings.*kKeys[i] = i < paths.size() ? paths[i] : std::string();
}

}  // namespace

std::vector<std::string> RecentStyles(const Settings& settings) {
  std::vector<std::string> paths;
  for (auto key : kKeys)
    if (!(settings.*key).empty()) paths.push_back(settings.*key);
  return paths;
}

void RememberRecentStyle(Settings& settings, const std::string& path) {
  if (path.empty()) return;
  std::vector<std::string> paths = RecentStyles(settings);
  std::erase(paths, path);
  paths.insert(paths.begin(), path);
  Store(settings, paths);
}

void ForgetRecentStyle(Settings& settings, const std::string& path) {
  std::vector<std::string> paths = RecentStyles(settings);
  std::erase(paths, path);
  Store(settings, paths);
}

}  // namespace kalo::config
