#include <iostream>

#include "cli/commands.h"

int main(int argc, char** argv) {
  CLI::App app{"KALO - a live MIDI arranger: chords in the left hand drive a style in your tempo.", "kalo"};
  app.require_subcommand(0, 1);
  kalo::cli::ExitStatus status;
  kalo::cli::AddPortsCommand(app, status);
  kalo::cli::AddChordCommand(app, status);
  kalo::cli::AddConfigCommand(app, status);
  kalo::cli::AddStyleCommand(app, status);
  kalo::cli::AddSongCommand(app, status);
  kalo::cli::AddRenderCommand(app, status);
  CLI11_PARSE(app, argc, argv);
  if (app.get_subcommands().empty()) {
    std::cout << app.help();
    return 0;
  }
  return status.Code;
}
