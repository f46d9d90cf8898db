#pragma once
// A scratch file for fuzzers whose loader reads from a file or whose saves are read back: the fuzzer
// writes each input into it. Its folder is made once per process and removed when the run ends.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

namespace kalo::fuzz {

class ScratchFile {
 public:
  ScratchFile(const std::string& folderPrefix, const std::string& fileName)
      : folder_(Root() / (folderPrefix + std::to_string(getpid()))), file_(folder_ / fileName) {
    std::filesystem::create_directories(folder_);
  }
  ~ScratchFile() {
    std::error_code ec;
    std::filesystem::remove_all(folder_, ec);
  }
  ScratchFile(const ScratchFile&) = delete;
  ScratchFile& operator=(const ScratchFile&) = delete;

  const std::filesystem::path& Folder() const { return folder_; }
  const std::filesystem::path& File() const { return file_; }

  // Replaces the file's contents with the input.
  void Write(const uint8_t* data, size_t size) const {
    std::ofstream(file_, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }

 private:
  // Saves sync their files: on a memory file system that costs nothing and the fuzzers keep pace.
  static std::filesystem::path Root() {
    std::error_code ec;
    if (std::filesystem::is_directory("/dev/shm", ec)) return "/dev/shm";
    return std::filesystem::temp_directory_path();
  }

  std::filesystem::path folder_;
  std::filesystem::path file_;
};

}  // namespace kalo::fuzz
