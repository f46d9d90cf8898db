#include "host/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace kalo::host {

namespace {

// Holders that end one after another while this start tries: each leaves the name to the next.
constexpr int kLockAttempts = 8;

bool StillNamed(int fd, const std::filesystem::path& file) {
  struct stat held {};
  struct stat named {};
  return ::fstat(fd, &held) == 0 && ::stat(file.c_str(), &named) == 0 && held.st_dev == named.st_dev &&
         held.st_ino == named.st_ino;
}

}  // namespace

InstanceLock::InstanceLock(const std::filesystem::path& file, bool createFolder) : file_(file) {
  if (createFolder) {
    std::error_code ec;
    std::filesystem::create_directories(file.parent_path(), ec);
  }
  for (int attempt = 0; attempt < kLockAttempts; ++attempt) {
    fd_ = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd_ < 0) return;
    // A lock belongs to the open file description: a second open in this same process is refused
    // too, which is what the tests rely on.
    int result;
    do {
      result = ::flock(fd_, LOCK_EX | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    if (result != 0) {
      if (errno == EWOULDBLOCK) outcome_ = Outcome::HeldElsewhere;
      return;
    }
    if (StillNamed(fd_, file)) {
      outcome_ = Outcome::Acquired;
      return;
    }
    ::close(fd_);
    fd_ = -1;
  }
}

InstanceLock::~InstanceLock() {
  if (outcome_ == Outcome::Acquired) ::unlink(file_.c_str());
  if (fd_ >= 0) ::close(fd_);
}

}  // namespace kalo::host
