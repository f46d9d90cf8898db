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
    Unavailable,    // the lock file cannot be made (a read-only or missing folder): no guard this run
  };

  // Takes the lock on `file`, creating the file, and its folder when missing and createFolder is set.
  // A lock taken on a file that its holder removed meanwhile is given up and taken again on the file
  // that stands at the name now, so two starts never hold two different files.
  explicit InstanceLock(const std::filesystem::path& file, bool createFolder = true);
  // The holder removes the lock file, while it still holds the lock, and then lets the lock go.
  ~InstanceLock();
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;

  Outcome Result() const { return outcome_; }

 private:
  std::filesystem::path file_;
  int fd_ = -1;
  Outcome outcome_ = Outcome::Unavailable;
};

}  // namespace kalo::host
