#include "midi/midi_input.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "midi/midi_errors.h"
#include "midi/midi_status.h"
#include "midi/notice_relay.h"

namespace kalo::midi {

// The driver-thread side of an input: filters, fills receive buffers, pushes into the ring and posts
// wake-ups. Reads only what Open set up before the port could deliver, and atomics.
class TMidiInput::Callback final : public InputCallback {
 public:
  explicit Callback(TMidiInput& input) : input_(input), switches_(input.system_.Switches()) {}

  // Main thread, while no port delivers.
  void Attach(CircularEventBuffer* ring, SysexReceivePool* pool) {
    ring_ = ring;
    pool_ = pool;
    spare_ = nullptr;
  }

  void OnShortData(uint32_t packed, uint32_t timeMs) noexcept override {
    const uint8_t status = static_cast<uint8_t>(packed & 0xFF);
    if (status == kMidiClock && !switches_.ClockPassThrough.load(std::memory_order_relaxed)) return;
    if (status == kActiveSensing && !switches_.ActiveSensingPass.load(std::memory_order_relaxed)) return;
    if (input_.sysexOnly_.load(std::memory_order_relaxed)) return;
    if (ring_ == nullptr) return;
    if (status >= kControlChange && status <= (kChannelPressure | 0x0F) &&
        switches_.ControllerFilter.load(std::memory_order_relaxed)) {
      const auto data1 = static_cast<uint8_t>((packed >> 8) & 0x7F);
      const auto data2 = static_cast<uint8_t>((packed >> 16) & 0x7F);
      if (!input_.system_.Controllers().Check(status, data1, data2, false)) return;
    }
    Push(RingItem{timeMs, packed & 0xFFFFFF, nullptr});
  }

  // A message longer than one receive buffer arrives as consecutive pieces, each its own event.
  void OnLongData(const uint8_t* bytes, size_t length, uint32_t timeMs) noexcept override {
    if (ring_ == nullptr) return;
    size_t offset = 0;
    do {
      TMyMidiHdr* buffer = TakeBuffer();
      if (buffer == nullptr) {  // every buffer waits for the main thread: the rest is lost
        Lost();
        return;
      }
      const size_t piece = std::min(length - offset, buffer->Size());
      if (piece > 0) std::memcpy(buffer->Data(), bytes + offset, piece);
      buffer->BytesRecorded = piece;
      offset += piece;
      if (!Push(RingItem{timeMs, 0, buffer})) {
        spare_ = buffer;  // keep it for the next message; only the main thread may return it to the pool
        return;
      }
    } while (offset < length);
  }

 private:
  TMyMidiHdr* TakeBuffer() noexcept {
    if (spare_ != nullptr) return std::exchange(spare_, nullptr);
    return pool_ != nullptr && pool_->BufferSize() > 0 ? pool_->Take() : nullptr;
  }

  bool Push(const RingItem& item) noexcept {
    if (!ring_->Put(item)) {
      Lost();
      return false;
    }
    // One wake-up in flight is enough: the handler drains everything the ring holds.
    if (!DataPosted.exchange(true, std::memory_order_acq_rel)) {
      if (!input_.relay_->Post(kDataNotice, 0)) DataPosted.store(false, std::memory_order_release);
    }
    return true;
  }

  void Lost() noexcept {
    input_.lost_.fetch_add(1, std::memory_order_relaxed);
    if (!OverflowPosted.exchange(true, std::memory_order_acq_rel)) {
      if (!input_.relay_->Post(kOverflowNotice, 0)) OverflowPosted.store(false, std::memory_order_release);
    }
  }

 public:
  std::atomic<bool> DataPosted{false};
  std::atomic<bool> OverflowPosted{false};

 private:
  TMidiInput& input_;
  InputSwitches& switches_;
  CircularEventBuffer* ring_ = nullptr;
  SysexReceivePool* pool_ = nullptr;
  TMyMidiHdr* spare_ = nullptr;  // driver thread only while the port delivers
};

TMidiInput::TMidiInput(MidiSystem& system) : system_(system) {
  state_ = DeviceState::Creating;
  deviceCount_ = system_.Devices().InputCount();
  relay_ = std::make_unique<NoticeRelay>(system_.Loop(),
                                         [this](uint32_t message, uintptr_t) { OnNotice(message); });
  SetDeviceID(0);
  state_ = DeviceState::Closed;
}

TMidiInput::~TMidiInput() {
  if (port_ != nullptr) {
    try {
      Close();
    } catch (const EMidiInputError&) {
    }
    port_.reset();  // closes the port if Close stopped half-way; no callback runs after this
  }
}

void TMidiInput::Raise(PortResult code, PortBackend* backend) {
  throw EMidiInputError(system_.Devices().ErrorText(code, backend));
}

void TMidiInput::ReadCapabilities(int deviceId) {
  InputCapabilities caps;
  error_ = system_.Devices().GetInputCapabilities(deviceId, caps);
  if (error_ != result::kOk) {
    DeviceRef ref;
    Raise(error_, system_.Devices().FindInput(deviceId, ref) ? ref.Backend : nullptr);
  }
  deviceId_ = static_cast<uint16_t>(deviceId);
  productName_ = caps.ProductName;
  driverVersion_ = caps.DriverVersion;
  manufacturerId_ = caps.ManufacturerID;
  productId_ = caps.ProductID;
}

void TMidiInput::SetDeviceID(uint16_t deviceId) {
  if (IsOpen()) throw EMidiInputError("Change to DeviceID while device was open");
  deviceCount_ = system_.Devices().InputCount();
  if (deviceId >= deviceCount_) throw EMidiInputError("Invalid device ID");
  ReadCapabilities(deviceId);
}

void TMidiInput::SetProductName(const std::string& name) {
  if (IsOpen()) throw EMidiInputError("Change to ProductName while device was open");
  deviceCount_ = system_.Devices().InputCount();
  for (int id = 0; id < deviceCount_; ++id) {
    InputCapabilities caps;
    error_ = system_.Devices().GetInputCapabilities(id, caps);
    if (error_ != result::kOk) {
      DeviceRef ref;
      Raise(error_, system_.Devices().FindInput(id, ref) ? ref.Backend : nullptr);
    }
    if (caps.ProductName == name) {
      SetDeviceID(static_cast<uint16_t>(id));
      return;
    }
  }
  throw EMidiInputError("MIDI Input Device " + name + " not installed ");
}

void TMidiInput::SetSysexBufferSize(uint16_t size) {
  if (IsOpen()) throw EMidiInputError("Change to SysexBufferSize while device was open");
  sysexBufferSize_ = size;
}

void TMidiInput::SetSysexBufferCount(uint16_t count) {
  if (IsOpen()) throw EMidiInputError("Change to SysexBuffercount while device was open");
  sysexBufferCount_ = count;
}

void TMidiInput::Open() {
  if (IsOpen()) return;
  port_.reset();  // a port left by a Close that failed half-way
  DeviceRef ref;
  if (!system_.Devices().FindInput(deviceId_, ref)) {
    error_ = result::kBadDeviceId;
    Raise(error_, nullptr);
  }
  // Always a fresh ring: one left by a Close that failed half-way may hold items whose receive
  // buffers belong to the old pool.
  ring_ = std::make_unique<CircularEventBuffer>(capacity_);
  if (callback_ == nullptr) callback_ = std::make_unique<Callback>(*this);
  pool_.reset();
  if (sysexBufferCount_ > 0 && sysexBufferSize_ > 0) {
    pool_ = std::make_unique<SysexReceivePool>(sysexBufferCount_, sysexBufferSize_);
  }
  callback_->Attach(ring_.get(), pool_.get());
  callback_->DataPosted.store(false);
  callback_->OverflowPosted.store(false);
  lost_.store(0, std::memory_order_relaxed);

  std::unique_ptr<InputPort> port;
  error_ = ref.Backend->OpenInput(ref.Index, *callback_, port);
  if (error_ != result::kOk || port == nullptr) {
    if (error_ == result::kOk) error_ = result::kError;
    callback_->Attach(nullptr, nullptr);
    pool_.reset();
    ring_.reset();
    Raise(error_, ref.Backend);
  }
  port_ = std::move(port);
  backend_ = ref.Backend;
  state_ = DeviceState::Open;
}

void TMidiInput::Start() {
  if (!IsOpen()) return;
  error_ = port_->Start();
  if (error_ != result::kOk) Raise(error_, backend_);
}

void TMidiInput::Close() {
  if (!IsOpen()) return;
  state_ = DeviceState::Closed;
  error_ = port_->Reset();
  if (error_ != result::kOk) Raise(error_, backend_);
  error_ = port_->Close();
  if (error_ != result::kOk) Raise(error_, backend_);
  port_.reset();
  // The port delivers nothing any more: the ring and the buffers can go.
  callback_->Attach(nullptr, nullptr);
  pool_.reset();
  ring_.reset();
}

uint16_t TMidiInput::MessageCount() const {
  if (!IsOpen() || ring_ == nullptr) return 0;
  return ring_->Count();
}

std::unique_ptr<TMyMidiEvent> TMidiInput::GetMidiEvent() {
  if (!IsOpen() || ring_ == nullptr) return nullptr;
  RingItem item;
  if (!ring_->Read(item)) return nullptr;
  auto event = std::make_unique<TMyMidiEvent>();
  event->Time = item.Time;
  if (item.Header != nullptr) {
    event->Status = kSysexStatus;
    const size_t length = std::min<size_t>(item.Header->BytesRecorded, 0xFFFF);
    event->SysexLength = static_cast<uint16_t>(length);
    if (length > 0) {
      event->Sysex = std::make_unique<uint8_t[]>(length);
      std::memcpy(event->Sysex.get(), item.Header->Data(), length);
    }
    pool_->GiveBack(item.Header);
  } else {
    const ShortMessage message = ShortMessage::FromPacked(item.Packed);
    event->Status = message.Status;
    event->Data1 = message.Data1;
    event->Data2 = message.Data2;
  }
  ring_->Remove();
  return event;
}

void TMidiInput::OnNotice(uint32_t message) {
  if (message == kDataNotice) {
    // Cleared before the handler drains, so an event pushed meanwhile posts a fresh wake-up.
    if (callback_ != nullptr) callback_->DataPosted.store(false, std::memory_order_release);
    if (OnMidiInput && IsOpen() && MessageCount() > 0) {
      auto handler = OnMidiInput;  // the handler may reassign OnMidiInput
      handler(*this);
    }
  } else if (message == kOverflowNotice) {
    if (callback_ != nullptr) callback_->OverflowPosted.store(false, std::memory_order_release);
    if (OnOverflow && IsOpen()) {
      auto handler = OnOverflow;
      handler(*this);
    }
  }
}

}  // namespace kalo::midi
