#include "midi/backends/jack_input.h"

#include <jack/jack.h>
#include <jack/midiport.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "midi/midi_byte_parser.h"

namespace kalo::midi {

namespace {

int64_t SteadyMicros() {
  return std::chrono::duration_cast<std::chrono::microseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

class JackInputPort final : public InputPort, private MidiByteParser::Sink {
 public:
  JackInputPort(InputCallback& callback) : callback_(callback) {}
  ~JackInputPort() override { Close(); }

  bool Open(const std::string& name, const std::string& source, std::string& error) {
    jack_status_t status{};
    client_ = jack_client_open(name.c_str(), JackNoStartServer, &status);
    if (client_ == nullptr) {
      error = "the JACK server does not answer";
      return false;
    }
    port_ = jack_port_register(client_, name.c_str(), JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
    if (port_ == nullptr || jack_set_process_callback(client_, &JackInputPort::Process, this) != 0 ||
        jack_activate(client_) != 0) {
      error = "JACK refused the MIDI input port " + name;
      return false;
    }
    if (!source.empty() && jack_connect(client_, source.c_str(), jack_port_name(port_)) != 0) {
      error.clear();  // the source is gone
      return false;
    }
    return true;
  }

  PortResult Start() override {
    if (client_ == nullptr) return result::kInvalidHandle;
    startMicros_.store(SteadyMicros(), std::memory_order_release);
    started_.store(true, std::memory_order_seq_cst);
    return result::kOk;
  }
  PortResult Reset() override {
    if (client_ == nullptr) return result::kInvalidHandle;
    started_.store(false, std::memory_order_seq_cst);
    while (busy_.load(std::memory_order_seq_cst) != 0) std::this_thread::yield();
    return result::kOk;
  }
  PortResult Close() override {
    if (client_ == nullptr) return result::kOk;
    started_.store(false, std::memory_order_seq_cst);
    // Closing waits for the process cycle to end: no callback runs after this.
    jack_client_close(client_);
    client_ = nullptr;
    port_ = nullptr;
    return result::kOk;
  }

 private:
  // JACK's process thread.
  static int Process(jack_nframes_t frames, void* user) {
    auto* self = static_cast<JackInputPort*>(user);
    self->busy_.fetch_add(1, std::memory_order_seq_cst);
    void* buffer = jack_port_get_buffer(self->port_, frames);
    const uint32_t count = buffer != nullptr ? jack_midi_get_event_count(buffer) : 0;
    const bool started = self->started_.load(std::memory_order_seq_cst);
    if (started) {
      self->timeMs_ =
          static_cast<uint32_t>((SteadyMicros() - self->startMicros_.load(std::memory_order_acquire)) / 1000);
    }
    for (uint32_t i = 0; i < count && started; ++i) {
      jack_midi_event_t event{};
      if (jack_midi_event_get(&event, buffer, i) == 0 && event.size > 0)
        self->parser_.Feed(event.buffer, event.size, *self);
    }
    self->busy_.fetch_sub(1, std::memory_order_seq_cst);
    return 0;
  }
  void Short(uint32_t packed) noexcept override { callback_.OnShortData(packed, timeMs_); }
  void Long(const uint8_t* bytes, size_t length) noexcept override {
    callback_.OnLongData(bytes, length, timeMs_);
  }

  InputCallback& callback_;
  jack_client_t* client_ = nullptr;
  jack_port_t* port_ = nullptr;
  MidiByteParser parser_;
  uint32_t timeMs_ = 0;
  std::atomic<bool> started_{false};
  std::atomic<int> busy_{0};
  std::atomic<int64_t> startMicros_{0};
};

}  // namespace

std::unique_ptr<InputPort> OpenJackInput(const std::string& name, const std::string& source,
                                         InputCallback& callback, std::string& error) {
  auto port = std::make_unique<JackInputPort>(callback);
  if (!port->Open(name, source, error)) return nullptr;
  return port;
}

}  // namespace kalo::midi
