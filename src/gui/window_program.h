#pragma once
// `kalo` without a subcommand: the program with its window. Qt is started here and nowhere else, so
// the subcommands never need a display.

#include <filesystem>
#include <optional>
#include <string>

namespace kalo::gui {

struct WindowArguments {
  // The settings file to use instead of the program's own.
  std::optional<std::filesystem::path> Ini;
  // Renders the main window (or the tool window of Panel) to this PNG file after start-up and ends,
  // on the offscreen platform unless QT_QPA_PLATFORM names another. Messages go to standard error.
  std::optional<std::filesystem::path> Screenshot;
  std::string Panel;
};

// Runs the program until its main window is closed; returns the process's exit code: 255 when
// another instance runs with the same settings folder.
int RunWindowProgram(int argc, char** argv, const WindowArguments& arguments);

}  // namespace kalo::gui
