#pragma once
// Offline rendering of captured MIDI through the built-in synthesizer to a 16-bit stereo WAV file,
// as fast as the machine allows. Runs on the calling thread; touches no sound device.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <string>

#include "midi/captured_message.h"
#include "midi/synth_options.h"

namespace kalo::midi {

struct SynthRenderOptions {
  std::filesystem::path SoundFont = kDefaultSoundFont;
  // The setting the soundfont comes from, named in the message about a missing one.
  std::string SoundFontSetting;
  int SampleRate = 44100;  // 8000 to 192000
  // Optional: told the fraction done (0 to 1, rising), about every hundredth of the work and at the end.
  std::function<void(double fraction)> Progress;
};

struct SynthRenderResult {
  std::string Error;   // empty when the file was written
  int64_t Frames = 0;  // per channel, the tail included
  int SampleRate = 0;
  int64_t LastEventFrame = 0;  // where the last message was played
  float Peak = 0;              // the largest sample magnitude before conversion; 1.0 is full scale
  int64_t ClippedSamples = 0;  // samples beyond full scale, clamped to it
};

// The tail after the last message lasts until the sound has died away (no voice sounds and the
// output rounds to silence), at most kMaxRenderTailSeconds: notes still held by then are cut.
inline constexpr double kMaxRenderTailSeconds = 10.0;

// Renders `messages` (in tick order; out-of-order ones are played in tick order, ties keep their
// order) with the tempo map `tempo` at 24 ticks per quarter note, and writes the WAV file through
// host::WriteFileSafely. A message that is not one complete MIDI message is skipped. Each message
// reaches the synthesizer at its exact sample; FluidSynth starts its effect with the next block of
// kSynthPeriodFrames frames.
SynthRenderResult RenderToWav(std::span<const CapturedMessage> messages, std::span<const TempoChange> tempo,
                              const SynthRenderOptions& options, const std::filesystem::path& out);

}  // namespace kalo::midi
