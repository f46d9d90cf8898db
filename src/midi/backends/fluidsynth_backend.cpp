#include "midi/backends/fluidsynth_backend.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "midi/backends/fluid_support.h"
#include "midi/backends/jack_probe.h"
#include "midi/midi_status.h"

namespace kalo::midi {

namespace {

using Clock = std::chrono::steady_clock;

// A silent synthesizer renders (and drops) its sound at least after this many messages, so that
// FluidSynth's queue of voice changes, which only rendering empties, never fills up.
constexpr int kMaxUnrenderedMessages = 64;
constexpr int kScratchFrames = 1024;

const char* DriverName(SynthDriver driver) { return kSynthDriverNames[static_cast<int>(driver)]; }

// The audio driver and its buffer. A JACK driver only ever joins a running server: callers check
// with JackServerAnswers first, and the program sets JACK_NO_START_SERVER at start
// (KeepJackServerFromStarting) so that FluidSynth's own client cannot start one either.
void SetDriver(fluid_settings_t* settings, const std::string& driver, int latencyMs) {
  const SynthBuffer buffer = SynthBufferFor(latencyMs, kLiveSampleRate);
  fluid_settings_setstr(settings, "audio.driver", driver.c_str());
  fluid_settings_setint(settings, "audio.period-size", buffer.PeriodFrames);
  fluid_settings_setint(settings, "audio.periods", buffer.Periods);
  fluid_settings_setstr(settings, "audio.jack.id", kSynthName);
  fluid_settings_setint(settings, "audio.jack.autoconnect", 1);
  fluid_settings_setint(settings, "audio.jack.multi", 0);
}

// Creates the audio driver, or says why it cannot play through `driver`.
fluid::DriverPtr NewDriver(fluid_settings_t* settings, fluid_synth_t* synth, const std::string& driver,
                           int latencyMs, std::string& why) {
  if (driver == DriverName(SynthDriver::Jack) && !JackServerAnswers(kSynthName)) {
    why = "no JACK server is running";
    return nullptr;
  }
  SetDriver(settings, driver, latencyMs);
  fluid::LogCapture log;
  fluid::DriverPtr made(new_fluid_audio_driver(settings, synth));
  if (made == nullptr) why = log.LastError().empty() ? "the device cannot be opened" : log.LastError();
  return made;
}

std::string LatencyText(int latencyMs) {
  const SynthBuffer buffer = SynthBufferFor(latencyMs, kLiveSampleRate);
  const int frames = buffer.Periods * buffer.PeriodFrames;
  char text[128];
  std::snprintf(text, sizeof text, "latency %.1f ms (%d periods of %d frames at %d Hz)",
                1000.0 * frames / kLiveSampleRate, buffer.Periods, buffer.PeriodFrames, kLiveSampleRate);
  return text;
}

}  // namespace

// The open device. Main thread, like every OutputPort call; FluidSynth's audio thread (when there is
// one) renders beside it, which FluidSynth's thread-safe API allows.
class FluidSynthBackend::Port final : public OutputPort {
 public:
  Port(FluidSynthBackend& backend, fluid::SettingsPtr settings, fluid::SynthPtr synth,
       fluid::DriverPtr driver, OutputCallback& callback)
      : backend_(backend),
        settings_(std::move(settings)),
        synth_(std::move(synth)),
        driver_(std::move(driver)),
        callback_(callback),
        silent_(driver_ == nullptr),
        start_(Clock::now()),
        scratch_(2 * kScratchFrames) {}
  ~Port() override { Close(); }

  PortResult SendShort(uint32_t packed) override {
    if (synth_ == nullptr) return result::kInvalidHandle;
    const uint8_t bytes[3] = {static_cast<uint8_t>(packed), static_cast<uint8_t>(packed >> 8),
                              static_cast<uint8_t>(packed >> 16)};
    if (bytes[0] == kSysexStatus) return result::kInvalidParam;
    KeepUp();
    return fluid::Play(synth_.get(), bytes, sizeof bytes) ? result::kOk : result::kInvalidParam;
  }

  PortResult SendLong(const uint8_t* bytes, size_t length, uintptr_t cookie) override {
    if (synth_ == nullptr) return result::kInvalidHandle;
    if (bytes == nullptr || length == 0 || bytes[0] != kSysexStatus) return result::kInvalidParam;
    KeepUp();
    if (!fluid::Play(synth_.get(), bytes, length)) return result::kInvalidParam;
    callback_.OnLongDone(cookie);  // the synthesizer has taken the bytes
    return result::kOk;
  }

  PortResult Close() override {
    if (synth_ == nullptr) return result::kOk;
    driver_.reset();  // stops the audio thread before the synthesizer goes
    synth_.reset();
    settings_.reset();
    backend_.PortClosed();
    return result::kOk;
  }

  int ActiveVoices() const {
    return synth_ != nullptr ? fluid_synth_get_active_voice_count(synth_.get()) : 0;
  }

  void SetGain(double gain) {
    if (synth_ != nullptr) fluid_synth_set_gain(synth_.get(), static_cast<float>(gain));
  }

 private:
  // Without an audio driver nobody renders; a silent device renders the time that passed (at most
  // the last second) and drops the sound, so that notes end and it behaves as one that plays.
  void KeepUp() {
    if (!silent_) return;
    ++unrendered_;
    const int64_t micros =
        std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start_).count();
    const int64_t due = micros * kLiveSampleRate / 1'000'000;
    rendered_ = std::max(rendered_, due - kLiveSampleRate);
    int64_t frames = due - rendered_;
    if (frames < kSynthPeriodFrames && unrendered_ >= kMaxUnrenderedMessages) frames = kSynthPeriodFrames;
    frames -= frames % kSynthPeriodFrames;
    if (frames <= 0) return;
    for (int64_t left = frames; left > 0;) {
      const int n = static_cast<int>(std::min<int64_t>(left, kScratchFrames));
      fluid_synth_write_float(synth_.get(), n, scratch_.data(), 0, 2, scratch_.data(), 1, 2);
      left -= n;
    }
    rendered_ += frames;
    unrendered_ = 0;
  }

  FluidSynthBackend& backend_;
  fluid::SettingsPtr settings_;
  fluid::SynthPtr synth_;
  fluid::DriverPtr driver_;
  OutputCallback& callback_;
  const bool silent_;
  const Clock::time_point start_;
  int64_t rendered_ = 0;  // frames rendered while silent, counted from start_
  int unrendered_ = 0;    // messages since the last rendering
  std::vector<float> scratch_;
};

FluidSynthBackend::FluidSynthBackend(SynthOptions options) : options_(std::move(options)) {
  options_.LatencyMs = std::clamp(options_.LatencyMs, kMinSynthLatencyMs, kMaxSynthLatencyMs);
}

FluidSynthBackend::~FluidSynthBackend() {
  if (port_ != nullptr) port_->Close();
}

std::string FluidSynthBackend::Start() {
  if (fluid::NewSettings(kLiveSampleRate, true) == nullptr) return "FluidSynth cannot be set up";
  problem_ = fluid::SoundFontProblem(options_.SoundFont, options_.SoundFontSetting);
  FindSoundSystem();
  return {};
}

void FluidSynthBackend::Refresh() {
  if (port_ != nullptr) return;
  problem_ = fluid::SoundFontProblem(options_.SoundFont, options_.SoundFontSetting);
  FindSoundSystem();
}

void FluidSynthBackend::FindSoundSystem() {
  driver_.clear();
  silentReason_.clear();
  std::vector<SynthDriver> candidates;
  switch (options_.Driver) {
    case SynthDriver::Automatic:
      candidates = {SynthDriver::PulseAudio, SynthDriver::Alsa, SynthDriver::Jack};
      break;
    case SynthDriver::None:
      silentReason_ = "the audio driver is set to none";
      return;
    default:
      candidates = {options_.Driver};
      break;
  }
  std::string reasons;
  for (SynthDriver candidate : candidates) {
    if (AnswersNow(candidate, reasons)) {
      driver_ = DriverName(candidate);
      return;
    }
  }
  silentReason_ = "no sound device (" + reasons + ")";
}

bool FluidSynthBackend::AnswersNow(SynthDriver driver, std::string& reasons) const {
  std::string why;
  if (driver == SynthDriver::Jack) {
    // A running server takes any client: the synthesizer's own joins it only when the device opens.
    if (JackServerAnswers(kSynthName)) return true;
    why = "no JACK server is running";
  } else {
    // A synthesizer without a soundfont is enough to find out whether the sound system answers.
    fluid::SettingsPtr settings = fluid::NewSettings(kLiveSampleRate, true);
    fluid::SynthPtr synth(settings != nullptr ? new_fluid_synth(settings.get()) : nullptr);
    why = "FluidSynth cannot be set up";
    if (synth != nullptr &&
        NewDriver(settings.get(), synth.get(), DriverName(driver), options_.LatencyMs, why) != nullptr) {
      return true;
    }
  }
  reasons += (reasons.empty() ? "" : "; ") + std::string(DriverName(driver)) + ": " + why;
  return false;
}

std::string FluidSynthBackend::Detail() const {
  if (!problem_.empty()) return "cannot play: " + problem_;
  std::string soundFont = "soundfont " + options_.SoundFont.string();
  // The system's soundfont is a link (to whichever General MIDI soundfont is installed): name the file.
  std::error_code error;
  const std::filesystem::path file = std::filesystem::canonical(options_.SoundFont, error);
  if (!error && file != options_.SoundFont) soundFont += ", the file " + file.string();
  if (driver_.empty()) return "silent, " + silentReason_ + "; " + soundFont;
  const std::string latency = driver_ == DriverName(SynthDriver::Jack) ? "latency set by the JACK server"
                                                                       : LatencyText(options_.LatencyMs);
  return "plays through " + driver_ + ", " + latency + ", " + soundFont;
}

PortResult FluidSynthBackend::GetInputCapabilities(int, InputCapabilities&) { return result::kBadDeviceId; }

PortResult FluidSynthBackend::OpenInput(int, InputCallback&, std::unique_ptr<InputPort>&) {
  return result::kBadDeviceId;
}

PortResult FluidSynthBackend::GetOutputCapabilities(int index, OutputCapabilities& caps) {
  if (index != 0) return result::kBadDeviceId;
  caps = OutputCapabilities{};
  caps.ProductName = kSynthName;
  caps.DriverVersion = static_cast<uint16_t>(FLUIDSYNTH_VERSION_MAJOR << 8 | FLUIDSYNTH_VERSION_MINOR);
  caps.Technology = 7;  // software synthesizer
  caps.Voices = 256;
  caps.Notes = 256;
  caps.ChannelMask = 0xFFFF;
  caps.Support = 1;  // volume
  return result::kOk;
}

PortResult FluidSynthBackend::OpenOutput(int index, OutputCallback& callback,
                                         std::unique_ptr<OutputPort>& port) {
  if (index != 0) return result::kBadDeviceId;
  if (port_ != nullptr) return result::kAllocated;
  fluid::SettingsPtr settings = fluid::NewSettings(kLiveSampleRate, true);
  if (settings == nullptr) {
    problem_ = "FluidSynth cannot be set up";
    return kSynthCode;
  }
  fluid::SynthPtr synth =
      fluid::NewSynthWithSoundFont(settings.get(), options_.SoundFont, options_.SoundFontSetting, problem_);
  if (synth == nullptr) return kSoundFontCode;
  fluid_synth_set_gain(synth.get(), static_cast<float>(Gain()));
  fluid::DriverPtr driver;
  if (!driver_.empty()) {
    std::string why;
    driver = NewDriver(settings.get(), synth.get(), driver_, options_.LatencyMs, why);
    if (driver == nullptr) {
      silentReason_ = "no sound device (" + driver_ + ": " + why + ")";
      driver_.clear();
    }
  }
  auto opened =
      std::make_unique<Port>(*this, std::move(settings), std::move(synth), std::move(driver), callback);
  port_ = opened.get();
  port = std::move(opened);
  return result::kOk;
}

PortResult FluidSynthBackend::SetOutputVolume(int index, uint32_t volume) {
  if (index != 0) return result::kBadDeviceId;
  volume_ = static_cast<uint16_t>(volume & 0xFFFF);
  if (port_ != nullptr) port_->SetGain(Gain());
  return result::kOk;
}

int FluidSynthBackend::ActiveVoices() const { return port_ != nullptr ? port_->ActiveVoices() : 0; }

double FluidSynthBackend::Gain() const { return fluid::kFullGain * volume_ / 65535.0; }

std::string FluidSynthBackend::ErrorText(PortResult code) {
  if (code == kSoundFontCode || code == kSynthCode) return problem_;
  return StandardErrorText(code);
}

}  // namespace kalo::midi
