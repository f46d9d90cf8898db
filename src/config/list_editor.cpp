#include "config/list_editor.h"

#include <system_error>

#include "host/dialogs.h"
#include "host/program_launcher.h"

namespace kalo::config {

namespace fs = std::filesystem;

namespace {

bool SameNameIgnoringCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

std::optional<fs::path> FindIn(const fs::path& folder) {
  std::error_code ec;
  fs::path exact = folder / kListEditorName;
  if (fs::is_regular_file(exact, ec)) return exact;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    if (SameNameIgnoringCase(it->path().filename().string(), kListEditorName) && it->is_regular_file(ec)) {
      return it->path();
    }
  }
  return std::nullopt;
}

}  // namespace

std::optional<fs::path> FindListEditor(const host::ProgramFolder& folder) {
  if (std::optional<fs::path> found = FindIn(folder.Path())) return found;
  return FindIn(folder.Editor());
}

std::string ListEditorQuestion(const std::string& fileName) {
  const std::string lineBreak = "\n\r";
  return "PLEASE SWITCH AT FIRST TO THE INSTRUMENTLIST EDITOR !" + lineBreak + lineBreak +
         "Reload instrument list " + fileName + " ONLY" + lineBreak +
         "after it has been processed with that program !" + lineBreak + lineBreak +
         "Reload instrument list " + fileName + " now ?";
}

bool RunListEditor(const fs::path& editor, const Settings& settings, InstrumentLists& lists,
                   host::ProgramLauncher& launcher, host::Dialogs& dialogs) {
  std::vector<std::string> arguments;
  if (!settings.Patch.empty()) arguments.push_back(settings.Patch);
  if (!launcher.Start(editor, arguments)) return false;
  if (settings.Patch.empty()) return true;
  if (dialogs.Ask(ListEditorQuestion(fs::path(settings.Patch).filename().string())) &&
      !lists.Reload(settings) && !lists.LoadError().empty())
    dialogs.Inform("Instrument list not loaded: " + lists.LoadError());
  return true;
}

}  // namespace kalo::config
