#include "midi/backends/fluid_support.h"

#include <alsa/asoundlib.h>

#include <cstring>
#include <mutex>
#include <optional>
#include <vector>

#include "host/file_store.h"
#include "midi/midi_status.h"
#include "midi/port_backend.h"
#include "midi/synth_options.h"

namespace kalo::midi::fluid {

namespace {

// The capture of this thread, if any.
thread_local std::string* tCapture = nullptr;

void OnLog(int level, const char* message, void*) {
  if ((level == FLUID_PANIC || level == FLUID_ERR) && tCapture != nullptr && message != nullptr) {
    *tCapture = message;
  }
}

void SilentAlsa(const char*, int, const char*, int, const char*, ...) {}

std::once_flag gLogInstalled;

std::string Quoted(const std::filesystem::path& path) { return host::PrintableName(path); }

}  // namespace

LogCapture::LogCapture() : previous_(tCapture) {
  std::call_once(gLogInstalled, [] {
    for (int level = 0; level < LAST_LOG_LEVEL; ++level) fluid_set_log_function(level, &OnLog, nullptr);
  });
  if (previous_ == nullptr) snd_lib_error_set_handler(&SilentAlsa);
  tCapture = &lastError_;
}

LogCapture::~LogCapture() {
  tCapture = previous_;
  if (previous_ == nullptr) snd_lib_error_set_handler(nullptr);
}

SettingsPtr NewSettings(int sampleRate, bool threadSafe) {
  SettingsPtr settings(new_fluid_settings());
  if (settings == nullptr) return nullptr;
  fluid_settings_setnum(settings.get(), "synth.sample-rate", sampleRate);
  fluid_settings_setint(settings.get(), "synth.polyphony", 256);
  fluid_settings_setnum(settings.get(), "synth.gain", kFullGain);
  fluid_settings_setint(settings.get(), "synth.threadsafe-api", threadSafe ? 1 : 0);
  return settings;
}

std::string SoundFontProblem(const std::filesystem::path& path, const std::string& settingName) {
  const std::string setting = settingName.empty() ? "" : " (setting " + settingName + ")";
  const std::string setIt = settingName.empty() ? "choose" : "set " + settingName + " to";
  if (path.empty()) {
    return "No soundfont is chosen" + setting + ": " + setIt + " a General MIDI .sf2 file such as " +
           kDefaultSoundFont + " from the package " + kSoundFontPackage + ".";
  }
  // Read as every file is read: a FIFO or a device is refused at once, and what cannot be read is
  // named with the system's reason (a link loop is not a missing file).
  const host::FileRead head = host::ReadRegularFile(path, 12);
  if (head.Missing) {
    std::string text = "The soundfont " + Quoted(path) + setting + " does not exist: ";
    if (path == kDefaultSoundFont) text += "install the package " + std::string(kSoundFontPackage) + " or ";
    return text + setIt + " a General MIDI .sf2 file.";
  }
  std::error_code error;
  if (!head.Ok() && std::filesystem::is_directory(path, error)) {
    return "The soundfont " + Quoted(path) + setting + " is a folder: " + setIt +
           " a General MIDI .sf2 file.";
  }
  if (!head.Ok()) return "The soundfont " + Quoted(path) + setting + " cannot be read: " + head.Reason + ".";
  if (head.Bytes.size() < 12 || std::memcmp(head.Bytes.data(), "RIFF", 4) != 0 ||
      std::memcmp(head.Bytes.data() + 8, "sfbk", 4) != 0) {
    return "The file " + Quoted(path) + setting + " is not a SoundFont 2 (.sf2) file: " + setIt +
           " a General MIDI .sf2 file.";
  }
  return {};
}

SynthPtr NewSynthWithSoundFont(fluid_settings_t* settings, const std::filesystem::path& soundFont,
                               const std::string& settingName, std::string& problem) {
  problem = SoundFontProblem(soundFont, settingName);
  if (!problem.empty()) return nullptr;
  LogCapture log;
  SynthPtr synth(new_fluid_synth(settings));
  if (synth == nullptr) {
    problem = "The synthesizer cannot be created: " +
              (log.LastError().empty() ? std::string("FluidSynth gave no reason") : log.LastError());
    return nullptr;
  }
  if (fluid_synth_sfload(synth.get(), soundFont.c_str(), 1) == FLUID_FAILED) {
    const std::string setting = settingName.empty() ? "" : " (setting " + settingName + ")";
    problem = "The soundfont " + Quoted(soundFont) + setting + " cannot be loaded" +
              (log.LastError().empty() ? std::string(".") : ": " + log.LastError());
    return nullptr;
  }
  return synth;
}

bool Play(fluid_synth_t* synth, const uint8_t* bytes, size_t length) {
  if (length == 0) return false;
  const uint8_t status = bytes[0];
  if (status == kSysexStatus) {
    if (length < 2 || bytes[length - 1] != kSysexEnd) return false;
    for (size_t i = 1; i + 1 < length; ++i) {
      if (bytes[i] >= 0x80) return false;
    }
    // What FluidSynth does not understand (or an empty message) it leaves alone.
    if (length > 2) {
      fluid_synth_sysex(synth, reinterpret_cast<const char*>(bytes + 1), static_cast<int>(length - 2),
                        nullptr, nullptr, nullptr, 0);
    }
    return true;
  }
  const size_t needed = ShortMessageLength(status);
  if (needed == 0 || length < needed) return false;
  const int channel = status & 0x0F;
  const int data1 = needed > 1 ? bytes[1] & 0x7F : 0;
  const int data2 = needed > 2 ? bytes[2] & 0x7F : 0;
  // FluidSynth's "failures" here (a note-off for a note not sounding, a program the soundfont lacks)
  // are not faults of the message.
  switch (status & 0xF0) {
    case kNoteOff:
      fluid_synth_noteoff(synth, channel, data1);
      break;
    case kNoteOn:
      if (data2 == 0) {
        fluid_synth_noteoff(synth, channel, data1);
      } else {
        fluid_synth_noteon(synth, channel, data1, data2);
      }
      break;
    case kPolyPressure:
      fluid_synth_key_pressure(synth, channel, data1, data2);
      break;
    case kControlChange:
      fluid_synth_cc(synth, channel, data1, data2);
      break;
    case kProgramChange:
      fluid_synth_program_change(synth, channel, data1);
      break;
    case kChannelPressure:
      fluid_synth_channel_pressure(synth, channel, data1);
      break;
    case kPitchBend:
      fluid_synth_pitch_bend(synth, channel, data1 | (data2 << 7));
      break;
    default:
      if (status == 0xFF) fluid_synth_system_reset(synth);
      break;
  }
  return true;
}

}  // namespace kalo::midi::fluid
