#pragma once
// Whole-file reads with a size limit and writes that never leave a half-written file.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace kalo::host {

// The first `maxBytes` bytes of a file (all of a shorter one); nullopt when it cannot be opened.
std::optional<std::vector<uint8_t>> ReadFilePrefix(const std::filesystem::path& path, size_t maxBytes);

// Writes `bytes` to a temporary file beside `path`, flushes it and renames it over `path`. On failure
// the target is untouched, the temporary file is removed and the reason is returned.
std::optional<std::string> WriteFileSafely(const std::filesystem::path& path,
                                               std::span<const uint8_t> bytes);

}  // namespace kalo::host
