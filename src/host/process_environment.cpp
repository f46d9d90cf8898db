#include "host/process_environment.h"

#include <cstdlib>
#include <fstream>
#include <system_error>

namespace kalo::host {

namespace fs = std::filesystem;

std::optional<fs::path> EnvironmentPath(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr || *value == '\0') return std::nullopt;
  return fs::path(value);
}

bool ProbeFolderWritable(const fs::path& folder) {
  std::error_code ec;
  if (!fs::is_directory(folder, ec)) return false;
  fs::path probe = folder / ".kalo-write-probe";
  {
    std::ofstream out(probe, std::ios::binary | std::ios::trunc);
    if (!out) return false;
  }
  fs::remove(probe, ec);
  return true;
}

}  // namespace kalo::host
