#pragma once
// Reading files with a size limit, and the one writer through which the program saves every file:
// a save replaces the file whole or leaves it as it was. Main thread; these block on the disk.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "host/printable_text.h"

namespace kalo::host {

// What ReadRegularFile found.
struct FileRead {
  std::vector<uint8_t> Bytes;  // at most the limit asked for
  bool Missing = false;        // nothing exists at the path (Error says so too)
  bool Longer = false;         // the file holds more than the limit; Bytes are its first bytes
  uint64_t Size = 0;           // the file's size when it was opened
  std::string Error;           // empty when read, else PrintableName(path) + ": " + Reason
  std::string Reason;          // the system's reason alone ("Is a directory", "a FIFO, not a file")
  bool Ok() const { return Error.empty(); }
};

// Reads at most maxBytes of the regular file at path (following links). A FIFO, a device, a socket
// or a folder is refused at once with its reason and never read, so that a reader cannot hang.
FileRead ReadRegularFile(const std::filesystem::path& path, size_t maxBytes);

// The first maxBytes bytes of a regular file (all of a shorter one); nullopt when it cannot be read
// (ReadRegularFile gives the reason).
std::optional<std::vector<uint8_t>> ReadFilePrefix(const std::filesystem::path& path, size_t maxBytes);

// Saves bytes as the file at path. A link at path is followed and the file it names is replaced;
// the link stays. A target that is read-only or not a regular file is refused. The bytes go to a
// fresh file in the target's folder: an unnamed one (O_TMPFILE) where the file system has them, so
// that a save cut short by a crash or kill -9 leaves nothing behind; else one created exclusively
// under the first free name of TemporaryNameFor(target, 1 .. kTemporaryNameAttempts) (a file or
// link already there is never truncated or followed). The file is locked while the save runs,
// written, synced and closed, given the target's mode and owner, named (an unnamed file is linked to
// the first free temporary name), renamed over the target, and the folder is synced. Temporary names
// left by saves that were cut short (files of this user that no process holds and that have not
// changed for kStaleTemporarySeconds) are removed first, so that they never fill the names up. On any
// failure the target is as it was, the temporary file is removed, and the result is
// PrintableName(path) + ": " + the system's reason (EFBIG too, once SIGXFSZ is ignored, see
// IgnoreFileSizeSignal); nullopt on success.
std::optional<std::string> WriteFileSafely(const std::filesystem::path& path, std::span<const uint8_t> bytes);
std::optional<std::string> WriteFileSafely(const std::filesystem::path& path, std::string_view text);

// A save written in steps, for files too large to hold in memory and for writers that fill in a
// header at the end: the bytes go to the temporary file WriteFileSafely would use (which is how
// WriteFileSafely itself writes), at a position that can be moved back, and Commit() puts the file in
// place under the same rules. Destroyed without a successful Commit(), it removes the temporary file
// and the target is as it was. Main thread.
class SafeFileWriter {
 public:
  // Checks the target and creates the temporary file; Error() says why when it cannot.
  explicit SafeFileWriter(const std::filesystem::path& path);
  ~SafeFileWriter();
  SafeFileWriter(const SafeFileWriter&) = delete;
  SafeFileWriter& operator=(const SafeFileWriter&) = delete;

  // The first failure, as PrintableName(path) + ": " + the reason; empty while all went well. After a
  // failure every call does nothing.
  const std::string& Error() const { return error_; }
  bool Ok() const { return error_.empty(); }

  // Writes at the position and moves it on; false on a failure (ENOSPC when the disk is full).
  bool Write(std::span<const uint8_t> bytes);
  // Reads at the position what the file holds there (less at its end) and moves on; the count read,
  // or -1 on a failure.
  int64_t Read(std::span<uint8_t> into);
  // Moves the position to an offset from the start (past the end leaves a hole filled with zeros).
  bool Seek(int64_t offset);
  int64_t Position() const { return position_; }
  int64_t Size() const { return size_; }

  // Syncs the file, names it, renames it over the target and syncs the folder. nullopt on success,
  // else Error().
  std::optional<std::string> Commit();

 private:
  struct Temporary;
  bool Fail(int systemError);
  bool Fail(const std::string& reason);

  std::filesystem::path path_;
  std::filesystem::path target_;
  std::unique_ptr<Temporary> temporary_;
  int64_t position_ = 0;
  int64_t size_ = 0;
  std::string error_;
};

inline constexpr int kTemporaryNameAttempts = 100;
inline constexpr int kStaleTemporarySeconds = 10;
// The attempt-th name (from 1) WriteFileSafely uses for its temporary file beside target:
// "." + the target's name (its first 100 bytes) + "." + attempt + ".tmp", in the target's folder.
std::filesystem::path TemporaryNameFor(const std::filesystem::path& target, int attempt);

// Whether WriteFileSafely tries unnamed temporary files first (the default). Tests turn it off to run
// the named temporary files of file systems that have no unnamed ones.
void UseUnnamedTemporaryFiles(bool use);

// Like WriteFileSafely, except that a character device at path (following links), such as /dev/null
// or a terminal, is written straight through.
std::optional<std::string> WriteFileOrDevice(const std::filesystem::path& path, std::string_view text);

// Why a file cannot be written at path, checked before long work so that it fails at once: a link
// loop, a folder that is missing or takes no new files, an existing target that is not a regular file
// (a character device passes when allowDevice) or is read-only. PrintableName(path) + ": " + the
// reason; nullopt when a write may go ahead. Nothing is created or opened.
std::optional<std::string> OutputProblem(const std::filesystem::path& path, bool allowDevice);

// Whether a and b (following links) are one and the same file, by device and inode; false when
// either does not exist.
bool SameFile(const std::filesystem::path& a, const std::filesystem::path& b);

// Whether the regular file at path (following links) may not be replaced: no write permission bit
// is set, or the effective user may not write it. False when there is no such file.
bool IsReadOnlyFile(const std::filesystem::path& path);

// Whether anything exists at path (following links).
bool PathExists(const std::filesystem::path& path);

// Creates folder and its missing parents; nullopt on success, else the name and the reason.
std::optional<std::string> CreateFolders(const std::filesystem::path& folder);

// name with the file type appended unless it already ends in it (compared without regard to case):
// "Rock v1.5" with ".vxs" gives "Rock v1.5.vxs"; "Rock.VXS" stays.
std::string WithFileType(const std::string& name, std::string_view type);

}  // namespace kalo::host
