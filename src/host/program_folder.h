#pragma once
// The program folder: where styles, songs, instrument lists and the settings file live. A value,
// injected into whatever needs it, so that tests work in a temporary folder.
//
// Two layouts. Beside the program (the build folder, a portable copy): STYLES/, SONGS/ and EDITOR/ sit
// in the program's own folder. Installed (the program in <prefix>/bin, the shipped files in
// <prefix>/share/kalo): the shipped folders are read from the data folder, which the program never
// writes, and the settings live in the user's configuration folder.

#include <filesystem>
#include <string>

namespace kalo::host {

class ProgramFolder {
 public:
  // folder: the program's folder; programName: the program's file name without extension ("kalo"),
  // from which the settings file and the style group file take their names; data: the folder of the
  // shipped STYLES/, SONGS/ and EDITOR/ when the program is installed (empty: the program's folder).
  explicit ProgramFolder(std::filesystem::path folder, std::string programName = "kalo",
                         std::filesystem::path data = {});

  // The folder of the running executable (from /proc/self/exe), or the current folder if unknown;
  // installed when that folder has no STYLES/ but <folder>/../share/kalo/STYLES/ exists.
  static ProgramFolder OfRunningProgram();

  const std::filesystem::path& Path() const { return folder_; }
  const std::string& ProgramName() const { return programName_; }
  // Where the shipped folders are: the data folder of an installed program, else Path().
  const std::filesystem::path& Data() const { return data_.empty() ? folder_ : data_; }
  // Whether the program runs installed: its settings never go into its own folder.
  bool Installed() const { return !data_.empty(); }
  std::filesystem::path Styles() const { return Data() / "STYLES"; }
  std::filesystem::path Songs() const { return Data() / "SONGS"; }
  std::filesystem::path Editor() const { return Data() / "EDITOR"; }
  // The program's path with the given extension, e.g. WithExtension(".ini").
  std::filesystem::path WithExtension(const std::string& extension) const;

 private:
  std::filesystem::path folder_;
  std::string programName_;
  std::filesystem::path data_;
};

// The data folder of an installed program in `programFolder` (<folder>/../share/kalo), or empty when
// the program's shipped folders sit beside it.
std::filesystem::path InstalledDataFolder(const std::filesystem::path& programFolder);

}  // namespace kalo::host
