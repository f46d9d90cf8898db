#include "midi/backends/platform_backends.h"

#include <cstdlib>

#include "midi/backends/fluidsynth_backend.h"
#include "midi/backends/rtmidi_backend.h"

namespace kalo::midi {

std::vector<std::unique_ptr<PortBackend>> PlatformBackends(const SynthOptions& synth) {
  std::vector<std::unique_ptr<PortBackend>> backends;
  backends.push_back(std::make_unique<FluidSynthBackend>(synth));
  backends.push_back(std::make_unique<RtMidiBackend>(RtMidiApiKind::Alsa));
  backends.push_back(std::make_unique<RtMidiBackend>(RtMidiApiKind::Jack));
  return backends;
}

void AddPlatformBackends(MidiDeviceRegistry& registry, const SynthOptions& synth) {
  for (auto& backend : PlatformBackends(synth)) registry.AddBackend(std::move(backend));
}

void KeepJackServerFromStarting() { setenv("JACK_NO_START_SERVER", "1", 0); }

}  // namespace kalo::midi
