#include "host/file_store.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <system_error>

namespace kalo::host {

namespace fs = std::filesystem;

namespace {

// Links followed from a save's path to the file it replaces, as the system's own limit.
constexpr int kMaxLinks = 40;
// Longest part of the target's name that goes into a temporary name (names are at most 255 bytes).
constexpr size_t kTemporaryStemBytes = 100;

bool useUnnamedTemporaryFiles = true;

std::string Reason(int error) { return std::error_code(error, std::generic_category()).message(); }

std::string Failure(const fs::path& path, const std::string& reason) {
  return PrintableName(path) + ": " + reason;
}

// Why something that is not a regular file is not read or replaced.
std::string KindReason(mode_t mode) {
  if (S_ISDIR(mode)) return Reason(EISDIR);
  if (S_ISFIFO(mode)) return "a FIFO, not a file";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device, not a file";
  if (S_ISSOCK(mode)) return "a socket, not a file";
  return "not a regular file";
}

bool ReadOnly(const fs::path& path, const struct stat& status) {
  return (status.st_mode & 0222) == 0 || ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0;
}

// A file descriptor closed when it goes out of scope, unless closed before with Close().
class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;

  int Get() const { return fd_; }
  // Closes now; 0, or -1 with errno set (a failed close can mean written data were lost).
  int Close() {
    const int result = ::close(fd_);
    fd_ = -1;
    return result;
  }

 private:
  int fd_;
};

// Reads up to size bytes; the count read (short only at the end of the file), or -1 with errno set.
ssize_t ReadFully(int fd, uint8_t* data, size_t size) {
  size_t done = 0;
  while (done < size) {
    const ssize_t n = ::read(fd, data + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return -1;
    if (n == 0) break;
    done += static_cast<size_t>(n);
  }
  return static_cast<ssize_t>(done);
}

// Writes all of bytes; 0, or -1 with errno set (ENOSPC when the disk is full).
int WriteFully(int fd, std::span<const uint8_t> bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return -1;
    done += static_cast<size_t>(n);
  }
  return 0;
}

// The file a save of path replaces: path itself, or where its chain of links ends.
std::optional<fs::path> FollowLinks(const fs::path& path, std::string& error) {
  fs::path target = path;
  for (int links = 0;; ++links) {
    struct stat status {};
    if (::lstat(target.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) return target;
    if (links == kMaxLinks) {
      error = Reason(ELOOP);
      return std::nullopt;
    }
    std::error_code ec;
    const fs::path next = fs::read_symlink(target, ec);
    if (ec) {
      error = ec.message();
      return std::nullopt;
    }
    target = next.is_absolute() ? next : target.parent_path() / next;
  }
}

fs::path FolderOf(const fs::path& file) {
  return file.parent_path().empty() ? fs::path(".") : file.parent_path();
}

// Makes a completed rename durable; a folder that cannot be synced is not an error (some file
// systems refuse it), the new file being in place already.
void SyncFolder(const fs::path& file) {
  Descriptor descriptor(::open(FolderOf(file).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (descriptor.Get() >= 0) ::fsync(descriptor.Get());
}

constexpr const char* kAllNamesTaken = "every name for a temporary file beside it is taken";

// Removes what a save cut short left at name: a plain file of this user, linked once, unchanged for
// kStaleTemporarySeconds and not locked by a save in progress. Anything else stays untouched.
void RemoveIfStale(const fs::path& name) {
  struct stat found {};
  if (::lstat(name.c_str(), &found) != 0 || !S_ISREG(found.st_mode) || found.st_uid != ::geteuid() ||
      found.st_nlink != 1 || std::time(nullptr) - found.st_mtime < kStaleTemporarySeconds)
    return;
  Descriptor file(::open(name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  struct stat opened {};
  if (file.Get() < 0 || ::fstat(file.Get(), &opened) != 0 || opened.st_ino != found.st_ino ||
      opened.st_dev != found.st_dev || ::flock(file.Get(), LOCK_EX | LOCK_NB) != 0)
    return;
  // Still the same file at that name, now that it is locked.
  struct stat again {};
  if (::lstat(name.c_str(), &again) == 0 && again.st_ino == opened.st_ino && again.st_dev == opened.st_dev)
    ::unlink(name.c_str());
}

void RemoveStaleTemporaryNames(const fs::path& target) {
  for (int attempt = 1; attempt <= kTemporaryNameAttempts; ++attempt)
    RemoveIfStale(TemporaryNameFor(target, attempt));
}

// The file a save writes before it replaces the target, locked (flock) from its creation on so that
// no other save takes it for a leftover. Removed when dropped unless Keep() was called.
class TemporaryFile {
 public:
  explicit TemporaryFile(const fs::path& target) : target_(target) {
    if (useUnnamedTemporaryFiles) {
      fd_ = ::open(FolderOf(target).c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
      if (fd_ >= 0) {
        Lock();
        return;
      }
      // EISDIR: a kernel without O_TMPFILE; EOPNOTSUPP: a file system without it.
      if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
        error_ = Reason(errno);
        return;
      }
    }
    // O_EXCL with O_NOFOLLOW: whatever already stands at a name (a leftover, a link, a player's own
    // file) is skipped, never truncated or followed.
    for (int attempt = 1; attempt <= kTemporaryNameAttempts; ++attempt) {
      const fs::path name = TemporaryNameFor(target, attempt);
      fd_ = ::open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
      if (fd_ >= 0) {
        name_ = name;
        Lock();
        return;
      }
      if (errno != EEXIST) {
        error_ = Reason(errno);
        return;
      }
    }
    error_ = kAllNamesTaken;
  }
  ~TemporaryFile() { Discard(); }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;

  // Why no file could be made; empty when it was.
  const std::string& Error() const { return error_; }
  int Fd() const { return fd_; }
  const fs::path& Name() const { return name_; }

  // Links an unnamed file to the first free temporary name (a named one has its name already);
  // empty on success, else the reason.
  std::string GiveName() {
    if (!name_.empty()) return {};
    const std::string self = "/proc/self/fd/" + std::to_string(fd_);
    for (int attempt = 1; attempt <= kTemporaryNameAttempts; ++attempt) {
      const fs::path name = TemporaryNameFor(target_, attempt);
      int linked = ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW);
      // Without /proc, only a privileged process may link a descriptor itself.
      if (linked != 0 && errno == ENOENT) linked = ::linkat(fd_, "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH);
      if (linked == 0) {
        name_ = name;
        return {};
      }
      if (errno != EEXIST) return Reason(errno);
    }
    return kAllNamesTaken;
  }
  // Closes the file (which ends its lock); 0, or -1 with errno set.
  int Close() {
    const int result = ::close(fd_);
    fd_ = -1;
    return result;
  }
  // The file has been renamed over the target: nothing is left to remove.
  void Keep() { name_.clear(); }
  void Discard() {
    if (fd_ >= 0) Close();
    if (!name_.empty()) ::unlink(name_.c_str());
    name_.clear();
  }

 private:
  void Lock() { ::flock(fd_, LOCK_EX | LOCK_NB); }

  fs::path target_;
  int fd_ = -1;
  fs::path name_;
  std::string error_;
};

}  // namespace

FileRead ReadRegularFile(const fs::path& path, size_t maxBytes) {
  FileRead result;
  auto fail = [&](const std::string& reason) {
    result.Reason = reason;
    result.Error = Failure(path, reason);
    return result;
  };
  // Looked at before opening, so that neither a FIFO (which would block) nor a device is opened.
  struct stat before {};
  if (::stat(path.c_str(), &before) != 0) {
    const int error = errno;
    result.Missing = error == ENOENT;
    return fail(Reason(error));
  }
  if (!S_ISREG(before.st_mode)) return fail(KindReason(before.st_mode));
  Descriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (file.Get() < 0) return fail(Reason(errno));
  struct stat opened {};
  if (::fstat(file.Get(), &opened) != 0) return fail(Reason(errno));
  if (!S_ISREG(opened.st_mode)) return fail(KindReason(opened.st_mode));  // replaced meanwhile
  result.Size = static_cast<uint64_t>(std::max<off_t>(opened.st_size, 0));

  result.Bytes.resize(std::min(maxBytes, static_cast<size_t>(std::max<off_t>(opened.st_size, 0))));
  ssize_t count = ReadFully(file.Get(), result.Bytes.data(), result.Bytes.size());
  if (count < 0) return fail(Reason(errno));
  // A file that grew since fstat is read on up to the limit.
  while (static_cast<size_t>(count) == result.Bytes.size() && result.Bytes.size() < maxBytes) {
    const size_t have = result.Bytes.size();
    result.Bytes.resize(std::min(maxBytes, have + 65536));
    const ssize_t more = ReadFully(file.Get(), result.Bytes.data() + have, result.Bytes.size() - have);
    if (more < 0) return fail(Reason(errno));
    count += more;
    if (static_cast<size_t>(count) < result.Bytes.size()) break;
  }
  result.Bytes.resize(static_cast<size_t>(count));
  if (result.Bytes.size() == maxBytes) {
    uint8_t extra = 0;
    const ssize_t more = ReadFully(file.Get(), &extra, 1);
    if (more < 0) return fail(Reason(errno));
    result.Longer = more > 0;
  }
  return result;
}

std::optional<std::vector<uint8_t>> ReadFilePrefix(const fs::path& path, size_t maxBytes) {
  FileRead read = ReadRegularFile(path, maxBytes);
  if (!read.Ok()) return std::nullopt;
  return std::move(read.Bytes);
}

struct SafeFileWriter::Temporary {
  explicit Temporary(const fs::path& target) : File(target) {}
  TemporaryFile File;
};

SafeFileWriter::SafeFileWriter(const fs::path& path) : path_(path) {
  std::string error;
  const std::optional<fs::path> target = FollowLinks(path, error);
  if (!target) {
    Fail(error);
    return;
  }
  target_ = *target;
  struct stat existing {};
  const bool exists = ::stat(target_.c_str(), &existing) == 0;
  if (exists && !S_ISREG(existing.st_mode)) {
    Fail(KindReason(existing.st_mode));
    return;
  }
  if (exists && ReadOnly(target_, existing)) {
    Fail("the file is read-only");
    return;
  }

  RemoveStaleTemporaryNames(target_);
  temporary_ = std::make_unique<Temporary>(target_);
  if (!temporary_->File.Error().empty()) {
    Fail(temporary_->File.Error());
    return;
  }
  const int fd = temporary_->File.Fd();
  if (exists) {
    struct stat created {};
    if (::fstat(fd, &created) != 0) {
      Fail(errno);
      return;
    }
    if (created.st_uid != existing.st_uid || created.st_gid != existing.st_gid) {
      // Only a privileged save can give the file back to its owner; otherwise the new file belongs
      // to whoever saved it, as any replacement would.
      [[maybe_unused]] const int given = ::fchown(fd, existing.st_uid, existing.st_gid);
    }
    if (::fchmod(fd, existing.st_mode & 07777) != 0) Fail(errno);
  }
}

SafeFileWriter::~SafeFileWriter() = default;

bool SafeFileWriter::Fail(int systemError) { return Fail(Reason(systemError)); }

bool SafeFileWriter::Fail(const std::string& reason) {
  if (error_.empty()) error_ = Failure(path_, reason);
  if (temporary_) temporary_->File.Discard();
  return false;
}

bool SafeFileWriter::Write(std::span<const uint8_t> bytes) {
  if (!Ok()) return false;
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::pwrite(temporary_->File.Fd(), bytes.data() + done, bytes.size() - done,
                               static_cast<off_t>(position_) + static_cast<off_t>(done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return Fail(errno);
    done += static_cast<size_t>(n);
  }
  position_ += static_cast<int64_t>(done);
  size_ = std::max(size_, position_);
  return true;
}

int64_t SafeFileWriter::Read(std::span<uint8_t> into) {
  if (!Ok()) return -1;
  size_t done = 0;
  while (done < into.size()) {
    const ssize_t n = ::pread(temporary_->File.Fd(), into.data() + done, into.size() - done,
                              static_cast<off_t>(position_) + static_cast<off_t>(done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      Fail(errno);
      return -1;
    }
    if (n == 0) break;
    done += static_cast<size_t>(n);
  }
  position_ += static_cast<int64_t>(done);
  return static_cast<int64_t>(done);
}

bool SafeFileWriter::Seek(int64_t offset) {
  if (!Ok()) return false;
  if (offset < 0) return Fail(EINVAL);
  position_ = offset;
  return true;
}

std::optional<std::string> SafeFileWriter::Commit() {
  if (!Ok()) return error_;
  TemporaryFile& temporary = temporary_->File;
  if (::fsync(temporary.Fd()) != 0) Fail(errno);
  if (const std::string named = Ok() ? temporary.GiveName() : std::string(); !named.empty()) Fail(named);
  if (Ok() && temporary.Close() != 0) Fail(errno);
  if (Ok() && ::rename(temporary.Name().c_str(), target_.c_str()) != 0) Fail(errno);
  if (!Ok()) return error_;
  temporary.Keep();
  SyncFolder(target_);
  return std::nullopt;
}

std::optional<std::string> WriteFileSafely(const fs::path& path, std::span<const uint8_t> bytes) {
  SafeFileWriter file(path);
  file.Write(bytes);
  return file.Commit();
}

std::optional<std::string> WriteFileSafely(const fs::path& path, std::string_view text) {
  return WriteFileSafely(path, std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

void UseUnnamedTemporaryFiles(bool use) { useUnnamedTemporaryFiles = use; }

std::optional<std::string> WriteFileOrDevice(const fs::path& path, std::string_view text) {
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0 || !S_ISCHR(status.st_mode)) return WriteFileSafely(path, text);
  Descriptor device(::open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC));
  if (device.Get() < 0) return Failure(path, Reason(errno));
  if (WriteFully(device.Get(), std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size())) != 0)
    return Failure(path, Reason(errno));
  if (device.Close() != 0) return Failure(path, Reason(errno));
  return std::nullopt;
}

std::optional<std::string> OutputProblem(const fs::path& path, bool allowDevice) {
  std::string error;
  const std::optional<fs::path> target = FollowLinks(path, error);
  if (!target) return Failure(path, error);
  struct stat existing {};
  if (::stat(target->c_str(), &existing) == 0) {
    if (allowDevice && S_ISCHR(existing.st_mode)) {
      if (::faccessat(AT_FDCWD, target->c_str(), W_OK, AT_EACCESS) != 0) return Failure(path, Reason(errno));
      return std::nullopt;
    }
    if (!S_ISREG(existing.st_mode)) return Failure(path, KindReason(existing.st_mode));
    if (ReadOnly(*target, existing)) return Failure(path, "the file is read-only");
  } else if (errno != ENOENT) {
    return Failure(path, Reason(errno));
  }
  // The new file (or the temporary file that replaces the old one) is made in the folder.
  const fs::path folder = FolderOf(*target);
  struct stat folderStatus {};
  if (::stat(folder.c_str(), &folderStatus) != 0) return Failure(path, Reason(errno));
  if (!S_ISDIR(folderStatus.st_mode)) return Failure(path, Reason(ENOTDIR));
  if (::faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) != 0)
    return Failure(path, Reason(errno));
  return std::nullopt;
}

bool SameFile(const fs::path& a, const fs::path& b) {
  struct stat first {};
  struct stat second {};
  return ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 && first.st_dev == second.st_dev &&
         first.st_ino == second.st_ino;
}

fs::path TemporaryNameFor(const fs::path& target, int attempt) {
  const std::string name = target.filename().string();
  return target.parent_path() /
         ("." + name.substr(0, kTemporaryStemBytes) + "." + std::to_string(attempt) + ".tmp");
}

bool IsReadOnlyFile(const fs::path& path) {
  struct stat status {};
  return ::stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode) && ReadOnly(path, status);
}

bool PathExists(const fs::path& path) {
  struct stat status {};
  return ::stat(path.c_str(), &status) == 0;
}

std::optional<std::string> CreateFolders(const fs::path& folder) {
  std::error_code ec;
  fs::create_directories(folder, ec);
  if (ec) return Failure(folder, ec.message());
  return std::nullopt;
}

std::string WithFileType(const std::string& name, std::string_view type) {
  auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
  const bool hasType = name.size() >= type.size() &&
                       std::equal(type.begin(), type.end(), name.end() - static_cast<long>(type.size()),
                                  [&](char a, char b) { return lower(a) == lower(b); });
  return hasType ? name : name + std::string(type);
}

}  // namespace kalo::host
