#pragma once
// The `kalo` command line: each subcommand lives in its own file and registers itself here.

#include <CLI/CLI.hpp>
#include <string>

namespace kalo::cli {

// Set by a subcommand's callback; main returns it.
struct ExitStatus {
  int Code = 0;
};

void AddPortsCommand(CLI::App& app, ExitStatus& status);   // kalo ports
void AddChordCommand(CLI::App& app, ExitStatus& status);   // kalo chord
void AddConfigCommand(CLI::App& app, ExitStatus& status);  // kalo config
void AddStyleCommand(CLI::App& app, ExitStatus& status);   // kalo style info|events|build
// kalo style import|export|repair, below the style command.
void AddStyleCreatorCommands(CLI::App& style, ExitStatus& status);
// kalo style preview|groups, added to the style command.
void AddStyleLibraryCommands(CLI::App& style, ExitStatus& status);
void AddSongCommand(CLI::App& app, ExitStatus& status);    // kalo song info
void AddRenderCommand(CLI::App& app, ExitStatus& status);  // kalo render
void AddLiveCommand(CLI::App& app, ExitStatus& status);    // kalo live

// `kalo` without a command where no window can open: the demo song rendered, as `make run` renders it,
// to demo.wav and demo.mid in the current folder (neither may be there yet). The exit code.
int RenderDemoWithoutDisplay(const std::string& ini);

}  // namespace kalo::cli
