#pragma once
// The program folder: where styles, songs, instrument lists and the settings file live. A value,
// injected into whatever needs it, so that tests work in a temporary folder.

#include <filesystem>
#include <string>

namespace kalo::host {

class ProgramFolder {
 public:
  // folder: the program's folder; programName: the program's file name without extension ("kalo"),
  // from which the settings file and the style group file take their names.
  explicit ProgramFolder(std::filesystem::path folder, std::string programName = "kalo");

  // The folder of the running executable (from /proc/self/exe), or the current folder if unknown.
  static ProgramFolder OfRunningProgram();

  const std::filesystem::path& Path() const { return folder_; }
  const std::string& ProgramName() const { return programName_; }
  std::filesystem::path Styles() const { return folder_ / "STYLES"; }
  std::filesystem::path Songs() const { return folder_ / "SONGS"; }
  std::filesystem::path Editor() const { return folder_ / "EDITOR"; }
  // The program's path with the given extension, e.g. WithExtension(".ini").
  std::filesystem::path WithExtension(const std::string& extension) const;

 private:
  std::filesystem::path folder_;
  std::string programName_;
};

}  // namespace kalo::host
