#pragma once
// The backends of this machine, in the order their devices are numbered.

#include "midi/midi_device_registry.h"
#include "midi/synth_options.h"

namespace kalo::midi {

// Adds every platform backend to the registry: the built-in synthesizer first, then ALSA, then JACK.
// The synthesizer always works (silently where there is no sound device), so it is output 0 on every
// machine, whatever ports come and go, and the factory choice of output 0 plays sound; the MIDI
// ports follow in their own order. Backends that cannot start stay listed with their reason. Main
// thread.
void AddPlatformBackends(MidiDeviceRegistry& registry, const SynthOptions& synth = {});

// Sets JACK_NO_START_SERVER=1 for this process unless it is set already, so that looking for a JACK
// server never starts one. Call before any other thread runs.
void KeepJackServerFromStarting();

}  // namespace kalo::midi
