#pragma once
// How the built-in General MIDI synthesizer is set up: its soundfont, the sound system it plays
// through and its audio buffer. A plain value; the settings file keeps it (see config/settings.h).

#include <filesystem>
#include <string>

namespace kalo::midi {

// Product name of the synthesizer's output device.
inline constexpr const char* kSynthName = "KALO GM Synth";
// Debian's General MIDI soundfont (package timgm6mb-soundfont, or another that provides it).
inline constexpr const char* kDefaultSoundFont = "/usr/share/sounds/sf2/default-GM.sf2";
inline constexpr const char* kSoundFontPackage = "timgm6mb-soundfont";

// The sound system the synthesizer plays through, in the order the setting stores them. Automatic
// tries PulseAudio (which PipeWire also serves), then ALSA, then a JACK server that is running.
enum class SynthDriver : int { Automatic = 0, PulseAudio, Alsa, Jack, None };
inline constexpr int kSynthDriverCount = 5;
inline constexpr const char* kSynthDriverNames[kSynthDriverCount] = {"automatic", "pulseaudio", "alsa",
                                                                     "jack", "none"};

inline constexpr int kDefaultSynthLatencyMs = 10;
inline constexpr int kMinSynthLatencyMs = 2;
inline constexpr int kMaxSynthLatencyMs = 500;
// The synthesizer renders in blocks of this many frames; the audio buffer is made of such periods.
inline constexpr int kSynthPeriodFrames = 64;
// Sample rate of live playing (a JACK server may impose its own).
inline constexpr int kLiveSampleRate = 44100;

struct SynthOptions {
  std::filesystem::path SoundFont = kDefaultSoundFont;
  SynthDriver Driver = SynthDriver::Automatic;
  int LatencyMs = kDefaultSynthLatencyMs;  // the audio buffer, in milliseconds
  // The setting the soundfont path comes from, named in the messages about a missing soundfont.
  std::string SoundFontSetting;
};

// The audio buffer for a latency: periods of kSynthPeriodFrames, at least two, together as close to
// the latency as whole periods allow.
struct SynthBuffer {
  int PeriodFrames = kSynthPeriodFrames;
  int Periods = 2;
};

constexpr SynthBuffer SynthBufferFor(int latencyMs, int sampleRate) {
  const long long frames = static_cast<long long>(latencyMs) * sampleRate / 1000;
  long long periods = (frames + kSynthPeriodFrames / 2) / kSynthPeriodFrames;
  if (periods < 2) periods = 2;
  return SynthBuffer{kSynthPeriodFrames, static_cast<int>(periods)};
}

}  // namespace kalo::midi
