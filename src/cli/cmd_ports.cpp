#include <iostream>
#include <memory>
#include <optional>
#include <string>

#include "app/synth_settings.h"
#include "cli/commands.h"
#include "cli/program_settings.h"
#include "host/main_loop.h"
#include "host/printable_text.h"
#include "midi/backends/platform_backends.h"
#include "midi/midi_system.h"

namespace kalo::cli {

namespace {

struct PortsArguments {
  std::string Ini;
};

int ListPorts(std::ostream& out, const PortsArguments& arguments) {
  midi::KeepJackServerFromStarting();
  const std::optional<CommandSettings> read = ReadCommandSettings("kalo ports", arguments.Ini);
  if (!read) return 1;
  host::StdMainLoop loop;
  midi::MidiSystem system(loop);
  midi::MidiDeviceRegistry& devices = system.Devices();
  midi::AddPlatformBackends(devices, app::SynthOptionsFrom(read->Values));

  out << "Backends:\n";
  for (const midi::BackendStatus& backend : devices.Backends()) {
    out << "  " << backend.Name << ": ";
    if (backend.Working) {
      out << "working";
      if (!backend.Detail.empty()) out << "; " << host::PrintableText(backend.Detail);
      out << "\n";
    } else {
      out << "not available (" << host::PrintableText(backend.Reason) << ")\n";
    }
  }
  out << "MIDI inputs:\n";
  if (devices.InputCount() == 0) out << "  (none)\n";
  for (int id = 0; id < devices.InputCount(); ++id) {
    midi::DeviceRef ref;
    midi::InputCapabilities caps;
    devices.FindInput(id, ref);
    devices.GetInputCapabilities(id, caps);
    out << "  " << id << ": " << host::PrintableText(caps.ProductName) << " [" << ref.Backend->Name()
        << "]\n";
  }
  out << "MIDI outputs:\n";
  for (int id = midi::kDefaultOutput; id < devices.OutputCount(); ++id) {
    midi::OutputCapabilities caps;
    devices.GetOutputCapabilities(id, caps);
    // Names come from other software and are shown escaped.
    out << "  " << id << ": " << host::PrintableText(caps.ProductName);
    midi::DeviceRef ref;
    if (!devices.FindOutput(id, ref)) {
      out << " (no output device)\n";
    } else if (id == midi::kDefaultOutput) {
      midi::OutputCapabilities first;
      devices.GetOutputCapabilities(0, first);
      out << " (plays on " << host::PrintableText(first.ProductName) << ")\n";
    } else {
      out << " [" << ref.Backend->Name() << "]\n";
    }
  }
  return 0;
}

}  // namespace

void AddPortsCommand(CLI::App& app, ExitStatus& status) {
  auto arguments = std::make_shared<PortsArguments>();
  CLI::App* ports = app.add_subcommand(
      "ports",
      "List every MIDI input and output with its device number, and how the built-in synthesizer plays");
  ports->add_option("--ini", arguments->Ini, "Take the synthesizer's settings from this settings file");
  ports->callback([arguments, &status] { status.Code = ListPorts(std::cout, *arguments); });
}

}  // namespace kalo::cli
