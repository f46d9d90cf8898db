#include "host/program_folder.h"

#include <system_error>

namespace kalo::host {

ProgramFolder::ProgramFolder(std::filesystem::path folder, std::string programName)
    : folder_(std::move(folder)), programName_(std::move(programName)) {}

ProgramFolder ProgramFolder::OfRunningProgram() {
  std::error_code ec;
  auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec || exe.empty()) return ProgramFolder(std::filesystem::current_path(ec), "kalo");
  return ProgramFolder(exe.parent_path(), exe.stem().string());
}

std::filesystem::path ProgramFolder::WithExtension(const std::string& extension) const {
  return folder_ / (programName_ + extension);
}

}  // namespace kalo::host
