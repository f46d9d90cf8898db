#pragma once
// The single-instance guard: one program per settings folder. A lock file beside the settings holds
// an exclusive advisory lock (flock) for as long as the program runs; the system drops it when the
// process ends in any way, so a crashed run never blocks the next start. Main thread.

#include <filesystem>

namespace kalo::host {

// The message of a refused second start, and the exit code of that start.
inline constexpr const char* kAlreadyRunning = "KALO is already running !";
inline constexpr int kAlreadyRunningExitCode = 255;

class InstanceLock {
 public:
  enum class Outcome {
    Acquired,       // this process is the one instance
    HeldElsewhere,  // another process holds the lock
    Unavailable,    // the lock file cannot be made (a read-only folder): no guard this run
  };

  // Takes the lock on `file`, creating the file and its folder when missing. The file is never
  // removed: removing it would let a third start lock a new file while the first still runs.
  explicit InstanceLock(const std::filesystem::path& file);
  ~InstanceLock();
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;

  Outcome Result() const { return outcome_; }

 private:
  int fd_ = -1;
  Outcome outcome_ = Outcome::Unavailable;
};

}  // namespace kalo::host
