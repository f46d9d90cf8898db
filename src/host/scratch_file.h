#pragma once
// A private temporary file for libraries that can only write to a path: the caller lets the library save
// there, reads the bytes back and stores them with WriteFileSafely.

#include <filesystem>
#include <string>
#include <string_view>

namespace kalo::host {

class ScratchFile {
 public:
  // Creates a new empty file with a unique name starting with `namePrefix` in the system's temporary
  // folder, readable and writable by this user only. On failure Path() is empty and Error() says why.
  explicit ScratchFile(std::string_view namePrefix);
  // Removes the file, whatever was written into it.
  ~ScratchFile();
  ScratchFile(const ScratchFile&) = delete;
  ScratchFile& operator=(const ScratchFile&) = delete;

  const std::filesystem::path& Path() const { return path_; }
  const std::string& Error() const { return error_; }

 private:
  std::filesystem::path path_;
  std::string error_;
};

}  // namespace kalo::host
