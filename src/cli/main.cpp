#include <cstdlib>
#include <iostream>
#include <string>
#include <string_view>

#include "cli/commands.h"
#include "gui/window_program.h"
#include "host/printable_text.h"
#include "host/process_environment.h"
#include "host/standard_output.h"
#include "midi/backends/jack_probe.h"

namespace {

// "kalo style events" for the command that ran; "kalo" without one.
std::string CommandName(const CLI::App& app) {
  std::string name = "kalo";
  for (const CLI::App* command = &app; !command->get_subcommands().empty();) {
    command = command->get_subcommands().front();
    name += " " + command->get_name();
  }
  return name;
}

// Whether a window can be shown: a display to show it on, or a Qt platform chosen by hand.
bool WindowCanOpen() {
  using kalo::host::EnvironmentPath;
  return EnvironmentPath("DISPLAY") || EnvironmentPath("WAYLAND_DISPLAY") ||
         EnvironmentPath("QT_QPA_PLATFORM");
}

}  // namespace

int main(int argc, char** argv) {
  // The child that asks whether a JACK server answers (see jack_probe.h); it ends without running
  // anything else at exit.
  if (argc == 3 && std::string_view(argv[1]) == kalo::midi::kJackProbeArgument)
    std::_Exit(kalo::midi::JackServerAnswersHere(argv[2]) ? 0 : 1);
  kalo::midi::AskJackInChildProcesses("/proc/self/exe");
  kalo::host::IgnoreFileSizeSignal();
  kalo::host::CheckedStandardOutput output;
  CLI::App app{
      "KALO - a live MIDI arranger: chords in the left hand drive a style in your tempo.\n"
      "Without a command it opens its window.",
      "kalo"};
  app.require_subcommand(0, 1);
  // A mistyped argument is repeated in the message: escaped, like every other text from input.
  app.failure_message([](const CLI::App* failed, const CLI::Error& error) {
    const std::string text = CLI::FailureMessage::simple(failed, error);
    std::string lines;
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
      lines += kalo::host::PrintableText(text.substr(start, end - start)) + '\n';
    return lines + kalo::host::PrintableText(text.substr(start));
  });
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
  int code = 0;
  try {
    app.parse(argc, argv);
    if (!app.get_subcommands().empty()) {
      code = status.Code;
    } else if (WindowCanOpen() || window.Screenshot) {
      code = kalo::gui::RunWindowProgram(argc, argv, window);
    } else {
      code = kalo::cli::RenderDemoWithoutDisplay(window.Ini ? window.Ini->string() : "");
    }
  } catch (const CLI::ParseError& error) {
    code = app.exit(error);
  }
  // Output that did not reach its file is a failure of the command, whatever it did besides.
  if (const std::string lost = output.Finish(); !lost.empty()) {
    std::cerr << CommandName(app) << ": cannot write to standard output: " << lost << '\n';
    if (code == 0) code = 1;
  }
  return code;
}
