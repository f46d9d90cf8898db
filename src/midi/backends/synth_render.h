#pragma once
// Offline rendering of captured MIDI through the built-in synthesizer to a 16-bit stereo sound file
// (WAV, FLAC or Ogg Vorbis), as fast as the machine allows. The sound goes to the file block by block:
// memory does not grow with the length of the music. Runs on the calling thread; touches no sound device.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <string>

#include "midi/backends/audio_file_writer.h"
#include "midi/captured_message.h"
#include "midi/synth_options.h"

namespace kalo::midi {

struct SynthRenderOptions {
  std::filesystem::path SoundFont = kDefaultSoundFont;
  // The setting the soundfont comes from, named in the message about a missing one.
  std::string SoundFontSetting;
  int SampleRate = 44100;  // 8000 to 192000
  AudioFileType Type = AudioFileType::kWav;
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
  bool Rf64 = false;           // a WAV file too long for the WAVE format, written as RF64
};

// After the last message the sound rings out until it has stayed below kAudibleLevel (-60 dB of full
// scale) for kTrailingSilenceSeconds, and the file ends there: at most that much silence follows the
// sound. Notes still sounding kMaxRenderTailSeconds after the last message are cut there.
inline constexpr double kMaxRenderTailSeconds = 10.0;
inline constexpr double kTrailingSilenceSeconds = 0.5;
inline constexpr float kAudibleLevel = 0.001f;

// Renders `messages` (in tick order; out-of-order ones are played in tick order, ties keep their
// order) with the tempo map `tempo` at 24 ticks per quarter note, and writes the file through
// host::SafeFileWriter (the target is untouched on any failure). A message that is not one complete MIDI
// message is skipped. Each message reaches the synthesizer at its exact sample; FluidSynth starts its
// effect with the next block of kSynthPeriodFrames frames.
SynthRenderResult RenderToAudioFile(std::span<const CapturedMessage> messages,
                                    std::span<const TempoChange> tempo, const SynthRenderOptions& options,
                                    const std::filesystem::path& out);

}  // namespace kalo::midi
