#pragma once
// What every MIDI device of the program shares: the main loop that notifications go through, the
// device lists, the controller value memory and the three switches the input callbacks obey.

#include <atomic>

#include "host/main_loop.h"
#include "midi/controller_memory.h"
#include "midi/midi_device_registry.h"

namespace kalo::midi {

// Read by every input's driver callback, set on the main thread.
struct InputSwitches {
  // MIDI clock (0xF8) reaches the ring only while this is on (the program's "Slave Mode").
  std::atomic<bool> ClockPassThrough{false};
  // Active sensing (0xFE) reaches the ring only while this is on; the program never sets it.
  std::atomic<bool> ActiveSensingPass{false};
  // Redundant controller, program and channel-pressure values are dropped while this is on.
  std::atomic<bool> ControllerFilter{true};
};

// One per program. The main loop outlives it, and it outlives every device created on it.
class MidiSystem {
 public:
  explicit MidiSystem(host::MainLoop& loop) : loop_(loop) {}
  MidiSystem(const MidiSystem&) = delete;
  MidiSystem& operator=(const MidiSystem&) = delete;

  host::MainLoop& Loop() { return loop_; }
  MidiDeviceRegistry& Devices() { return devices_; }
  const MidiDeviceRegistry& Devices() const { return devices_; }
  ControllerMemory& Controllers() { return controllers_; }
  InputSwitches& Switches() { return switches_; }

 private:
  host::MainLoop& loop_;
  MidiDeviceRegistry devices_;
  ControllerMemory controllers_;
  InputSwitches switches_;
};

}  // namespace kalo::midi
