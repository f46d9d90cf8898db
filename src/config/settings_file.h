#pragma once
// The settings file: where it lives, reading it at start-up and writing it at exit.
//
// Format: a Windows profile (INI) file with one section "[Options]" of "key=value" lines, decimal
// integers, Booleans as 0/1, strings as they are; read as the Windows profile functions read it (see
// ProfileDocument; a Boolean is true for any number but 0). A write changes only the values of the
// program's keys and keeps every other line of the file as it was. All calls run on the main thread.

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "config/settings.h"
#include "host/program_folder.h"

namespace kalo::host {
class Dialogs;
}

namespace kalo::config {

// Name of the file whose presence in the program folder turns portable mode on at a first start.
inline constexpr const char* kPortableMarkerName = "Portable KALO.txt";

// The question of the "Reset" command.
inline constexpr const char* kResetQuestion =
    "Would you really quit KALO in order to \n\rrestart it with its original start values ?";

// What the settings location depends on, given by the caller (the program passes the process's
// values, see host/process_environment.h; tests pass their own).
struct SettingsEnvironment {
  std::optional<std::filesystem::path> XdgConfigHome;  // $XDG_CONFIG_HOME
  std::optional<std::filesystem::path> Home;           // $HOME
  // Whether a file can be created in the folder; when empty, host::ProbeFolderWritable.
  std::function<bool(const std::filesystem::path& folder)> FolderWritable;
};

// Settings of a first start (no file, or Reset=1): the table defaults with the factory choices
// (To-Extended key Eb, To-Basic key C#, metrum "4/4", layout "English (USA)"), the picture
// <program>.bmp, and portable mode when kPortableMarkerName exists in the program folder.
Settings FactorySettings(const host::ProgramFolder& folder);

// What a player is told about keys of the file that were not read because no section holds them, e.g.
// "PAD and Tempo stand outside any section and are not read; settings belong under [Options]". Empty
// when there are none.
std::string KeysOutsideSectionsText(const std::vector<std::string>& keys);

// The result of reading.
struct SettingsReadResult {
  Settings Values;
  bool FirstStart = false;  // no file, or Reset=1: the welcome, guide and demo song follow
  // Keys whose stored text could not be used (not a number, out of range) and took their default.
  std::vector<std::string> RejectedKeys;
  // Keys written before any section header (such as "PAD=0" without "[Options]" above it): not read.
  std::vector<std::string> KeysOutsideSections;
  // Set when the file exists but cannot be read as settings (not a file, unreadable, larger than a
  // settings file can be, or with no line that is a key, a section or a comment): the message for the
  // player, naming the file and the reason. Factory settings are used and Write() leaves the file.
  std::string Problem;
  // The same case as PrintableName(file) + ": " + the reason alone, for a caller that refuses the file.
  std::string Unreadable;
};

// Outcome of writing.
enum class SettingsWriteResult {
  Written,
  AutoSaveOff,  // "Auto-save settings" is not ticked
  NotOpened,    // the file could not be read at start-up or now; it is left as it is
  NotWritable,  // the location or the file is read-only: nothing is written
  Failed,       // an I/O error (see WriteProblem()); the previous file is unchanged
};

class SettingsFile {
 public:
  // The settings of the program in folder: <program>.ini in the program folder when portable mode is
  // on (by the marker file or Portable=1 in that file), or when that folder is writable and the program
  // is not installed; otherwise $XDG_CONFIG_HOME/kalo/<program>.ini (default ~/.config/kalo/<program>.ini).
  SettingsFile(host::ProgramFolder folder, SettingsEnvironment environment);
  // An explicit file (the command line's --ini), for the program in folder.
  SettingsFile(host::ProgramFolder folder, std::filesystem::path file, SettingsEnvironment environment);

  const std::filesystem::path& Path() const { return path_; }
  bool Exists() const;

  // Reads the file; never throws on bad contents. Unusable values take their defaults. After
  // reading, portable mode repairs the picture and instrument-list paths, and the arrangement and
  // style folders are set to SONGS and STYLES of the program folder when empty or portable.
  SettingsReadResult Read();

  // Sets every key's value in the file as it is now (in place where the key stands; missing keys
  // follow the last line of the section, in table order) and saves it through host::WriteFileSafely
  // (a link stays and its file is written; the mode is kept). Writes nothing unless settings.Autoload
  // is set, the file was read (or found missing) by Read(), the location is writable, the file is not
  // read-only and can still be read as settings.
  SettingsWriteResult Write(const Settings& settings);
  // Why the last Write() did not write, naming the file, when the system gave a reason.
  const std::string& WriteProblem() const { return writeProblem_; }

 private:
  host::ProgramFolder folder_;
  std::filesystem::path path_;
  SettingsEnvironment environment_;
  bool opened_ = false;
  std::string writeProblem_;
};

// The "Reset" command's question. On Yes sets settings.Reset and, so that Exit writes Reset=1 whatever
// "Auto-save settings" says, settings.Autoload; returns whether the user said Yes.
bool AskReset(host::Dialogs& dialogs, Settings& settings);

}  // namespace kalo::config
