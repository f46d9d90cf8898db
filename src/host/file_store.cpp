#include "host/file_store.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <system_error>

namespace kalo::host {

namespace fs = std::filesystem;

namespace {

// Links followed from a save's path to the file it replaces, as the system's own limit.
constexpr int kMaxLinks = 40;
// Longest part of the target's name that goes into a temporary name (names are at most 255 bytes).
constexpr size_t kTemporaryStemBytes = 100;

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

// A file descriptor closed when it goes out of scope.
class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;

  int Get() const { return fd_; }

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

// Makes a completed rename durable; a folder that cannot be synced is not an error (some file
// systems refuse it), the new file being in place already.
void SyncFolder(const fs::path& file) {
  const fs::path folder = file.parent_path().empty() ? fs::path(".") : file.parent_path();
  Descriptor descriptor(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (descriptor.Get() >= 0) ::fsync(descriptor.Get());
}

}  // namespace

FileRead ReadRegularFile(const fs::path& path, size_t maxBytes) {
  FileRead result;
  auto fail = [&](const std::string& reason) {
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

SafeFileWriter::SafeFileWriter(const fs::path& path) : path_(path) {
  std::string error;
  const std::optional<fs::path> target = FollowLinks(path, error);
  if (!target) {
    error_ = Failure(path, error);
    return;
  }
  target_ = *target;
  struct stat existing {};
  const bool exists = ::stat(target_.c_str(), &existing) == 0;
  if (exists && !S_ISREG(existing.st_mode)) {
    error_ = Failure(path, KindReason(existing.st_mode));
    return;
  }
  if (exists && ReadOnly(target_, existing)) {
    error_ = Failure(path, "the file is read-only");
    return;
  }

  // O_EXCL with O_NOFOLLOW: whatever already stands at a name (a leftover, a link, a player's own
  // file) is skipped, never opened, truncated or followed.
  for (int attempt = 1; attempt <= kTemporaryNameAttempts && fd_ < 0; ++attempt) {
    const fs::path name = TemporaryNameFor(target_, attempt);
    fd_ = ::open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd_ >= 0) temporary_ = name;
    if (fd_ < 0 && errno != EEXIST) {
      Fail(errno);
      return;
    }
  }
  if (fd_ < 0) {
    error_ = Failure(path, "every name for a temporary file beside it is taken");
    return;
  }
  if (exists) {
    struct stat created {};
    if (::fstat(fd_, &created) != 0) {
      Fail(errno);
      return;
    }
    if (created.st_uid != existing.st_uid || created.st_gid != existing.st_gid) {
      // Only a privileged save can give the file back to its owner; otherwise the new file belongs
      // to whoever saved it, as any replacement would.
      [[maybe_unused]] const int given = ::fchown(fd_, existing.st_uid, existing.st_gid);
    }
    if (::fchmod(fd_, existing.st_mode & 07777) != 0) Fail(errno);
  }
}

SafeFileWriter::~SafeFileWriter() {
  if (fd_ >= 0) ::close(fd_);
  if (!committed_ && !temporary_.empty()) ::unlink(temporary_.c_str());
}

std::optional<std::string> SafeFileWriter::Fail(int systemError) {
  if (error_.empty()) error_ = Failure(path_, Reason(systemError));
  return error_;
}

bool SafeFileWriter::Write(std::span<const uint8_t> bytes) {
  if (!Ok()) return false;
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::pwrite(fd_, bytes.data() + done, bytes.size() - done,
                               static_cast<off_t>(position_) + static_cast<off_t>(done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      Fail(errno);
      return false;
    }
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
    const ssize_t n = ::pread(fd_, into.data() + done, into.size() - done,
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
  if (offset < 0) {
    Fail(EINVAL);
    return false;
  }
  position_ = offset;
  return true;
}

std::optional<std::string> SafeFileWriter::Commit() {
  if (!Ok()) return error_;
  if (committed_) return std::nullopt;
  if (::fsync(fd_) != 0) return Fail(errno);
  const int closed = ::close(fd_);
  fd_ = -1;
  if (closed != 0) return Fail(errno);
  if (::rename(temporary_.c_str(), target_.c_str()) != 0) return Fail(errno);
  committed_ = true;
  SyncFolder(target_);
  return std::nullopt;
}

std::optional<std::string> WriteFileSafely(const fs::path& path, std::span<const uint8_t> bytes) {
  SafeFileWriter writer(path);
  writer.Write(bytes);
  return writer.Commit();
}

std::optional<std::string> WriteFileSafely(const fs::path& path, std::string_view text) {
  return WriteFileSafely(path, std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
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

std::string PrintableName(const fs::path& path) {
  std::string out = "\"";
  for (const char c : path.string()) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\t') {
      out += "\\t";
    } else if (byte < 0x20 || byte == 0x7F) {
      char escaped[5];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
      out += escaped;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

}  // namespace kalo::host
