#include "midi/midi_device_registry.h"

#include "midi/midi_errors.h"

namespace kalo::midi {

MidiDeviceRegistry::~MidiDeviceRegistry() = default;

PortBackend& MidiDeviceRegistry::AddBackend(std::unique_ptr<PortBackend> backend) {
  BackendStatus status;
  status.Name = backend->Name();
  status.Reason = backend->Start();
  status.Working = status.Reason.empty();
  if (status.Working) status.Detail = backend->Detail();
  PortBackend& added = *backend;
  backends_.push_back(std::move(backend));
  status_.push_back(std::move(status));
  Rebuild();
  return added;
}

void MidiDeviceRegistry::Refresh() {
  for (size_t i = 0; i < backends_.size(); ++i) {
    if (!status_[i].Working) continue;
    backends_[i]->Refresh();
    status_[i].Detail = backends_[i]->Detail();
  }
  Rebuild();
}

void MidiDeviceRegistry::Rebuild() {
  inputs_.clear();
  outputs_.clear();
  for (size_t i = 0; i < backends_.size(); ++i) {
    if (!status_[i].Working) continue;
    PortBackend* backend = backends_[i].get();
    for (int k = 0, n = backend->InputCount(); k < n; ++k) inputs_.push_back(DeviceRef{backend, k});
    for (int k = 0, n = backend->OutputCount(); k < n; ++k) outputs_.push_back(DeviceRef{backend, k});
  }
}

bool MidiDeviceRegistry::FindInput(int deviceId, DeviceRef& ref) const {
  if (deviceId < 0 || deviceId >= InputCount()) return false;
  ref = inputs_[static_cast<size_t>(deviceId)];
  return true;
}

bool MidiDeviceRegistry::FindOutput(int deviceId, DeviceRef& ref) const {
  if (deviceId == kDefaultOutput) deviceId = 0;
  if (deviceId < 0 || deviceId >= OutputCount()) return false;
  ref = outputs_[static_cast<size_t>(deviceId)];
  return true;
}

PortResult MidiDeviceRegistry::GetInputCapabilities(int deviceId, InputCapabilities& caps) const {
  DeviceRef ref;
  if (!FindInput(deviceId, ref)) return result::kBadDeviceId;
  return ref.Backend->GetInputCapabilities(ref.Index, caps);
}

PortResult MidiDeviceRegistry::GetOutputCapabilities(int deviceId, OutputCapabilities& caps) const {
  if (deviceId == kDefaultOutput) {
    caps = OutputCapabilities{};
    caps.ProductName = kDefaultOutputName;
    caps.Technology = 1;
    caps.ChannelMask = 0xFFFF;
    return result::kOk;
  }
  DeviceRef ref;
  if (!FindOutput(deviceId, ref)) return result::kBadDeviceId;
  return ref.Backend->GetOutputCapabilities(ref.Index, caps);
}

std::string MidiDeviceRegistry::ErrorText(PortResult code, PortBackend* backend) const {
  std::string text = backend != nullptr ? backend->ErrorText(code) : StandardErrorText(code);
  return text.empty() ? std::string(kUnknownErrorText) : text;
}

}  // namespace kalo::midi
