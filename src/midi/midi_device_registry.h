#pragma once
// One numbered input list and one numbered output list over every backend that works. The device
// numbers TMidiInput::DeviceID and TMidiOutput::DeviceID use are positions in these lists; output
// -1 is the default output (the first output device, whichever backend it belongs to).

#include <memory>
#include <string>
#include <vector>

#include "midi/port_backend.h"

namespace kalo::midi {

struct BackendStatus {
  std::string Name;
  bool Working = false;
  std::string Reason;  // why the backend cannot start; empty when it works
  std::string Detail;  // PortBackend::Detail of a working backend, as of the last start or refresh
};

// Where a device number leads.
struct DeviceRef {
  PortBackend* Backend = nullptr;
  int Index = 0;  // the backend's own device index
};

// Name of device -1.
inline constexpr const char* kDefaultOutputName = "Default MIDI Output";
inline constexpr int kDefaultOutput = -1;

// Main thread only.
class MidiDeviceRegistry {
 public:
  MidiDeviceRegistry() = default;
  MidiDeviceRegistry(const MidiDeviceRegistry&) = delete;
  MidiDeviceRegistry& operator=(const MidiDeviceRegistry&) = delete;
  ~MidiDeviceRegistry();

  // Starts the backend. A backend that works adds its devices after those already listed; one that
  // cannot start is kept with its reason (and is asked for nothing else).
  PortBackend& AddBackend(std::unique_ptr<PortBackend> backend);

  // Re-reads every working backend's lists. Device numbers may shift; open ports are unaffected.
  void Refresh();

  int InputCount() const { return static_cast<int>(inputs_.size()); }
  int OutputCount() const { return static_cast<int>(outputs_.size()); }

  // False when deviceId is not a listed input (or output; -1 is the default output and is false
  // only when there is no output at all).
  bool FindInput(int deviceId, DeviceRef& ref) const;
  bool FindOutput(int deviceId, DeviceRef& ref) const;

  // Capabilities of a listed device; kBadDeviceId for a number that is not listed. Output -1 reports
  // kDefaultOutputName even when no output exists.
  PortResult GetInputCapabilities(int deviceId, InputCapabilities& caps) const;
  PortResult GetOutputCapabilities(int deviceId, OutputCapabilities& caps) const;

  // The text for a code returned by backend (null: a shared code); kUnknownErrorText for a code
  // nobody knows.
  std::string ErrorText(PortResult code, PortBackend* backend) const;

  const std::vector<BackendStatus>& Backends() const { return status_; }

 private:
  void Rebuild();

  std::vector<std::unique_ptr<PortBackend>> backends_;
  std::vector<BackendStatus> status_;
  std::vector<DeviceRef> inputs_;
  std::vector<DeviceRef> outputs_;
};

}  // namespace kalo::midi
