#pragma once
// The style groups: a fixed outline of 66 named groups (Pop, Rock, Latin ...) in which the player
// keeps styles with a one-line description each, stored in one profile (INI) file, the group file
// "<program>.VXG". Section "Group<n>" holds group n's entries as keys "0", "1", "2" ... in list
// order; reading stops at the first missing or empty key. GUI-free: the Style-Manager window shows
// a StyleGroupList and forwards its buttons to it; the command line builds the shipped group file.

#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/profile_document.h"
#include "host/dialogs.h"
#include "host/program_folder.h"
#include "styles/style_summary.h"

namespace kalo::styles {

inline constexpr int kStyleGroupCount = 66;

struct StyleGroup {
  std::string_view Name;
  bool SubGroup = false;  // shown indented below the last group that is not a sub-group
};

// The outline in its fixed order; group n (1-based, the number of its section) is entry n - 1.
extern const std::array<StyleGroup, kStyleGroupCount> kStyleGroups;

// Whether group n (1..66) has sub-groups: such a group takes no styles itself.
bool HasSubGroups(int group);
// "Group" + n.
std::string GroupSection(int group);
// The group a path of names gives: "Jazz/Swing" (a group and its sub-group), or "Favorites".
// Names compare without regard to ASCII case; nullopt when there is no such group.
std::optional<int> GroupNumberOf(std::string_view path);
// "Jazz/Swing" for a sub-group, "Funk" for a group: the path GroupNumberOf reads.
std::string GroupPath(int group);

// One entry: the file name without path, lower-cased and padded or cut to 25 characters; then
// "Met: <metre>  Beat: <tempo>  Tracks: <tracks>{1}", the description, "{2}" and the full path.
// Line breaks and the markers "{1}" and "{2}" in the description become blanks, so that every
// entry reads back as it was made.
std::string MakeGroupEntry(const std::string& stylePath, const StyleSummary& summary,
                           std::string_view description);

// The three texts an entry shows: the metre, tempo and tracks text (characters 26 up to "{1}"),
// the description (between "{1}" and "{2}") and the path to load (after "{2}").
struct GroupEntryText {
  std::string Info;
  std::string Description;
  std::string Path;
};
GroupEntryText ReadGroupEntry(std::string_view entry);

// Where the group file is read from and written to. Beside the program when its folder is
// writable and the program is not installed; otherwise it is written beside the settings file, and
// read from there once it exists (before that, the shipped group file is read, beside the program or
// in an installed program's data folder, so that the library's groups show at once).
struct GroupFileLocation {
  std::filesystem::path Read;
  std::filesystem::path Write;
};
GroupFileLocation LocateGroupFile(const host::ProgramFolder& folder,
                                  const std::filesystem::path& settingsFile, bool programFolderWritable);

// The group file, read once and kept for the run; every change of a group is saved at once through
// the program's safe writer.
class StyleGroupFile {
 public:
  // An empty group file that saves to `write`.
  explicit StyleGroupFile(GroupFileLocation location = {});
  // Reads the file at location.Read; a missing file gives empty groups. A file that cannot be read as
  // a profile also gives empty groups, and is never overwritten (Problem() says why).
  static StyleGroupFile Open(const GroupFileLocation& location);

  // Group n's entries, keys "0", "1" ... up to the first missing or empty one.
  std::vector<std::string> Entries(int group) const;
  // Deletes the section of group n, writes key i = entry i for every entry, and saves the file.
  // nullopt when saved, else the reason (the group is changed in memory all the same).
  std::optional<std::string> SaveGroup(int group, const std::vector<std::string>& entries);
  // Deletes the section of group n and saves the file.
  std::optional<std::string> RemoveGroup(int group);

  const std::string& Problem() const { return problem_; }
  const GroupFileLocation& Location() const { return location_; }

 private:
  std::optional<std::string> Save();

  GroupFileLocation location_;
  config::ProfileDocument document_;
  std::string problem_;  // set when the file read could not be used: saving is refused
};

// The question texts and the message of the group list.
inline constexpr const char* kNoStyleLoadedMessage = "No style loaded !";
inline constexpr const char* kRemoveAllQuestion = "Remove all styles ?";
std::string EditDescriptionQuestion(const std::string& fileName);
std::string AddToGroupQuestion(const std::string& fileName, std::string_view groupName);
std::string RemoveQuestion(const std::string& entry);

// The Style-Manager's group list: the entries of the chosen group, the selection and the commands
// that change the group, with their questions and messages through Dialogs. Main thread.
class StyleGroupList {
 public:
  StyleGroupList(StyleGroupFile& file, host::Dialogs& dialogs);

  // Clears the list, reads group n's entries and selects the first (none when the group is empty).
  void ShowGroup(int group);
  int Group() const { return group_; }
  const std::vector<std::string>& Entries() const { return entries_; }
  // The selected entry's index, -1 when nothing is selected.
  int Selected() const { return selected_; }
  void Select(int index);
  // The texts of the selected entry (empty when nothing is selected).
  GroupEntryText SelectedText() const;

  // "Add or Edit current Style": the current style (its full path and summary) is added to the
  // group with `description`, or its entry's description is replaced. Does nothing in a group that
  // has sub-groups; "No style loaded !" when no style is loaded. The entry whose text contains
  // "{2}" + path is offered for editing first (each such entry in turn while the answer is No);
  // only when no entry holds the style is adding asked for, inserting at the selection.
  void AddOrEditCurrentStyle(const std::string& currentStylePath, const StyleSummary& summary,
                             std::string_view description);
  // "Remove": asks, deletes the selected entry on Yes; the group is saved either way and the entry
  // before it becomes selected.
  void Remove();
  // "Remove all": asks when the list is not empty; on Yes empties the list and deletes the section.
  void RemoveAll();

 private:
  void Save();
  void Report(const std::optional<std::string>& failure);

  StyleGroupFile& file_;
  host::Dialogs& dialogs_;
  int group_ = 1;
  std::vector<std::string> entries_;
  int selected_ = -1;
};

}  // namespace kalo::styles
