#include "host/folder_listing.h"

#include <algorithm>
#include <cctype>
#include <system_error>

#include "host/file_store.h"

namespace kalo::host {

namespace fs = std::filesystem;

namespace {

bool LessIgnoringCase(const std::string& a, const std::string& b) {
  const auto lower = [](char c) { return std::tolower(static_cast<unsigned char>(c)); };
  const bool less = std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                                 [&](char x, char y) { return lower(x) < lower(y); });
  const bool greater = std::lexicographical_compare(b.begin(), b.end(), a.begin(), a.end(),
                                                    [&](char x, char y) { return lower(x) < lower(y); });
  // Names equal but for case keep a fixed order.
  return less || (!greater && a < b);
}

}  // namespace

FolderListing ListFolder(const fs::path& folder) {
  FolderListing listing;
  std::error_code error;
  fs::directory_iterator it(folder, error);
  for (const fs::directory_iterator end; !error && it != end; it.increment(error)) {
    std::string name = it->path().filename().string();
    if (name.empty() || name.front() == '.') continue;
    std::error_code kindError;
    const fs::file_status status = fs::status(it->path(), kindError);  // follows links
    if (kindError) continue;
    if (fs::is_directory(status)) {
      listing.Folders.push_back(std::move(name));
    } else if (fs::is_regular_file(status)) {
      listing.Files.push_back(std::move(name));
    }
  }
  if (error) listing.Error = PrintableName(folder) + ": " + error.message();
  std::sort(listing.Folders.begin(), listing.Folders.end(), LessIgnoringCase);
  std::sort(listing.Files.begin(), listing.Files.end(), LessIgnoringCase);
  return listing;
}

fs::path ParentFolder(const fs::path& folder) {
  fs::path normal = folder.lexically_normal();
  if (normal.has_filename() == false && normal != normal.root_path()) normal = normal.parent_path();
  const fs::path parent = normal.parent_path();
  return parent.empty() ? normal : parent;
}

bool IsFolder(const fs::path& path) {
  std::error_code error;
  return fs::is_directory(path, error);
}

}  // namespace kalo::host
