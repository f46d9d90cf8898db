#pragma once
// The built-in synthesizer's set-up from the settings.

#include "config/settings.h"
#include "midi/synth_options.h"

namespace kalo::app {

// SoundFont, SynthDriver and SynthLatency, with the soundfont's key named in the synthesizer's
// messages about a missing soundfont.
midi::SynthOptions SynthOptionsFrom(const config::Settings& settings);

}  // namespace kalo::app
