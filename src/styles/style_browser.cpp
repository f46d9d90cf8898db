#include "styles/style_browser.h"

#include <cctype>

#include "host/folder_listing.h"
#include "styles/style_creator.h"
#include "styles/style_file.h"

namespace kalo::styles {

namespace {

char Lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

// One pattern of "*" and "?" against the whole name; the star backtracks to its last position only,
// which is enough for a pattern of plain characters between stars.
bool MatchesPattern(std::string_view name, std::string_view pattern) {
  size_t n = 0;
  size_t p = 0;
  size_t starAt = std::string_view::npos;
  size_t starName = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || Lower(pattern[p]) == Lower(name[n]))) {
      ++n;
      ++p;
    } else if (p < pattern.size() && pattern[p] == '*') {
      starAt = p++;
      starName = n;
    } else if (starAt != std::string_view::npos) {
      p = starAt + 1;
      n = ++starName;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
  return text;
}

std::vector<std::string> MakeReadyMasks() {
  std::vector<std::string> masks = {
      "*",         "*12beat*", "*16beat*",  "*8beat*", "*ballad*", "*rock*",  "*waltz*", "*pop*",   "*swing*",
      "*jazz*",    "*blues*",  "*country*", "*latin*", "*bossa*",  "*samba*", "*salsa*", "*disco*", "*funk*",
      "*shuffle*", "*reggae*", "*polka*",   "*march*", "*tango*",  "*house*", "*gospel*"};
  for (char digit = '1'; digit <= '9'; ++digit) {
    std::string mask;
    for (char letter = 'a'; letter <= 'z'; ++letter) {
      if (!mask.empty()) mask += ';';
      mask += std::string("*") + letter + digit + "-*";
    }
    masks.push_back(mask);
  }
  for (int number = 10; number <= 20; ++number) masks.push_back("*" + std::to_string(number) + "-*");
  return masks;
}

}  // namespace

const std::vector<std::string>& ReadyMasks() {
  static const std::vector<std::string> masks = MakeReadyMasks();
  return masks;
}

std::string MaskFromEntry(std::string_view typed) {
  std::string mask(Trimmed(typed));
  if (mask.empty() || mask.back() != '*') mask += '*';
  return mask;
}

bool MatchesMask(std::string_view name, std::string_view mask) {
  while (true) {
    const size_t end = mask.find(';');
    const std::string_view pattern = Trimmed(mask.substr(0, end));
    if (!pattern.empty() && MatchesPattern(name, pattern)) return true;
    if (end == std::string_view::npos) return false;
    mask.remove_prefix(end + 1);
  }
}

std::string FileCountText(int count) { return std::to_string(count) + " files"; }

std::string MaskHint(int count) {
  return "Currently listed: " + std::to_string(count) + " files; Press \"Enter\" (you may use * and ?)";
}

bool IsDraggableStyle(const std::string& fileName) {
  return ToLower(FileNameOf(fileName)) != kWantMoreStyleName;
}

std::string FileListText(const StyleFileEntry& entry) {
  if (!entry.Summary) return entry.Name;
  std::string text = entry.Name;
  text.resize(std::max<size_t>(text.size() + 2, 26), ' ');
  return text + SummaryText(*entry.Summary);
}

std::filesystem::path StartFolder(const std::string& styleDir, const host::ProgramFolder& folder) {
  if (!styleDir.empty() && host::IsFolder(styleDir)) return styleDir;
  if (host::IsFolder(folder.Styles())) return folder.Styles();
  return folder.Path();
}

StyleBrowser::StyleBrowser(const std::filesystem::path& folder) { SetFolder(folder); }

void StyleBrowser::SetFolder(const std::filesystem::path& folder) {
  folder_ = folder.lexically_normal();
  if (!folder_.has_filename() && folder_ != folder_.root_path()) folder_ = folder_.parent_path();
  Refresh();
}

void StyleBrowser::Enter(const std::string& name) {
  SetFolder(name == ".." ? host::ParentFolder(folder_) : folder_ / name);
}

void StyleBrowser::SetMask(const std::string& mask) {
  mask_ = mask;
  Refresh();
}

void StyleBrowser::Refresh() {
  folders_.clear();
  files_.clear();
  problem_.clear();
  if (folder_.empty()) return;
  host::FolderListing listing = host::ListFolder(folder_);
  problem_ = std::move(listing.Error);
  folders_ = std::move(listing.Folders);
  if (folder_ != folder_.root_path()) folders_.insert(folders_.begin(), "..");
  for (std::string& name : listing.Files) {
    if (!HasExtension(name, ".vxs") || !MatchesMask(name, mask_)) continue;
    std::optional<StyleSummary> summary = ReadStyleSummary(folder_ / name);
    files_.push_back({std::move(name), std::move(summary)});
  }
}

}  // namespace kalo::styles
