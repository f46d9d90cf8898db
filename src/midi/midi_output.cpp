#include "midi/midi_output.h"

#include <cstring>

#include "midi/midi_errors.h"
#include "midi/notice_relay.h"
#include "midi/sysex_buffer.h"

namespace kalo::midi {

// Turns the port's completion reports (any thread) into notices for the main thread.
class TMidiOutput::Callback final : public OutputCallback {
 public:
  explicit Callback(NoticeRelay& relay) : relay_(relay) {}
  void OnLongDone(uintptr_t cookie) noexcept override {
    Pending.fetch_sub(1, std::memory_order_acq_rel);
    // With the notice queue full the buffer stays with the output until it is destroyed.
    relay_.Post(kLongDoneNotice, cookie);
  }
  std::atomic<size_t> Pending{0};

 private:
  NoticeRelay& relay_;
};

TMidiOutput::TMidiOutput(MidiSystem& system) : system_(system) {
  deviceCount_ = system_.Devices().OutputCount();
  relay_ = std::make_unique<NoticeRelay>(
      system_.Loop(), [this](uint32_t message, uintptr_t param) { OnNotice(message, param); });
  callback_ = std::make_unique<Callback>(*relay_);
}

TMidiOutput::~TMidiOutput() {
  try {
    Close();
  } catch (const EmidioutputError&) {
  }
  port_.reset();
}

void TMidiOutput::Raise(PortResult code, PortBackend* backend) {
  throw EmidioutputError(system_.Devices().ErrorText(code, backend));
}

void TMidiOutput::SetDeviceID(int32_t deviceId) {
  if (IsOpen()) throw EmidioutputError("Change to DeviceID while device was open");
  deviceCount_ = system_.Devices().OutputCount();
  if (deviceId < kDefaultOutput || deviceId >= deviceCount_) throw EmidioutputError("Invalid device ID");
  OutputCapabilities caps;
  error_ = system_.Devices().GetOutputCapabilities(deviceId, caps);
  if (error_ != result::kOk) {
    DeviceRef ref;
    Raise(error_, system_.Devices().FindOutput(deviceId, ref) ? ref.Backend : nullptr);
  }
  deviceId_ = deviceId;
  caps_ = caps;
  productName_ = caps.ProductName;
}

void TMidiOutput::SetProductName(const std::string& name) {
  if (IsOpen()) throw EmidioutputError("Change to ProductName while device was open");
  deviceCount_ = system_.Devices().OutputCount();
  for (int id = kDefaultOutput; id < deviceCount_; ++id) {
    OutputCapabilities caps;
    error_ = system_.Devices().GetOutputCapabilities(id, caps);
    if (error_ != result::kOk) {
      DeviceRef ref;
      Raise(error_, system_.Devices().FindOutput(id, ref) ? ref.Backend : nullptr);
    }
    if (caps.ProductName == name) {
      SetDeviceID(id);
      return;
    }
  }
  throw EmidioutputError("MIDI output Device " + name + " not installed");
}

bool TMidiOutput::Open() {
  if (IsOpen()) return true;
  DeviceRef ref;
  if (!system_.Devices().FindOutput(deviceId_, ref)) {
    error_ = result::kBadDeviceId;
    Raise(error_, nullptr);
  }
  std::unique_ptr<OutputPort> port;
  error_ = ref.Backend->OpenOutput(ref.Index, *callback_, port);
  if (error_ != result::kOk || port == nullptr) {
    if (error_ == result::kOk) error_ = result::kError;
    Raise(error_, ref.Backend);
  }
  port_ = std::move(port);
  backend_ = ref.Backend;
  state_ = DeviceState::Open;
  return true;
}

bool TMidiOutput::Close() {
  if (!IsOpen()) {
    state_ = DeviceState::Closed;
    return false;
  }
  const PortResult code = port_->Close();
  port_.reset();
  state_ = DeviceState::Closed;
  error_ = code;
  if (code != result::kOk) Raise(code, backend_);
  return true;
}

void TMidiOutput::PutMidiEvent(const TMyMidiEvent& event) {
  if (!IsOpen()) throw EmidioutputError("MIDI Output device not open");
  if (event.Status == kSysexStatus) {
    // An empty system-exclusive event carries nothing to send; a lone F0 would leave receivers
    // waiting for the end of a message that never comes.
    if (event.Sysex != nullptr && event.SysexLength > 0) PutLong(event.Sysex.get(), event.SysexLength);
    return;
  }
  PutShort(event.Status, event.Data1, event.Data2);
}

void TMidiOutput::PutShort(uint8_t status, uint8_t data1, uint8_t data2) {
  if (port_ == nullptr) {
    error_ = result::kInvalidHandle;
    return;
  }
  error_ = port_->SendShort(ShortMessage{status, data1, data2}.Packed());
}

void TMidiOutput::PutShortMessage(uint32_t packed) {
  if (port_ == nullptr) return;
  error_ = port_->SendShort(packed);
}

void TMidiOutput::PutLong(const uint8_t* bytes, size_t length) {
  if (port_ == nullptr) {
    error_ = result::kInvalidHandle;
    Raise(error_, nullptr);
  }
  if (length == 0 || bytes == nullptr) return;
  auto buffer = std::make_unique<TMyMidiHdr>(length);
  std::memcpy(buffer->Data(), bytes, length);
  buffer->BytesRecorded = length;
  TMyMidiHdr* sent = buffer.get();
  inFlight_.push_back(std::move(buffer));  // freed when the port reports it sent
  callback_->Pending.fetch_add(1, std::memory_order_acq_rel);
  error_ = port_->SendLong(sent->Data(), length, reinterpret_cast<uintptr_t>(sent));
  if (error_ != result::kOk) {
    callback_->Pending.fetch_sub(1, std::memory_order_acq_rel);
    inFlight_.pop_back();
    Raise(error_, backend_);
  }
}

void TMidiOutput::SetVolume(uint16_t a, uint16_t b) {
  DeviceRef ref;
  if (!system_.Devices().FindOutput(deviceId_, ref)) {
    error_ = result::kBadDeviceId;
    Raise(error_, nullptr);
  }
  error_ = ref.Backend->SetOutputVolume(ref.Index, (uint32_t{a} << 16) | b);
  if (error_ != result::kOk) Raise(error_, ref.Backend);
}

size_t TMidiOutput::PendingLongMessages() const { return callback_->Pending.load(std::memory_order_acquire); }

void TMidiOutput::OnNotice(uint32_t message, uintptr_t param) {
  if (message != kLongDoneNotice) return;
  const auto* done = reinterpret_cast<const TMyMidiHdr*>(param);
  std::erase_if(inFlight_,
                [done](const std::unique_ptr<TMyMidiHdr>& buffer) { return buffer.get() == done; });
  if (Onmidioutput) {
    auto handler = Onmidioutput;  // the handler may clear Onmidioutput
    handler(*this);
  }
}

}  // namespace kalo::midi
