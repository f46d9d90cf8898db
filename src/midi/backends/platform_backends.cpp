#include "midi/backends/platform_backends.h"

#include <cstdlib>

#include "midi/backends/fluidsynth_backend.h"
#include "midi/backends/rtmidi_backend.h"

namespace kalo::midi {

void AddPlatformBackends(MidiDeviceRegistry& registry, const SynthOptions& synth) {
  registry.AddBackend(std::make_unique<FluidSynthBackend>(synth));
  registry.AddBackend(std::make_unique<RtMidiBackend>(RtMidiApiKind::Alsa));
  registry.AddBackend(std::make_unique<RtMidiBackend>(RtMidiApiKind::Jack));
}

void KeepJackServerFromStarting() { setenv("JACK_NO_START_SERVER", "1", 0); }

}  // namespace kalo::midi
