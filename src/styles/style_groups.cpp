#include "styles/style_groups.h"

#include <algorithm>

#include "host/file_store.h"
#include "styles/style_file.h"

namespace kalo::styles {

const std::array<StyleGroup, kStyleGroupCount> kStyleGroups = {{
    {"Pop"},           {"Ballad", true},   {"Fox", true},
    {"3/4,6/8", true}, {"Others", true},   {"Rock"},
    {"Ballad", true},  {"Classic", true},  {"Blues", true},
    {"Heavy", true},   {"Straight", true}, {"Shuffle", true},
    {"Others", true},  {"Dance"},          {"Disco", true},
    {"Floor", true},   {"Techno", true},   {"Others", true},
    {"Fusion"},        {"Blues", true},    {"Rock", true},
    {"Jazz", true},    {"Country"},        {"Ballad", true},
    {"Blues", true},   {"Train", true},    {"Bluegr", true},
    {"Waltz", true},   {"Straight", true}, {"Shuffle", true},
    {"Latin"},         {"Bossa", true},    {"Samba", true},
    {"Salsa", true},   {"Others", true},   {"Jazz"},
    {"Ballad", true},  {"Blues", true},    {"Swing", true},
    {"UpSwing", true}, {"Waltz", true},    {"Others", true},
    {"Favorites"},     {"Funk"},           {"House"},
    {"Newage"},        {"Reggae"},         {"World"},
    {"Classic"},       {"Others"},         {"Sessions"},
    {"#01", true},     {"#02", true},      {"#03", true},
    {"#04", true},     {"#05", true},      {"#06", true},
    {"#07", true},     {"#08", true},      {"#09", true},
    {"#10", true},     {"#11", true},      {"#12", true},
    {"#13", true},     {"#14", true},      {"#15", true},
}};

namespace {

constexpr size_t kNameColumns = 25;
// Far above what 66 groups of styles take; a larger file is refused rather than read in part.
constexpr size_t kMaxGroupFileBytes = 4 << 20;
constexpr std::string_view kDescriptionMarker = "{1}";
constexpr std::string_view kPathMarker = "{2}";

bool IsContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// The byte offset after the first `characters` UTF-8 characters of text (its size when shorter).
size_t ByteOffsetOfCharacter(std::string_view text, size_t characters) {
  size_t at = 0;
  for (size_t counted = 0; at < text.size() && counted < characters; ++counted) {
    ++at;
    while (at < text.size() && IsContinuationByte(text[at])) ++at;
  }
  return at;
}

size_t CharacterCount(std::string_view text) {
  return static_cast<size_t>(
      std::count_if(text.begin(), text.end(), [](char c) { return !IsContinuationByte(c); }));
}

std::string AsciiLower(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

// The description as an entry can hold it: on one line and without the markers that end it.
std::string EntryDescription(std::string_view description) {
  std::string text(description);
  for (char& c : text)
    if (c == '\r' || c == '\n' || c == '\0') c = ' ';
  for (std::string_view marker : {kDescriptionMarker, kPathMarker}) {
    for (size_t at = text.find(marker); at != std::string::npos; at = text.find(marker, at))
      text.replace(at, marker.size(), std::string(marker.size(), ' '));
  }
  return text;
}

bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b) {
  return AsciiLower(std::string(a)) == AsciiLower(std::string(b));
}

}  // namespace

bool HasSubGroups(int group) {
  if (group < 1 || group >= kStyleGroupCount) return false;
  return !kStyleGroups[static_cast<size_t>(group - 1)].SubGroup &&
         kStyleGroups[static_cast<size_t>(group)].SubGroup;
}

std::string GroupSection(int group) { return "Group" + std::to_string(group); }

std::string GroupPath(int group) {
  if (group < 1 || group > kStyleGroupCount) return {};
  const auto index = static_cast<size_t>(group - 1);
  if (!kStyleGroups[index].SubGroup) return std::string(kStyleGroups[index].Name);
  size_t parent = index;
  while (parent > 0 && kStyleGroups[parent].SubGroup) --parent;
  return std::string(kStyleGroups[parent].Name) + "/" + std::string(kStyleGroups[index].Name);
}

std::optional<int> GroupNumberOf(std::string_view path) {
  for (int group = 1; group <= kStyleGroupCount; ++group)
    if (EqualIgnoringAsciiCase(GroupPath(group), path)) return group;
  return std::nullopt;
}

std::string MakeGroupEntry(const std::string& stylePath, const StyleSummary& summary,
                           std::string_view description) {
  std::string name = AsciiLower(FileNameOf(stylePath));
  name.resize(ByteOffsetOfCharacter(name, kNameColumns));
  name.append(kNameColumns - CharacterCount(name), ' ');
  return name + "Met: " + summary.Metre + "  Beat: " + std::to_string(summary.Tempo) +
         "  Tracks: " + std::to_string(summary.Tracks) + std::string(kDescriptionMarker) +
         EntryDescription(description) + std::string(kPathMarker) + stylePath;
}

GroupEntryText ReadGroupEntry(std::string_view entry) {
  GroupEntryText text;
  const size_t infoStart = ByteOffsetOfCharacter(entry, kNameColumns);
  const size_t p1 = entry.find(kDescriptionMarker, infoStart);
  const size_t p2 = entry.find(kPathMarker, p1 == std::string_view::npos ? infoStart : p1);
  const size_t infoEnd = std::min(p1, p2);
  if (infoEnd != std::string_view::npos || infoStart < entry.size())
    text.Info = std::string(
        entry.substr(infoStart, infoEnd == std::string_view::npos ? entry.npos : infoEnd - infoStart));
  if (p1 != std::string_view::npos) {
    const size_t from = p1 + kDescriptionMarker.size();
    text.Description = std::string(entry.substr(from, p2 == std::string_view::npos ? entry.npos : p2 - from));
  }
  if (p2 != std::string_view::npos) text.Path = std::string(entry.substr(p2 + kPathMarker.size()));
  return text;
}

GroupFileLocation LocateGroupFile(const host::ProgramFolder& folder,
                                  const std::filesystem::path& settingsFile, bool programFolderWritable) {
  // An installed program ships its group file in its data folder and never writes there.
  const std::filesystem::path shipped =
      folder.Installed() ? folder.Data() / (folder.ProgramName() + ".VXG") : folder.WithExtension(".VXG");
  if (programFolderWritable && !folder.Installed()) return {shipped, shipped};
  const std::filesystem::path own = settingsFile.parent_path() / shipped.filename();
  return {host::PathExists(own) ? own : shipped, own};
}

// ---- the file

StyleGroupFile::StyleGroupFile(GroupFileLocation location) : location_(std::move(location)) {}

StyleGroupFile StyleGroupFile::Open(const GroupFileLocation& location) {
  StyleGroupFile file(location);
  const host::FileRead read = host::ReadRegularFile(location.Read, kMaxGroupFileBytes + 1);
  if (read.Missing) return file;
  if (!read.Ok()) {
    file.problem_ = read.Error;
  } else if (read.Longer) {
    file.problem_ = host::PrintableName(location.Read) + ": larger than a group file can be";
  } else if (auto document = config::ProfileDocument::Parse(read.Bytes)) {
    file.document_ = std::move(*document);
  } else {
    file.problem_ = host::PrintableName(location.Read) + ": not a group file (no sections and keys)";
  }
  return file;
}

std::vector<std::string> StyleGroupFile::Entries(int group) const {
  std::vector<std::string> entries;
  const std::string section = GroupSection(group);
  for (int key = 0;; ++key) {
    std::optional<std::string> value = document_.Value(section, std::to_string(key));
    if (!value || value->empty()) break;
    entries.push_back(std::move(*value));
  }
  return entries;
}

std::optional<std::string> StyleGroupFile::SaveGroup(int group, const std::vector<std::string>& entries) {
  const std::string section = GroupSection(group);
  document_.RemoveSection(section);
  for (size_t i = 0; i < entries.size(); ++i) document_.SetValue(section, std::to_string(i), entries[i]);
  return Save();
}

std::optional<std::string> StyleGroupFile::RemoveGroup(int group) {
  document_.RemoveSection(GroupSection(group));
  return Save();
}

std::optional<std::string> StyleGroupFile::Save() {
  if (!problem_.empty()) return problem_ + "; it is left as it is";
  if (location_.Write.empty()) return std::nullopt;
  const std::vector<uint8_t> bytes = document_.Bytes();
  return host::WriteFileSafely(location_.Write, std::span<const uint8_t>(bytes));
}

// ---- the list

std::string EditDescriptionQuestion(const std::string& fileName) {
  return "Edit the description of \"" + fileName + "\" (loaded style) ?";
}

std::string AddToGroupQuestion(const std::string& fileName, std::string_view groupName) {
  return "Add \"" + fileName + "\" to group \"" + std::string(groupName) + "\" ?";
}

std::string RemoveQuestion(const std::string& entry) {
  return "Remove " + entry.substr(0, ByteOffsetOfCharacter(entry, 12)) + "... ?";
}

StyleGroupList::StyleGroupList(StyleGroupFile& file, host::Dialogs& dialogs)
    : file_(file), dialogs_(dialogs) {}

void StyleGroupList::ShowGroup(int group) {
  group_ = std::clamp(group, 1, kStyleGroupCount);
  entries_ = file_.Entries(group_);
  selected_ = entries_.empty() ? -1 : 0;
}

void StyleGroupList::Select(int index) {
  selected_ = index >= 0 && index < static_cast<int>(entries_.size()) ? index : -1;
}

GroupEntryText StyleGroupList::SelectedText() const {
  return selected_ < 0 ? GroupEntryText{} : ReadGroupEntry(entries_[static_cast<size_t>(selected_)]);
}

void StyleGroupList::AddOrEditCurrentStyle(const std::string& currentStylePath, const StyleSummary& summary,
                                           std::string_view description) {
  if (HasSubGroups(group_)) return;
  if (currentStylePath.empty()) {
    dialogs_.Inform(kNoStyleLoadedMessage);
    return;
  }
  const std::string entry = MakeGroupEntry(currentStylePath, summary, description);
  const std::string key = std::string(kPathMarker) + currentStylePath;
  const std::string fileName = FileNameOf(currentStylePath);
  const int before = selected_;
  bool held = false;
  for (std::string& existing : entries_) {
    if (existing.find(key) == std::string::npos) continue;
    held = true;
    if (dialogs_.Ask(EditDescriptionQuestion(fileName))) {
      existing = entry;
      Save();
      break;
    }
  }
  if (!held &&
      dialogs_.Ask(AddToGroupQuestion(fileName, kStyleGroups[static_cast<size_t>(group_ - 1)].Name))) {
    entries_.insert(entries_.begin() + std::max(selected_, 0), entry);
    Save();
  }
  Select(std::max(before, 0));
}

void StyleGroupList::Remove() {
  if (selected_ < 0) return;
  const auto at = static_cast<size_t>(selected_);
  const bool removed = dialogs_.Ask(RemoveQuestion(entries_[at]));
  if (removed) entries_.erase(entries_.begin() + selected_);
  Save();
  if (removed) Select(std::max(selected_ - 1, 0));
}

void StyleGroupList::RemoveAll() {
  if (entries_.empty() || !dialogs_.Ask(kRemoveAllQuestion)) return;
  entries_.clear();
  selected_ = -1;
  Report(file_.RemoveGroup(group_));
}

void StyleGroupList::Save() { Report(file_.SaveGroup(group_, entries_)); }

void StyleGroupList::Report(const std::optional<std::string>& failure) {
  if (failure) dialogs_.Inform("The style groups could not be saved: " + *failure);
}

}  // namespace kalo::styles
