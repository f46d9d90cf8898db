#include "midi/backends/rtmidi_backend.h"

#include <rtmidi/RtMidi.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

#include "midi/backends/jack_input.h"
#include "midi/backends/jack_probe.h"
#include "midi/midi_byte_parser.h"
#include "midi/midi_status.h"

namespace kalo::midi {

namespace {

RtMidi::Api ApiOf(RtMidiApiKind kind) {
  return kind == RtMidiApiKind::Alsa ? RtMidi::LINUX_ALSA : RtMidi::UNIX_JACK;
}

int64_t SteadyMicros() {
  return std::chrono::duration_cast<std::chrono::microseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

std::vector<std::string> PortNames(RtMidi& midi) {
  std::vector<std::string> names;
  const unsigned count = midi.getPortCount();
  for (unsigned i = 0; i < count; ++i) names.push_back(midi.getPortName(i));
  return names;
}

// The index of the port with this exact name, or -1 when it is gone.
int FindPort(RtMidi& midi, const std::string& name) {
  const unsigned count = midi.getPortCount();
  for (unsigned i = 0; i < count; ++i) {
    if (midi.getPortName(i) == name) return static_cast<int>(i);
  }
  return -1;
}

// Opens the program's own port when `own`, else the listed port `name`, found again by name since
// port numbers shift as devices come and go.
PortResult ConnectPort(RtMidi& midi, bool own, const std::string& name) {
  if (own) {
    midi.openVirtualPort(kOwnPortName);
    return result::kOk;
  }
  const int found = FindPort(midi, name);
  if (found < 0) return result::kNoDevice;
  midi.openPort(static_cast<unsigned>(found), kOwnPortName);
  // RtMidi reports a port that vanished meanwhile only through isPortOpen.
  return midi.isPortOpen() ? result::kOk : result::kNoDevice;
}

class RtInputPort final : public InputPort, private MidiByteParser::Sink {
 public:
  RtInputPort(std::unique_ptr<RtMidiIn> midi, InputCallback& callback)
      : midi_(std::move(midi)), callback_(callback) {
    midi_->ignoreTypes(false, false, false);  // the device layer's own filters decide
    midi_->setCallback(&RtInputPort::Receive, this);
  }
  ~RtInputPort() override { Close(); }

  PortResult Start() override {
    if (midi_ == nullptr) return result::kInvalidHandle;
    startMicros_.store(SteadyMicros(), std::memory_order_release);
    started_.store(true, std::memory_order_release);
    return result::kOk;
  }
  PortResult Reset() override {
    if (midi_ == nullptr) return result::kInvalidHandle;
    started_.store(false, std::memory_order_seq_cst);
    while (busy_.load(std::memory_order_seq_cst) != 0) std::this_thread::yield();
    return result::kOk;
  }
  PortResult Close() override {
    if (midi_ == nullptr) return result::kOk;
    Reset();
    // Destroying the client stops RtMidi's thread (ALSA) or closes the JACK client, which waits for
    // the process cycle: no callback runs after this.
    try {
      midi_->cancelCallback();
      midi_->closePort();
    } catch (const RtMidiError&) {
    }
    midi_.reset();
    return result::kOk;
  }

 private:
  // RtMidi's thread (ALSA input thread or JACK process thread). RtMidi may hand over a message that
  // lacks data bytes, or a system-exclusive message that another status cut short together with the
  // messages after it: the parser makes whole messages of them.
  static void Receive(double, std::vector<unsigned char>* message, void* user) {
    auto* self = static_cast<RtInputPort*>(user);
    self->busy_.fetch_add(1, std::memory_order_seq_cst);
    if (self->started_.load(std::memory_order_seq_cst) && message != nullptr && !message->empty()) {
      self->timeMs_ =
          static_cast<uint32_t>((SteadyMicros() - self->startMicros_.load(std::memory_order_acquire)) / 1000);
      self->parser_.Feed(message->data(), message->size(), *self);
    }
    self->busy_.fetch_sub(1, std::memory_order_seq_cst);
  }
  void Short(uint32_t packed) noexcept override { callback_.OnShortData(packed, timeMs_); }
  void Long(const uint8_t* bytes, size_t length) noexcept override {
    callback_.OnLongData(bytes, length, timeMs_);
  }

  MidiByteParser parser_;
  uint32_t timeMs_ = 0;
  std::unique_ptr<RtMidiIn> midi_;
  InputCallback& callback_;
  std::atomic<bool> started_{false};
  std::atomic<int> busy_{0};
  std::atomic<int64_t> startMicros_{0};
};

class RtOutputPort final : public OutputPort {
 public:
  RtOutputPort(RtMidiBackend& backend, std::unique_ptr<RtMidiOut> midi, OutputCallback& callback)
      : backend_(backend), midi_(std::move(midi)), callback_(callback) {}
  ~RtOutputPort() override { Close(); }

  PortResult SendShort(uint32_t packed) override {
    if (midi_ == nullptr) return result::kInvalidHandle;
    const auto status = static_cast<uint8_t>(packed & 0xFF);
    const size_t length = ShortMessageLength(status);
    if (length == 0) return result::kInvalidParam;
    const uint8_t bytes[3] = {status, static_cast<uint8_t>((packed >> 8) & 0x7F),
                              static_cast<uint8_t>((packed >> 16) & 0x7F)};
    return Send(bytes, length);
  }
  PortResult SendLong(const uint8_t* bytes, size_t length, uintptr_t cookie) override {
    if (midi_ == nullptr) return result::kInvalidHandle;
    const PortResult sent = Send(bytes, length);
    // RtMidi has copied the bytes when sendMessage returns.
    if (sent == result::kOk) callback_.OnLongDone(cookie);
    return sent;
  }
  PortResult Close() override {
    if (midi_ == nullptr) return result::kOk;
    try {
      midi_->closePort();
    } catch (const RtMidiError& e) {
      midi_.reset();
      return backend_.RecordError(e.getMessage());
    }
    midi_.reset();
    return result::kOk;
  }

 private:
  PortResult Send(const uint8_t* bytes, size_t length) {
    try {
      midi_->sendMessage(bytes, length);
    } catch (const RtMidiError& e) {
      return backend_.RecordError(e.getMessage());
    }
    return result::kOk;
  }

  RtMidiBackend& backend_;
  std::unique_ptr<RtMidiOut> midi_;
  OutputCallback& callback_;
};

}  // namespace

RtMidiBackend::RtMidiBackend(RtMidiApiKind api) : api_(api) {}
RtMidiBackend::~RtMidiBackend() = default;

std::string RtMidiBackend::Name() const { return api_ == RtMidiApiKind::Alsa ? "alsa" : "jack"; }

std::string RtMidiBackend::Start() {
  std::vector<RtMidi::Api> compiled;
  RtMidi::getCompiledApi(compiled);
  if (std::find(compiled.begin(), compiled.end(), ApiOf(api_)) == compiled.end()) {
    return "RtMidi was built without " + std::string(api_ == RtMidiApiKind::Alsa ? "ALSA" : "JACK") +
           " support";
  }
  if (api_ == RtMidiApiKind::Alsa) {
    // Checked first: without the device the ALSA library only prints its own complaint.
    if (access("/dev/snd/seq", F_OK) != 0) return "no ALSA sequencer device (/dev/snd/seq is missing)";
  } else {
    if (!JackServerAnswers(kOwnPortName)) return "no JACK server is running";
  }
  try {
    RtMidiIn probe(ApiOf(api_), kOwnPortName);
  } catch (const RtMidiError& e) {
    return "the MIDI service does not answer: " + e.getMessage();
  }
  started_ = true;
  Refresh();
  return {};
}

void RtMidiBackend::Refresh() {
  if (!started_) return;
  inputNames_.clear();
  outputNames_.clear();
  try {
    RtMidiIn in(ApiOf(api_), kOwnPortName);
    inputNames_ = PortNames(in);
    RtMidiOut out(ApiOf(api_), kOwnPortName);
    outputNames_ = PortNames(out);
  } catch (const RtMidiError&) {
    // A transport that fails now lists only the program's own ports; opening them reports the error.
  }
  inputNames_.push_back(kOwnPortName);
  outputNames_.push_back(kOwnPortName);
}

int RtMidiBackend::InputCount() { return static_cast<int>(inputNames_.size()); }
int RtMidiBackend::OutputCount() { return static_cast<int>(outputNames_.size()); }

PortResult RtMidiBackend::GetInputCapabilities(int index, InputCapabilities& caps) {
  if (index < 0 || index >= InputCount()) return result::kBadDeviceId;
  caps = InputCapabilities{};
  caps.ProductName = inputNames_[static_cast<size_t>(index)];
  return result::kOk;
}

PortResult RtMidiBackend::GetOutputCapabilities(int index, OutputCapabilities& caps) {
  if (index < 0 || index >= OutputCount()) return result::kBadDeviceId;
  caps = OutputCapabilities{};
  caps.ProductName = outputNames_[static_cast<size_t>(index)];
  caps.Technology = 1;
  caps.ChannelMask = 0xFFFF;
  return result::kOk;
}

PortResult RtMidiBackend::OpenInput(int index, InputCallback& callback, std::unique_ptr<InputPort>& port) {
  if (index < 0 || index >= InputCount()) return result::kBadDeviceId;
  if (api_ == RtMidiApiKind::Jack) {
    // RtMidi's JACK input holds back every message after a system-exclusive start that lacks its
    // end; the program's own JACK input reads the events itself.
    std::string error;
    const bool own = index == InputCount() - 1;
    port = OpenJackInput(kOwnPortName, own ? std::string() : inputNames_[static_cast<size_t>(index)],
                         callback, error);
    if (port) return result::kOk;
    return error.empty() ? result::kNoDevice : RecordError(error);
  }
  try {
    auto midi = std::make_unique<RtMidiIn>(ApiOf(api_), kOwnPortName);
    const PortResult connected =
        ConnectPort(*midi, index == InputCount() - 1, inputNames_[static_cast<size_t>(index)]);
    if (connected != result::kOk) return connected;
    port = std::make_unique<RtInputPort>(std::move(midi), callback);
  } catch (const RtMidiError& e) {
    return RecordError(e.getMessage());
  }
  return result::kOk;
}

PortResult RtMidiBackend::OpenOutput(int index, OutputCallback& callback, std::unique_ptr<OutputPort>& port) {
  if (index < 0 || index >= OutputCount()) return result::kBadDeviceId;
  try {
    auto midi = std::make_unique<RtMidiOut>(ApiOf(api_), kOwnPortName);
    const PortResult connected =
        ConnectPort(*midi, index == OutputCount() - 1, outputNames_[static_cast<size_t>(index)]);
    if (connected != result::kOk) return connected;
    port = std::make_unique<RtOutputPort>(*this, std::move(midi), callback);
  } catch (const RtMidiError& e) {
    return RecordError(e.getMessage());
  }
  return result::kOk;
}

PortResult RtMidiBackend::SetOutputVolume(int index, uint32_t) {
  if (index < 0 || index >= OutputCount()) return result::kBadDeviceId;
  return result::kNotSupported;  // MIDI ports have no device volume
}

PortResult RtMidiBackend::RecordError(const std::string& text) {
  auto found = codeByText_.find(text);
  if (found != codeByText_.end()) return found->second;
  if (texts_.size() >= 60000u - result::kFirstBackendCode) return result::kError;
  const auto code = static_cast<PortResult>(result::kFirstBackendCode + texts_.size());
  texts_.push_back(text);
  codeByText_.emplace(text, code);
  return code;
}

std::string RtMidiBackend::ErrorText(PortResult code) {
  if (code >= result::kFirstBackendCode &&
      static_cast<size_t>(code - result::kFirstBackendCode) < texts_.size()) {
    return texts_[code - result::kFirstBackendCode];
  }
  return StandardErrorText(code);
}

}  // namespace kalo::midi
