#pragma once
// Two inputs and two outputs over in-process virtual devices, with the device configuration and the
// housekeeping commands wired up as the program does, for the device-configuration and reset tests.

#include <memory>
#include <string>
#include <vector>

#include "host/dialogs.h"
#include "host/main_loop.h"
#include "host/time_source.h"
#include "midi/backends/virtual_backend.h"
#include "midi/device_config.h"
#include "midi/midi_errors.h"
#include "midi/midi_input.h"
#include "midi/midi_output.h"
#include "midi/midi_system.h"

namespace kalo::midi::testing {

using Bytes = std::vector<uint8_t>;

struct DeviceRig {
  DeviceRig(const std::vector<std::string>& inputNames, const std::vector<std::string>& outputNames) {
    auto owned = std::make_unique<VirtualBackend>(Clock);
    Backend = owned.get();
    for (const std::string& name : inputNames) Backend->AddInput(name);
    for (const std::string& name : outputNames) Backend->AddOutput(name);
    System.Devices().AddBackend(std::move(owned));
    // An input needs a device to exist, as at program start; the slot stays empty otherwise.
    try {
      Input1 = std::make_unique<TMidiInput>(System);
      Input2 = std::make_unique<TMidiInput>(System);
    } catch (const EMidiInputError&) {
    }
    Output1 = std::make_unique<TMidiOutput>(System);
    Output2 = std::make_unique<TMidiOutput>(System);
    Config = std::make_unique<DeviceConfig>(System, Dialogs, Input1.get(), Input2.get(), *Output1, *Output2);
  }

  // The devices go first; their last notices are delivered before the loop goes.
  ~DeviceRig() {
    Config.reset();
    Output1.reset();
    Output2.reset();
    Input1.reset();
    Input2.reset();
    Loop.RunPending();
  }
  DeviceRig(const DeviceRig&) = delete;
  DeviceRig& operator=(const DeviceRig&) = delete;

  host::FakeTimeSource Clock;
  host::StdMainLoop Loop;
  MidiSystem System{Loop};
  VirtualBackend* Backend = nullptr;
  host::RecordingDialogs Dialogs;
  std::unique_ptr<TMidiInput> Input1;
  std::unique_ptr<TMidiInput> Input2;
  std::unique_ptr<TMidiOutput> Output1;
  std::unique_ptr<TMidiOutput> Output2;
  std::unique_ptr<DeviceConfig> Config;
};

}  // namespace kalo::midi::testing
