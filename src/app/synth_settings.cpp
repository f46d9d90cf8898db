#include "app/synth_settings.h"

#include "config/settings_keys.h"

namespace kalo::app {

midi::SynthOptions SynthOptionsFrom(const config::Settings& settings) {
  midi::SynthOptions options;
  options.SoundFont = settings.SoundFont;
  // The key's range keeps the index valid; a value set in code outside it counts as automatic.
  const bool known = settings.SynthDriver >= 0 && settings.SynthDriver < midi::kSynthDriverCount;
  options.Driver =
      known ? static_cast<midi::SynthDriver>(settings.SynthDriver) : midi::SynthDriver::Automatic;
  options.LatencyMs = settings.SynthLatency;
  options.SoundFontSetting = config::kSoundFontKey;
  return options;
}

}  // namespace kalo::app
