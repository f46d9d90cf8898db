#pragma once
// The kalo program run by the shell: standard output into a given file or, with standard error,
// captured through a pipe (which no file size limit cuts); optionally with no file writes allowed at
// all (ulimit -f 0); killed as hanging after 20 seconds (exit code 137).

#include <sys/wait.h>

#include <cstdio>
#include <string>
#include <vector>

#include "config/temp_folder.h"

namespace kalo::cli::testing {

struct KaloRun {
  int Code = -1;       // the exit code; 128 + the signal when a signal ended it
  std::string Output;  // standard error, and standard output unless it went to a file
};

// A word for the shell, whatever bytes it holds.
inline std::string ShellWord(const std::string& word) {
  std::string quoted = "'";
  for (const char c : word) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

inline KaloRun RunKalo(const std::vector<std::string>& arguments, const std::string& out = "",
                       bool noFileWrites = false) {
  std::string command =
      std::string(noFileWrites ? "ulimit -f 0; " : "") + "exec timeout -s KILL 20 " KALO_PROGRAM;
  for (const std::string& argument : arguments) command += " " + ShellWord(argument);
  command += (out.empty() ? " 2>&1" : " 2>&1 >" + ShellWord(out)) + " </dev/null";
  FILE* pipe = ::popen(command.c_str(), "r");
  KaloRun run;
  char buffer[4096];
  for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) run.Output.append(buffer, got);
  const int status = ::pclose(pipe);
  run.Code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return run;
}

}  // namespace kalo::cli::testing
