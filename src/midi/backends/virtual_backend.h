#pragma once
// In-process MIDI ports for tests, benchmarks and offline rendering: the device list is what the test adds,
// every byte sent to an output is recorded with its time, input messages are injected as if the driver thread
// delivered them, and any device can be made to fail or to disappear.

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "host/time_source.h"
#include "midi/port_backend.h"

namespace kalo::midi {

// Driver operations a test can make fail.
enum class VirtualOp { Capabilities, Open, Start, Reset, Close, SendShort, SendLong, Volume };

struct VirtualSent {
  int64_t TimeMicros = 0;  // from the backend's TimeSource
  bool Long = false;       // sent as a long (system-exclusive) message
  std::vector<uint8_t> Bytes;
};

class VirtualBackend final : public PortBackend {
 public:
  explicit VirtualBackend(const host::TimeSource& clock, std::string name = "virtual");
  ~VirtualBackend() override;

  // ---- test control (the test's main thread) ----
  int AddInput(const std::string& name);   // returns the backend's index of the new input
  int AddOutput(const std::string& name);  // returns the backend's index of the new output
  // Makes Start report this reason (the backend then counts as not working).
  void SetStartFailure(const std::string& reason) { startFailure_ = reason; }
  // The next calls of op on that device return code (kOk clears it).
  void FailInput(int index, VirtualOp op, PortResult code);
  void FailOutput(int index, VirtualOp op, PortResult code);
  // The device is unplugged: it stays listed, but every call on it, and on its open port, fails with
  // result::kNoDevice and injected input is no longer delivered.
  void UnplugInput(int index);
  void UnplugOutput(int index);
  // When on, long messages are reported sent only by CompleteLongMessages (or by closing the port).
  void SetDeferLongCompletion(bool defer) { deferLong_ = defer; }
  // Reports the oldest `atMost` deferred long messages of each open output sent, as a slow device
  // reports them one after another.
  void CompleteLongMessages(size_t atMost = SIZE_MAX);

  // ---- the driver side; any one thread at a time per input ----
  // Delivers to the input's callback when the port is open and started. False when not delivered.
  bool InjectShort(int input, uint32_t packed);
  bool InjectSysex(int input, const uint8_t* bytes, size_t length);

  // ---- what was sent ----
  std::vector<VirtualSent> Sent(int output) const;
  // What was sent to the output since the last take (or clear), and forgets it.
  std::vector<VirtualSent> TakeSent(int output);
  // The bytes of every message sent to the output in order, or of the long ones only.
  std::vector<std::vector<uint8_t>> SentBytes(int output, bool longOnly = false) const;
  void ClearSent();
  uint32_t Volume(int output) const;
  bool InputOpen(int input) const;
  bool OutputOpen(int output) const;

  // ---- PortBackend ----
  std::string Name() const override { return name_; }
  std::string Start() override { return startFailure_; }
  int InputCount() override;
  PortResult GetInputCapabilities(int index, InputCapabilities& caps) override;
  PortResult OpenInput(int index, InputCallback& callback, std::unique_ptr<InputPort>& port) override;
  int OutputCount() override;
  PortResult GetOutputCapabilities(int index, OutputCapabilities& caps) override;
  PortResult OpenOutput(int index, OutputCallback& callback, std::unique_ptr<OutputPort>& port) override;
  PortResult SetOutputVolume(int index, uint32_t volume) override;

  struct InputDevice;
  struct OutputDevice;

 private:
  class VirtualInputPort;
  class VirtualOutputPort;
  friend class VirtualInputPort;
  friend class VirtualOutputPort;

  const host::TimeSource& clock_;
  std::string name_;
  std::string startFailure_;
  bool deferLong_ = false;
  std::vector<std::unique_ptr<InputDevice>> inputs_;
  std::vector<std::unique_ptr<OutputDevice>> outputs_;
};

}  // namespace kalo::midi
