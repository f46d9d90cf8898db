#include "host/scratch_file.h"

#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <system_error>
#include <vector>

namespace kalo::host {

ScratchFile::ScratchFile(std::string_view namePrefix) {
  std::error_code error;
  const std::filesystem::path folder = std::filesystem::temp_directory_path(error);
  if (error) {
    error_ = "no temporary folder: " + error.message();
    return;
  }
  const std::string pattern = (folder / (std::string(namePrefix) + "XXXXXX")).string();
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  // mkstemp creates the file with mode 0600 and fails rather than reuse an existing name.
  const int fd = mkstemp(name.data());
  if (fd < 0) {
    error_ = "cannot create a temporary file in " + folder.string() + ": " + std::strerror(errno);
    return;
  }
  close(fd);
  path_ = name.data();
}

ScratchFile::~ScratchFile() {
  if (path_.empty()) return;
  std::error_code ignored;
  std::filesystem::remove(path_, ignored);
}

}  // namespace kalo::host
