#pragma once
// What the program reads of its process and platform to place its files: environment variables
// and whether a folder takes new files. Main thread; these touch the file system.

#include <filesystem>
#include <optional>

namespace kalo::host {

// The value of the process environment variable `name` as a path; nullopt when unset or empty.
std::optional<std::filesystem::path> EnvironmentPath(const char* name);

// True when a file can be created in folder (probed by creating and removing a file).
bool ProbeFolderWritable(const std::filesystem::path& folder);

}  // namespace kalo::host
