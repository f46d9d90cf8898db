#pragma once
// Finding files named by a system whose file names ignore case (style lists and arrangements written
// on Windows) in a folder of this one, where case matters.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace kalo::host {

// Whether `path` names a regular file (or a link to one). Never throws.
bool IsRegularFile(const std::filesystem::path& path);

// The regular file below `base` named by `components` (folders, then the file name), each component
// matched without regard to ASCII case. Where a folder holds several entries that match, the one
// spelt exactly as asked is tried first, then the others in name order, so that two files differing
// only in case stay distinct. Empty and "." components are skipped; a ".." component finds nothing,
// so the look-up never leaves `base`. nullopt when no file matches.
std::optional<std::filesystem::path> FindIgnoringCase(const std::filesystem::path& base,
                                                      const std::vector<std::string>& components);

}  // namespace kalo::host
