#pragma once
// What the synthesizer backend and the offline renderer share over FluidSynth. For the files of this
// folder only: nothing else of the program includes FluidSynth.

#include <fluidsynth.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

namespace kalo::midi::fluid {

struct SettingsDeleter {
  void operator()(fluid_settings_t* settings) const { delete_fluid_settings(settings); }
};
struct SynthDeleter {
  void operator()(fluid_synth_t* synth) const { delete_fluid_synth(synth); }
};
struct DriverDeleter {
  void operator()(fluid_audio_driver_t* driver) const { delete_fluid_audio_driver(driver); }
};
using SettingsPtr = std::unique_ptr<fluid_settings_t, SettingsDeleter>;
using SynthPtr = std::unique_ptr<fluid_synth_t, SynthDeleter>;
using DriverPtr = std::unique_ptr<fluid_audio_driver_t, DriverDeleter>;

// While one lives, FluidSynth's errors from calls on this thread are kept in LastError instead of
// being printed, and so are the ALSA library's complaints; messages of other threads (the audio
// thread) and FluidSynth's warnings are dropped: the program reports failures once, in its own words.
class LogCapture {
 public:
  LogCapture();
  ~LogCapture();
  LogCapture(const LogCapture&) = delete;
  LogCapture& operator=(const LogCapture&) = delete;

  // The last error message, or empty.
  const std::string& LastError() const { return lastError_; }

 private:
  std::string lastError_;
  std::string* previous_;
};

// Settings every synthesizer of the program starts from: the sample rate, 256 voices and the gain.
// threadSafe: whether another thread (an audio driver's) renders while this one sends.
SettingsPtr NewSettings(int sampleRate, bool threadSafe);

// The synthesizer's gain at full device volume: headroom for a full arrangement without clipping.
inline constexpr double kFullGain = 0.4;

// Empty when `path` is a readable SoundFont 2 file, else why not, naming the file and (when given)
// the setting it comes from.
std::string SoundFontProblem(const std::filesystem::path& path, const std::string& settingName);

// Creates a synthesizer on `settings` with the soundfont loaded; on failure null and the reason.
SynthPtr NewSynthWithSoundFont(fluid_settings_t* settings, const std::filesystem::path& soundFont,
                               const std::string& settingName, std::string& problem);

// Plays one complete message: a short message of its own length (running status is not accepted),
// or a system-exclusive message F0 ... F7. False, with nothing played, when the bytes are not one.
// System messages other than system exclusive and reset (FF) are accepted and ignored, and so are
// system-exclusive messages the synthesizer does not understand.
bool Play(fluid_synth_t* synth, const uint8_t* bytes, size_t length);

}  // namespace kalo::midi::fluid
