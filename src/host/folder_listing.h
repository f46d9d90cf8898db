#pragma once
// What a folder holds, for browsers of files (the Style-Manager's folder and file lists). Main thread;
// this blocks on the disk.

#include <filesystem>
#include <string>
#include <vector>

namespace kalo::host {

struct FolderListing {
  std::vector<std::string> Folders;  // names of the sub-folders (links to folders included)
  std::vector<std::string> Files;    // names of the regular files (links to regular files included)
  std::string Error;                 // empty when the folder was read, else PrintableName + the reason
};

// The sub-folders and regular files of `folder`, each list sorted by name without regard to ASCII
// case. Hidden entries (names beginning with ".") and anything that is neither a folder nor a regular
// file (a FIFO, a device, a socket, a broken link) are left out. Never throws; an unreadable folder
// gives empty lists and the reason.
FolderListing ListFolder(const std::filesystem::path& folder);

// The folder above `folder` ("/" stays "/"); the lexically normal form, without a trailing "/".
std::filesystem::path ParentFolder(const std::filesystem::path& folder);

// Whether a folder exists at path (following links). Never throws.
bool IsFolder(const std::filesystem::path& path);

}  // namespace kalo::host
