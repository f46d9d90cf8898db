#pragma once
// A MIDI system over one virtual backend with a few inputs and outputs, for the device-layer tests.

#include <memory>
#include <string>
#include <vector>

#include "host/main_loop.h"
#include "host/time_source.h"
#include "midi/backends/virtual_backend.h"
#include "midi/midi_input.h"
#include "midi/midi_output.h"
#include "midi/midi_system.h"

namespace kalo::midi::testing {

struct VirtualMidiRig {
  explicit VirtualMidiRig(std::vector<std::string> inputs = {"Keys In", "Sequencer In"},
                          std::vector<std::string> outputs = {"Synth Out", "Module Out"}) {
    auto owned = std::make_unique<VirtualBackend>(Clock);
    Backend = owned.get();
    for (const std::string& name : inputs) Backend->AddInput(name);
    for (const std::string& name : outputs) Backend->AddOutput(name);
    System.Devices().AddBackend(std::move(owned));
  }

  // An input on device 0, open and started, that collects what its handler drains.
  std::unique_ptr<TMidiInput> StartedInput(int deviceId = 0) {
    auto input = std::make_unique<TMidiInput>(System);
    input->SetDeviceID(static_cast<uint16_t>(deviceId));
    input->Open();
    input->Start();
    return input;
  }

  static std::vector<uint8_t> Bytes(const TMyMidiEvent& event) {
    if (event.Sysex == nullptr) return {};
    return std::vector<uint8_t>(event.Sysex.get(), event.Sysex.get() + event.SysexLength);
  }

  host::FakeTimeSource Clock;
  host::StdMainLoop Loop;
  MidiSystem System{Loop};
  VirtualBackend* Backend = nullptr;
};

// Drains every waiting event of an input.
inline std::vector<std::unique_ptr<TMyMidiEvent>> Drain(TMidiInput& input) {
  std::vector<std::unique_ptr<TMyMidiEvent>> events;
  while (input.MessageCount() > 0) events.push_back(input.GetMidiEvent());
  return events;
}

}  // namespace kalo::midi::testing
