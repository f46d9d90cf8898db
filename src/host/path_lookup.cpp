#include "host/path_lookup.h"

#include <algorithm>
#include <cctype>
#include <system_error>

namespace kalo::host {

namespace fs = std::filesystem;

namespace {

bool SameIgnoringCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

bool IsFolder(const fs::path& path) {
  std::error_code error;
  return fs::is_directory(path, error);
}

// The entries of `folder` whose names match `name`: the exact spelling first, then the others in
// name order.
std::vector<fs::path> Matches(const fs::path& folder, const std::string& name) {
  std::vector<std::string> names;
  std::error_code error;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    std::string entry = it->path().filename().string();
    if (SameIgnoringCase(entry, name)) names.push_back(std::move(entry));
  }
  std::sort(names.begin(), names.end(), [&name](const std::string& a, const std::string& b) {
    if ((a == name) != (b == name)) return a == name;
    return a < b;
  });
  std::vector<fs::path> paths;
  for (const std::string& entry : names) paths.push_back(folder / entry);
  return paths;
}

std::optional<fs::path> Find(const fs::path& folder, const std::vector<std::string>& components,
                             size_t next) {
  if (next == components.size()) return std::nullopt;
  const bool last = next + 1 == components.size();
  for (const fs::path& candidate : Matches(folder, components[next])) {
    if (last) {
      if (IsRegularFile(candidate)) return candidate;
    } else if (IsFolder(candidate)) {
      if (auto found = Find(candidate, components, next + 1)) return found;
    }
  }
  return std::nullopt;
}

}  // namespace

bool IsRegularFile(const fs::path& path) {
  std::error_code error;
  return fs::is_regular_file(path, error);
}

std::optional<fs::path> FindIgnoringCase(const fs::path& base, const std::vector<std::string>& components) {
  std::vector<std::string> kept;
  for (const std::string& component : components) {
    if (component == "..") return std::nullopt;
    if (!component.empty() && component != ".") kept.push_back(component);
  }
  if (kept.empty()) return std::nullopt;
  return Find(base, kept, 0);
}

}  // namespace kalo::host
