#pragma once
// The Style-Manager's file browser without its window: a folder, the mask that chooses its files,
// the listed style files with the metre, tempo and tracks of each, the ready-made masks and the
// count and hint texts. Main thread; listing reads the disk (only each file's header).

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "host/program_folder.h"
#include "styles/style_summary.h"

namespace kalo::styles {

// The file list's mask before the player chooses one.
inline constexpr const char* kStyleFileMask = "*.vxs";

// The masks the mask box offers, in order: "*", the style kinds ("*12beat*", "*16beat*", "*8beat*",
// "*ballad*", "*rock*", "*waltz*", ...), then one mask "*a1-*;*b1-*; ... ;*z1-*" for each digit 1 to
// 9, then "*10-*" to "*20-*".
const std::vector<std::string>& ReadyMasks();

// What the mask box's text becomes on Enter: a mask that does not end in "*" gets "*" added (an
// empty one is "*"). Blanks around the text are dropped.
std::string MaskFromEntry(std::string_view typed);

// Whether `name` matches one of the mask's patterns, separated by ";": "*" stands for any run of
// characters, "?" for one; letters compare without regard to ASCII case, as on the system the style
// names come from.
bool MatchesMask(std::string_view name, std::string_view mask);

// "12 files", and the mask box's hint: Currently listed: 12 files; Press "Enter" (you may use * and ?)
std::string FileCountText(int count);
std::string MaskHint(int count);

// The web link among the style names: listed like a style but never dragged into a group.
bool IsDraggableStyle(const std::string& fileName);

struct StyleFileEntry {
  std::string Name;                     // the file name
  std::optional<StyleSummary> Summary;  // none when its header could not be read
};

// The file list's line for a file: the name, and beside it the metre, tempo and number of tracks
// ("rock1.vxs                 4/4, 120 bpm, 8 tracks").
std::string FileListText(const StyleFileEntry& entry);

// Where the browser starts: the remembered style folder when it exists, else the program's styles
// folder when that exists, else the program's folder.
std::filesystem::path StartFolder(const std::string& styleDir, const host::ProgramFolder& folder);

class StyleBrowser {
 public:
  // Lists `folder` with kStyleFileMask.
  explicit StyleBrowser(const std::filesystem::path& folder = {});

  const std::filesystem::path& Folder() const { return folder_; }
  const std::string& Mask() const { return mask_; }
  // The sub-folders and the files of the folder that match the mask and are style files (".vxs").
  const std::vector<std::string>& Folders() const { return folders_; }
  const std::vector<StyleFileEntry>& Files() const { return files_; }
  // Why the folder could not be read; empty when it was.
  const std::string& Problem() const { return problem_; }
  std::filesystem::path PathOf(const std::string& fileName) const { return folder_ / fileName; }

  // Lists another folder (with the same mask).
  void SetFolder(const std::filesystem::path& folder);
  // A sub-folder by name, or ".." for the folder above.
  void Enter(const std::string& name);
  // Lists the folder again with this mask (taken as it is: MaskFromEntry is the mask box's).
  void SetMask(const std::string& mask);
  // Reads the folder again.
  void Refresh();

 private:
  std::filesystem::path folder_;
  std::string mask_ = kStyleFileMask;
  std::vector<std::string> folders_;
  std::vector<StyleFileEntry> files_;
  std::string problem_;
};

}  // namespace kalo::styles
