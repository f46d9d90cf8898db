#include "midi/backends/virtual_backend.h"

#include <algorithm>
#include <array>
#include <thread>

namespace kalo::midi {

namespace {
constexpr size_t kOpCount = 8;
size_t OpIndex(VirtualOp op) { return static_cast<size_t>(op); }
}  // namespace

struct VirtualBackend::InputDevice {
  std::string Name;
  std::array<std::atomic<PortResult>, kOpCount> Failures{};
  std::atomic<bool> Unplugged{false};
  std::atomic<VirtualInputPort*> Port{nullptr};
  std::atomic<int> Busy{0};  // injections running now
};

struct VirtualBackend::OutputDevice {
  std::string Name;
  std::array<std::atomic<PortResult>, kOpCount> Failures{};
  std::atomic<bool> Unplugged{false};
  VirtualOutputPort* Port = nullptr;
  std::atomic<uint32_t> Volume{0xFFFFFFFF};
  mutable std::mutex SentMutex;
  std::vector<VirtualSent> Sent;
};

class VirtualBackend::VirtualInputPort final : public InputPort {
 public:
  VirtualInputPort(VirtualBackend& backend, InputDevice& device, InputCallback& callback)
      : backend_(backend), device_(device), callback_(callback) {
    device_.Port.store(this);
  }
  // Releases the device even when it failed or disappeared.
  ~VirtualInputPort() override {
    if (!closed_) Detach();
  }

  PortResult Start() override {
    if (PortResult r = Check(VirtualOp::Start)) return r;
    startMicros_.store(backend_.clock_.NowMicros());
    started_.store(true);
    return result::kOk;
  }
  PortResult Reset() override {
    if (PortResult r = Check(VirtualOp::Reset)) return r;
    started_.store(false);
    WaitIdle();
    return result::kOk;
  }
  PortResult Close() override {
    if (closed_) return result::kOk;
    if (PortResult r = Check(VirtualOp::Close)) return r;
    Detach();
    return result::kOk;
  }

  // Injection thread.
  bool DeliverShort(uint32_t packed) {
    if (!started_.load()) return false;
    callback_.OnShortData(packed, Now());
    return true;
  }
  bool DeliverLong(const uint8_t* bytes, size_t length) {
    if (!started_.load()) return false;
    callback_.OnLongData(bytes, length, Now());
    return true;
  }

 private:
  PortResult Check(VirtualOp op) const {
    if (closed_) return result::kInvalidHandle;
    if (device_.Unplugged.load()) return result::kNoDevice;
    return device_.Failures[OpIndex(op)].load();
  }
  uint32_t Now() const {
    return static_cast<uint32_t>((backend_.clock_.NowMicros() - startMicros_.load()) / 1000);
  }
  void WaitIdle() {
    while (device_.Busy.load() != 0) std::this_thread::yield();
  }
  void Detach() {
    closed_ = true;
    started_.store(false);
    device_.Port.store(nullptr);
    WaitIdle();
  }

  VirtualBackend& backend_;
  InputDevice& device_;
  InputCallback& callback_;
  std::atomic<bool> started_{false};
  std::atomic<int64_t> startMicros_{0};
  bool closed_ = false;

  friend class VirtualBackend;
};

class VirtualBackend::VirtualOutputPort final : public OutputPort {
 public:
  VirtualOutputPort(VirtualBackend& backend, OutputDevice& device, OutputCallback& callback)
      : backend_(backend), device_(device), callback_(callback) {
    device_.Port = this;
  }
  ~VirtualOutputPort() override {
    Complete();
    device_.Port = nullptr;
  }

  PortResult SendShort(uint32_t packed) override {
    if (PortResult r = Check(VirtualOp::SendShort)) return r;
    const uint8_t status = static_cast<uint8_t>(packed & 0xFF);
    std::vector<uint8_t> bytes{status};
    // A data byte in the status place is recorded with both data bytes, as it was packed.
    const size_t length = status < 0x80 ? 3 : ShortMessageLength(status);
    if (length >= 2) bytes.push_back(static_cast<uint8_t>((packed >> 8) & 0xFF));
    if (length >= 3) bytes.push_back(static_cast<uint8_t>((packed >> 16) & 0xFF));
    Record(false, std::move(bytes));
    return result::kOk;
  }
  PortResult SendLong(const uint8_t* bytes, size_t length, uintptr_t cookie) override {
    if (PortResult r = Check(VirtualOp::SendLong)) return r;
    Record(true, std::vector<uint8_t>(bytes, bytes + length));
    if (backend_.deferLong_) {
      pending_.push_back(cookie);
    } else {
      callback_.OnLongDone(cookie);
    }
    return result::kOk;
  }
  PortResult Close() override {
    if (closed_) return result::kOk;
    if (PortResult r = Check(VirtualOp::Close)) return r;
    Complete();
    closed_ = true;
    return result::kOk;
  }

  void Complete(size_t atMost = SIZE_MAX) {
    const auto end = pending_.begin() + static_cast<ptrdiff_t>(std::min(atMost, pending_.size()));
    const std::vector<uintptr_t> done(pending_.begin(), end);
    pending_.erase(pending_.begin(), end);
    for (uintptr_t cookie : done) callback_.OnLongDone(cookie);
  }

 private:
  PortResult Check(VirtualOp op) const {
    if (closed_) return result::kInvalidHandle;
    if (device_.Unplugged.load()) return result::kNoDevice;
    return device_.Failures[OpIndex(op)].load();
  }
  void Record(bool isLong, std::vector<uint8_t> bytes) {
    std::lock_guard lock(device_.SentMutex);
    device_.Sent.push_back(VirtualSent{backend_.clock_.NowMicros(), isLong, std::move(bytes)});
  }

  VirtualBackend& backend_;
  OutputDevice& device_;
  OutputCallback& callback_;
  std::vector<uintptr_t> pending_;
  bool closed_ = false;
};

VirtualBackend::VirtualBackend(const host::TimeSource& clock, std::string name)
    : clock_(clock), name_(std::move(name)) {}

VirtualBackend::~VirtualBackend() = default;

int VirtualBackend::AddInput(const std::string& name) {
  inputs_.push_back(std::make_unique<InputDevice>());
  inputs_.back()->Name = name;
  return static_cast<int>(inputs_.size()) - 1;
}

int VirtualBackend::AddOutput(const std::string& name) {
  outputs_.push_back(std::make_unique<OutputDevice>());
  outputs_.back()->Name = name;
  return static_cast<int>(outputs_.size()) - 1;
}

void VirtualBackend::FailInput(int index, VirtualOp op, PortResult code) {
  if (index >= 0 && index < InputCount()) inputs_[static_cast<size_t>(index)]->Failures[OpIndex(op)] = code;
}

void VirtualBackend::FailOutput(int index, VirtualOp op, PortResult code) {
  if (index >= 0 && index < OutputCount()) outputs_[static_cast<size_t>(index)]->Failures[OpIndex(op)] = code;
}

void VirtualBackend::UnplugInput(int index) {
  if (index >= 0 && index < InputCount()) inputs_[static_cast<size_t>(index)]->Unplugged = true;
}

void VirtualBackend::UnplugOutput(int index) {
  if (index >= 0 && index < OutputCount()) outputs_[static_cast<size_t>(index)]->Unplugged = true;
}

void VirtualBackend::CompleteLongMessages(size_t atMost) {
  for (auto& device : outputs_) {
    if (device->Port != nullptr) device->Port->Complete(atMost);
  }
}

bool VirtualBackend::InjectShort(int input, uint32_t packed) {
  if (input < 0 || input >= static_cast<int>(inputs_.size())) return false;
  InputDevice& device = *inputs_[static_cast<size_t>(input)];
  device.Busy.fetch_add(1);
  VirtualInputPort* port = device.Port.load();
  const bool delivered = port != nullptr && !device.Unplugged.load() && port->DeliverShort(packed);
  device.Busy.fetch_sub(1);
  return delivered;
}

bool VirtualBackend::InjectSysex(int input, const uint8_t* bytes, size_t length) {
  if (input < 0 || input >= static_cast<int>(inputs_.size())) return false;
  InputDevice& device = *inputs_[static_cast<size_t>(input)];
  device.Busy.fetch_add(1);
  VirtualInputPort* port = device.Port.load();
  const bool delivered = port != nullptr && !device.Unplugged.load() && port->DeliverLong(bytes, length);
  device.Busy.fetch_sub(1);
  return delivered;
}

std::vector<VirtualSent> VirtualBackend::Sent(int output) const {
  if (output < 0 || output >= static_cast<int>(outputs_.size())) return {};
  const OutputDevice& device = *outputs_[static_cast<size_t>(output)];
  std::lock_guard lock(device.SentMutex);
  return device.Sent;
}

std::vector<VirtualSent> VirtualBackend::TakeSent(int output) {
  if (output < 0 || output >= static_cast<int>(outputs_.size())) return {};
  OutputDevice& device = *outputs_[static_cast<size_t>(output)];
  std::vector<VirtualSent> taken;
  std::lock_guard lock(device.SentMutex);
  taken.swap(device.Sent);
  return taken;
}

std::vector<std::vector<uint8_t>> VirtualBackend::SentBytes(int output, bool longOnly) const {
  std::vector<std::vector<uint8_t>> all;
  for (const VirtualSent& sent : Sent(output))
    if (!longOnly || sent.Long) all.push_back(sent.Bytes);
  return all;
}

void VirtualBackend::ClearSent() {
  for (auto& device : outputs_) {
    std::lock_guard lock(device->SentMutex);
    device->Sent.clear();
  }
}

uint32_t VirtualBackend::Volume(int output) const {
  if (output < 0 || output >= static_cast<int>(outputs_.size())) return 0;
  return outputs_[static_cast<size_t>(output)]->Volume.load();
}

bool VirtualBackend::InputOpen(int input) const {
  return input >= 0 && input < static_cast<int>(inputs_.size()) &&
         inputs_[static_cast<size_t>(input)]->Port.load() != nullptr;
}

bool VirtualBackend::OutputOpen(int output) const {
  return output >= 0 && output < static_cast<int>(outputs_.size()) &&
         outputs_[static_cast<size_t>(output)]->Port != nullptr;
}

int VirtualBackend::InputCount() { return static_cast<int>(inputs_.size()); }
int VirtualBackend::OutputCount() { return static_cast<int>(outputs_.size()); }

PortResult VirtualBackend::GetInputCapabilities(int index, InputCapabilities& caps) {
  if (index < 0 || index >= InputCount()) return result::kBadDeviceId;
  InputDevice& device = *inputs_[static_cast<size_t>(index)];
  if (device.Unplugged) return result::kNoDevice;
  if (PortResult r = device.Failures[OpIndex(VirtualOp::Capabilities)]) return r;
  caps = InputCapabilities{};
  caps.ProductName = device.Name;
  caps.DriverVersion = 0x0100;
  return result::kOk;
}

PortResult VirtualBackend::OpenInput(int index, InputCallback& callback, std::unique_ptr<InputPort>& port) {
  if (index < 0 || index >= InputCount()) return result::kBadDeviceId;
  InputDevice& device = *inputs_[static_cast<size_t>(index)];
  if (device.Unplugged) return result::kNoDevice;
  if (PortResult r = device.Failures[OpIndex(VirtualOp::Open)]) return r;
  if (device.Port.load() != nullptr) return result::kAllocated;
  port = std::make_unique<VirtualInputPort>(*this, device, callback);
  return result::kOk;
}

PortResult VirtualBackend::GetOutputCapabilities(int index, OutputCapabilities& caps) {
  if (index < 0 || index >= OutputCount()) return result::kBadDeviceId;
  OutputDevice& device = *outputs_[static_cast<size_t>(index)];
  if (device.Unplugged) return result::kNoDevice;
  if (PortResult r = device.Failures[OpIndex(VirtualOp::Capabilities)]) return r;
  caps = OutputCapabilities{};
  caps.ProductName = device.Name;
  caps.DriverVersion = 0x0100;
  caps.Technology = 1;
  caps.ChannelMask = 0xFFFF;
  caps.Support = 1;
  return result::kOk;
}

PortResult VirtualBackend::OpenOutput(int index, OutputCallback& callback,
                                      std::unique_ptr<OutputPort>& port) {
  if (index < 0 || index >= OutputCount()) return result::kBadDeviceId;
  OutputDevice& device = *outputs_[static_cast<size_t>(index)];
  if (device.Unplugged) return result::kNoDevice;
  if (PortResult r = device.Failures[OpIndex(VirtualOp::Open)]) return r;
  if (device.Port != nullptr) return result::kAllocated;
  port = std::make_unique<VirtualOutputPort>(*this, device, callback);
  return result::kOk;
}

PortResult VirtualBackend::SetOutputVolume(int index, uint32_t volume) {
  if (index < 0 || index >= OutputCount()) return result::kBadDeviceId;
  OutputDevice& device = *outputs_[static_cast<size_t>(index)];
  if (device.Unplugged) return result::kNoDevice;
  if (PortResult r = device.Failures[OpIndex(VirtualOp::Volume)]) return r;
  device.Volume = volume;
  return result::kOk;
}

}  // namespace kalo::midi
