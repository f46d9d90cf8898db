#include "host/program_folder.h"

#include <system_error>

namespace kalo::host {

ProgramFolder::ProgramFolder(std::filesystem::path folder, std::string programName,
                             std::filesystem::path data)
    : folder_(std::move(folder)), programName_(std::move(programName)), data_(std::move(data)) {}

ProgramFolder ProgramFolder::OfRunningProgram() {
  std::error_code ec;
  auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec || exe.empty()) return ProgramFolder(std::filesystem::current_path(ec), "kalo");
  return ProgramFolder(exe.parent_path(), exe.stem().string(), InstalledDataFolder(exe.parent_path()));
}

std::filesystem::path ProgramFolder::WithExtension(const std::string& extension) const {
  return folder_ / (programName_ + extension);
}

std::filesystem::path InstalledDataFolder(const std::filesystem::path& programFolder) {
  std::error_code ec;
  if (std::filesystem::is_directory(programFolder / "STYLES", ec)) return {};
  const std::filesystem::path data = (programFolder.parent_path() / "share" / "kalo").lexically_normal();
  return std::filesystem::is_directory(data / "STYLES", ec) ? data : std::filesystem::path();
}

}  // namespace kalo::host
