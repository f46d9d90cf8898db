#pragma once
// What the program reads of its process and platform: environment variables, whether a folder takes
// new files and whether standard error is a terminal; and how the process meets the file size limit.
// Main thread; these touch the file system.

#include <filesystem>
#include <optional>

namespace kalo::host {

// The value of the process environment variable `name` as a path; nullopt when unset or empty.
std::optional<std::filesystem::path> EnvironmentPath(const char* name);

// True when a file can be created in folder, as the system answers for the effective user; nothing
// is created or opened.
bool ProbeFolderWritable(const std::filesystem::path& folder);

// True when the process's standard error is a terminal (a line there may be rewritten in place).
bool StandardErrorIsTerminal();
// The same for standard output.
bool StandardOutputIsTerminal();

// Makes a write beyond the file size limit (ulimit -f) fail with EFBIG, which the writers report,
// instead of ending the process with SIGXFSZ and leaving its temporary file. Call at the start.
void IgnoreFileSizeSignal();

}  // namespace kalo::host
