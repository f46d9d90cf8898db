#pragma once
// The built-in General MIDI synthesizer (FluidSynth) as one more output device, kSynthName, with no
// inputs. It plays through the sound system chosen in its options; where there is none it still
// opens and takes every message, silently, and says why once (Detail). A missing soundfont keeps
// the device listed; opening it fails with a message naming the file and the setting.

#include <memory>
#include <string>

#include "midi/port_backend.h"
#include "midi/synth_options.h"

namespace kalo::midi {

class FluidSynthBackend final : public PortBackend {
 public:
  // Backend codes of this backend (texts through ErrorText).
  static constexpr PortResult kSoundFontCode = result::kFirstBackendCode;
  static constexpr PortResult kSynthCode = result::kFirstBackendCode + 1;

  explicit FluidSynthBackend(SynthOptions options);
  ~FluidSynthBackend() override;

  std::string Name() const override { return "fluidsynth"; }
  // Checks the soundfont and finds the sound system to play through; never fails because of them.
  std::string Start() override;
  // Checks the soundfont again and, while the device is closed, looks for a sound system again.
  void Refresh() override;
  std::string Detail() const override;

  int InputCount() override { return 0; }
  PortResult GetInputCapabilities(int index, InputCapabilities& caps) override;
  PortResult OpenInput(int index, InputCallback& callback, std::unique_ptr<InputPort>& port) override;
  int OutputCount() override { return 1; }
  PortResult GetOutputCapabilities(int index, OutputCapabilities& caps) override;
  // One port at a time (kAllocated while open). Short and system-exclusive messages go to the
  // synthesizer; each long message is reported done inside SendLong.
  PortResult OpenOutput(int index, OutputCallback& callback, std::unique_ptr<OutputPort>& port) override;
  // The low 16 bits set the volume of both sides (the device has no separate left and right volume);
  // kept while closed and applied when the device opens.
  PortResult SetOutputVolume(int index, uint32_t volume) override;
  std::string ErrorText(PortResult code) override;

  // The audio driver the synthesizer plays through ("pulseaudio", "alsa", "jack"), empty when silent.
  const std::string& AudioDriver() const { return driver_; }
  // Why it is silent; empty while it plays or cannot open at all.
  const std::string& SilentReason() const { return silentReason_; }
  // Why it cannot open (the soundfont, or FluidSynth itself); empty when it can.
  const std::string& Problem() const { return problem_; }
  const SynthOptions& Options() const { return options_; }
  // Voices sounding in the open synthesizer; 0 while closed.
  int ActiveVoices() const;

 private:
  class Port;
  friend class Port;

  // Chooses the sound system to play through, or why there is none.
  void FindSoundSystem();
  // Whether the sound system answers now; if not, adds "<name>: <why>" to reasons.
  bool AnswersNow(SynthDriver driver, std::string& reasons) const;
  void PortClosed() { port_ = nullptr; }
  double Gain() const;

  SynthOptions options_;
  std::string driver_;
  std::string silentReason_;
  std::string problem_;
  uint16_t volume_ = 0xFFFF;
  Port* port_ = nullptr;  // the open port
};

}  // namespace kalo::midi
