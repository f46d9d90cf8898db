#pragma once
// MIDI ports through RtMidi on one explicitly chosen API (RtMidi does not fall back by itself).
// Besides the ports it finds, the backend offers one input and one output port of the program's own
// ("KALO") that other software can connect to; they are listed after the ports found.

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "midi/port_backend.h"

namespace kalo::midi {

enum class RtMidiApiKind { Alsa, Jack };

// Name of the program's own ports and of its clients.
inline constexpr const char* kOwnPortName = "KALO";

class RtMidiBackend final : public PortBackend {
 public:
  explicit RtMidiBackend(RtMidiApiKind api);
  ~RtMidiBackend() override;

  std::string Name() const override;
  std::string Start() override;
  void Refresh() override;

  int InputCount() override;
  PortResult GetInputCapabilities(int index, InputCapabilities& caps) override;
  PortResult OpenInput(int index, InputCallback& callback, std::unique_ptr<InputPort>& port) override;
  int OutputCount() override;
  PortResult GetOutputCapabilities(int index, OutputCapabilities& caps) override;
  PortResult OpenOutput(int index, OutputCallback& callback, std::unique_ptr<OutputPort>& port) override;
  PortResult SetOutputVolume(int index, uint32_t volume) override;
  std::string ErrorText(PortResult code) override;

  // Turns a driver error text into a result code of this backend (main thread).
  PortResult RecordError(const std::string& text);

 private:
  RtMidiApiKind api_;
  bool started_ = false;
  std::vector<std::string> inputNames_;   // the last is the own port
  std::vector<std::string> outputNames_;  // the last is the own port
  std::map<std::string, PortResult> codeByText_;
  std::vector<std::string> texts_;  // code kFirstBackendCode + i
};

}  // namespace kalo::midi
