#include "host/program_launcher.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <thread>

extern char** environ;

namespace kalo::host {

bool PosixProgramLauncher::Start(const std::filesystem::path& program,
                                 const std::vector<std::string>& arguments) {
  std::string path = program.string();
  std::vector<std::string> strings;
  strings.reserve(arguments.size() + 1);
  strings.push_back(path);
  strings.insert(strings.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  argv.reserve(strings.size() + 1);
  for (std::string& s : strings) argv.push_back(s.data());
  argv.push_back(nullptr);

  pid_t child = 0;
  // glibc reports a failed exec (missing file, not executable) as the result of posix_spawn.
  if (posix_spawn(&child, path.c_str(), nullptr, nullptr, argv.data(), environ) != 0) return false;
  try {
    std::thread([child] {
      int status = 0;
      while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
      }
    }).detach();
  } catch (const std::system_error&) {
    // No thread for reaping: the child still runs and becomes a zombie only until this program ends.
  }
  return true;
}

}  // namespace kalo::host
