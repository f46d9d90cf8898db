#include "host/program_launcher.h"

#include <spawn.h>
#include <sys/wait.h>

#include <fcntl.h>
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <thread>

#include "host/thread_priority.h"

extern char** environ;

namespace kalo::host {

namespace {

// argv for posix_spawn: the program's path, then the arguments; pointers into `strings`.
std::vector<char*> ArgumentVector(std::vector<std::string>& strings) {
  std::vector<char*> argv;
  argv.reserve(strings.size() + 1);
  for (std::string& s : strings) argv.push_back(s.data());
  argv.push_back(nullptr);
  return argv;
}

std::vector<std::string> Strings(const std::filesystem::path& program,
                                 const std::vector<std::string>& arguments) {
  std::vector<std::string> strings{program.string()};
  strings.insert(strings.end(), arguments.begin(), arguments.end());
  return strings;
}

// Waits for the child to end, retrying when a signal interrupts.
void Reap(pid_t child) {
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
}

}  // namespace

std::optional<int> RunToEnd(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                            std::chrono::milliseconds deadline) {
  std::vector<std::string> strings = Strings(program, arguments);
  std::vector<char*> argv = ArgumentVector(strings);
  posix_spawn_file_actions_t files;
  posix_spawnattr_t attributes;
  posix_spawn_file_actions_init(&files);
  posix_spawnattr_init(&attributes);
  for (int stream = 0; stream <= 2; ++stream)
    posix_spawn_file_actions_addopen(&files, stream, "/dev/null", stream == 0 ? O_RDONLY : O_WRONLY, 0);
  posix_spawn_file_actions_addclosefrom_np(&files, 3);
  sigset_t none;
  sigemptyset(&none);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK);
  pid_t child = 0;
  const int spawned = posix_spawn(&child, argv[0], &files, &attributes, argv.data(), environ);
  posix_spawn_file_actions_destroy(&files);
  posix_spawnattr_destroy(&attributes);
  if (spawned != 0) return std::nullopt;

  // Polled, at first often: the programs run here usually end within milliseconds.
  const auto end = std::chrono::steady_clock::now() + deadline;
  auto pause = std::chrono::milliseconds(1);
  int status = 0;
  for (;;) {
    const pid_t reaped = waitpid(child, &status, WNOHANG);
    if (reaped == child) break;
    if (reaped < 0 && errno != EINTR) return std::nullopt;  // reaped elsewhere: nothing to kill
    if (std::chrono::steady_clock::now() >= end) {
      ::kill(child, SIGKILL);
      Reap(child);
      return std::nullopt;
    }
    std::this_thread::sleep_for(pause);
    pause = std::min(pause * 2, std::chrono::milliseconds(20));
  }
  if (!WIFEXITED(status)) return std::nullopt;
  return WEXITSTATUS(status);
}

bool PosixProgramLauncher::Start(const std::filesystem::path& program,
                                 const std::vector<std::string>& arguments) {
  std::vector<std::string> strings = Strings(program, arguments);
  std::vector<char*> argv = ArgumentVector(strings);
  const std::string& path = strings.front();
  pid_t child = 0;
  // glibc reports a failed exec (missing file, not executable) as the result of posix_spawn.
  if (posix_spawn(&child, path.c_str(), nullptr, nullptr, argv.data(), environ) != 0) return false;
  try {
    std::thread([child] {
      RunThisThreadNormally();
      Reap(child);
    }).detach();
  } catch (const std::system_error&) {
    // No thread for reaping: the child still runs and becomes a zombie only until this program ends.
  }
  return true;
}

}  // namespace kalo::host
