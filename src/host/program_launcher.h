#pragma once
// Starting an external program (the instrument-list editor, the program named in the settings) without
// waiting for it. Main thread.

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace kalo::host {

class ProgramLauncher {
 public:
  virtual ~ProgramLauncher() = default;
  // Starts program with the given arguments (each passed as one argument, no shell involved) and
  // returns at once; true when the program started.
  virtual bool Start(const std::filesystem::path& program, const std::vector<std::string>& arguments) = 0;
};

// Starts programs with posix_spawn; a detached thread reaps each child when it ends.
class PosixProgramLauncher final : public ProgramLauncher {
 public:
  bool Start(const std::filesystem::path& program, const std::vector<std::string>& arguments) override;
};

// Runs program (arguments as for Start) to its end and returns its exit code: nothing when it could not
// start, was ended by a signal, or still ran after `deadline`, when it is killed. The child gets no
// standard input or output, no other file of this program and no blocked signals. Any thread.
std::optional<int> RunToEnd(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                            std::chrono::milliseconds deadline);

// For tests: records every start and reports a chosen result.
class RecordingProgramLauncher final : public ProgramLauncher {
 public:
  struct Call {
    std::filesystem::path Program;
    std::vector<std::string> Arguments;
  };

  bool Start(const std::filesystem::path& program, const std::vector<std::string>& arguments) override {
    calls_.push_back({program, arguments});
    return result_;
  }
  void SetResult(bool started) { result_ = started; }
  const std::vector<Call>& Calls() const { return calls_; }

 private:
  std::vector<Call> calls_;
  bool result_ = true;
};

}  // namespace kalo::host
