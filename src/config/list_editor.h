#pragma once
// The external instrument-list editor: finding it and starting it with the list in use. Main thread.

#include <filesystem>
#include <optional>
#include <string>

#include "config/instrument_list.h"
#include "config/settings.h"
#include "host/program_folder.h"

namespace kalo::host {
class Dialogs;
class ProgramLauncher;
}  // namespace kalo::host

namespace kalo::config {

inline constexpr const char* kListEditorName = "LSTEDIT.EXE";

// The editor in the program folder, else in its EDITOR subfolder (the name matched in any case);
// nullopt when there is none, and the menu entry stays hidden.
std::optional<std::filesystem::path> FindListEditor(const host::ProgramFolder& folder);

// The question asked after the editor started, for the list file name fileName.
std::string ListEditorQuestion(const std::string& fileName);

// Starts editor with the list in use as its argument (none when the built-in list is in use). When it
// started and a list file is in use, asks ListEditorQuestion and on Yes reloads the list into the main
// choice and the second list, or says why it cannot. Returns whether the editor started; nothing is
// asked when it did not.
bool RunListEditor(const std::filesystem::path& editor, const Settings& settings, InstrumentLists& lists,
                   host::ProgramLauncher& launcher, host::Dialogs& dialogs);

}  // namespace kalo::config
