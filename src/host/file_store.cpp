#include "host/file_store.h"

#include <fstream>
#include <system_error>

namespace kalo::host {

std::optional<std::vector<uint8_t>> ReadFilePrefix(const std::filesystem::path& path, size_t maxBytes) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return std::nullopt;
  std::vector<uint8_t> bytes(maxBytes);
  file.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(maxBytes));
  if (file.bad()) return std::nullopt;
  bytes.resize(static_cast<size_t>(file.gcount()));
  return bytes;
}

std::optional<std::string> WriteFileSafely(const std::filesystem::path& path,
                                               std::span<const uint8_t> bytes) {
  std::filesystem::path temporary = path;
  temporary += ".tmp";
  {
    std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
    if (!file) return "cannot create " + temporary.string();
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    file.flush();
    if (!file) {
      file.close();
      std::error_code ignored;
      std::filesystem::remove(temporary, ignored);
      return "cannot write " + temporary.string();
    }
  }
  std::error_code error;
  std::filesystem::rename(temporary, path, error);
  if (error) {
    std::error_code ignored;
    std::filesystem::remove(temporary, ignored);
    return "cannot replace " + path.string() + ": " + error.message();
  }
  return std::nullopt;
}

}  // namespace kalo::host
