#include <iostream>

#include "cli/commands.h"
#include "gui/window_program.h"
#include "host/process_environment.h"

int main(int argc, char** argv) {
  CLI::App app{
      "KALO - a live MIDI arranger: chords in the left hand drive a style in your tempo.\n"
      "Without a command it opens its window.",
      "kalo"};
  app.require_subcommand(0, 1);
  kalo::cli::ExitStatus status;
  kalo::gui::WindowArguments window;
  app.add_option("--ini", window.Ini, "The window's settings file instead of the program's own");
  app.add_option("--screenshot", window.Screenshot,
                 "Render the window after start-up to this PNG file (offscreen) and end");
  app.add_option("--panel", window.Panel, "With --screenshot: render this tool window (\"Mixer\", ...)")
      ->needs("--screenshot");
  kalo::cli::AddPortsCommand(app, status);
  kalo::cli::AddChordCommand(app, status);
  kalo::cli::AddConfigCommand(app, status);
  kalo::cli::AddStyleCommand(app, status);
  kalo::cli::AddSongCommand(app, status);
  kalo::cli::AddRenderCommand(app, status);
  kalo::cli::AddLiveCommand(app, status);
  CLI11_PARSE(app, argc, argv);
  if (app.get_subcommands().empty()) {
    const bool display = kalo::host::EnvironmentPath("DISPLAY") ||
                         kalo::host::EnvironmentPath("WAYLAND_DISPLAY") ||
                         kalo::host::EnvironmentPath("QT_QPA_PLATFORM");
    if (!display && !window.Screenshot)
      return kalo::cli::RenderDemoWithoutDisplay(window.Ini ? window.Ini->string() : "");
    return kalo::gui::RunWindowProgram(argc, argv, window);
  }
  return status.Code;
}
