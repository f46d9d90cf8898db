#include <iostream>

#include "cli/commands.h"
#include "host/main_loop.h"
#include "midi/backends/platform_backends.h"
#include "midi/midi_system.h"

namespace kalo::cli {

namespace {

void ListPorts(std::ostream& out) {
  midi::KeepJackServerFromStarting();
  host::StdMainLoop loop;
  midi::MidiSystem system(loop);
  midi::MidiDeviceRegistry& devices = system.Devices();
  midi::AddPlatformBackends(devices);

  out << "Backends:\n";
  for (const midi::BackendStatus& backend : devices.Backends()) {
    out << "  " << backend.Name << ": ";
    if (backend.Working) {
      out << "working\n";
    } else {
      out << "not available (" << backend.Reason << ")\n";
    }
  }
  out << "MIDI inputs:\n";
  if (devices.InputCount() == 0) out << "  (none)\n";
  for (int id = 0; id < devices.InputCount(); ++id) {
    midi::DeviceRef ref;
    midi::InputCapabilities caps;
    devices.FindInput(id, ref);
    devices.GetInputCapabilities(id, caps);
    out << "  " << id << ": " << caps.ProductName << " [" << ref.Backend->Name() << "]\n";
  }
  out << "MIDI outputs:\n";
  for (int id = midi::kDefaultOutput; id < devices.OutputCount(); ++id) {
    midi::OutputCapabilities caps;
    devices.GetOutputCapabilities(id, caps);
    out << "  " << id << ": " << caps.ProductName;
    midi::DeviceRef ref;
    if (!devices.FindOutput(id, ref)) {
      out << " (no output device)\n";
    } else if (id == midi::kDefaultOutput) {
      midi::OutputCapabilities first;
      devices.GetOutputCapabilities(0, first);
      out << " (plays on " << first.ProductName << ")\n";
    } else {
      out << " [" << ref.Backend->Name() << "]\n";
    }
  }
}

}  // namespace

void AddPortsCommand(CLI::App& app, ExitStatus& status) {
  CLI::App* ports = app.add_subcommand("ports", "List every MIDI input and output with its device number");
  ports->callback([&status] {
    ListPorts(std::cout);
    status.Code = 0;
  });
}

}  // namespace kalo::cli
