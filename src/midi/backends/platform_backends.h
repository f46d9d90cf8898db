#pragma once
// The backends of this machine, in the order their devices are numbered.

#include <memory>
#include <vector>

#include "midi/midi_device_registry.h"
#include "midi/port_backend.h"

namespace kalo::midi {

// The platform backends, in the order their devices are numbered, for an owner that adds them
// itself (the arranger).
std::vector<std::unique_ptr<PortBackend>> PlatformBackends();

// Adds every platform backend to the registry (ALSA, then JACK; later the built-in synthesizer).
// Backends that cannot start stay listed with their reason. Main thread.
void AddPlatformBackends(MidiDeviceRegistry& registry);

// Sets JACK_NO_START_SERVER=1 for this process unless it is set already, so that looking for a JACK
// server never starts one. Call before any other thread runs.
void KeepJackServerFromStarting();

}  // namespace kalo::midi
