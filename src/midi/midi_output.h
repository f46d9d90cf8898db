#pragma once
// A MIDI output device. Main thread only. Short sends record their result in Error; every other
// failure throws EmidioutputError with the driver's text.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "midi/midi_event.h"
#include "midi/midi_input.h"
#include "midi/midi_system.h"
#include "midi/port_backend.h"
#include "midi/sysex_buffer.h"

namespace kalo::midi {

class TMidiOutput {
 public:
  // Notice number of a finished system-exclusive message.
  static constexpr uint32_t kLongDoneNotice = 0x3C9;

  // Closed, DeviceID 0; the capabilities are not read yet.
  explicit TMidiOutput(MidiSystem& system);
  ~TMidiOutput();
  TMidiOutput(const TMidiOutput&) = delete;
  TMidiOutput& operator=(const TMidiOutput&) = delete;

  const std::string& ProductName() const { return productName_; }
  // Selects the first of -1, 0, 1, ... with exactly this name; only while closed.
  void SetProductName(const std::string& name);
  int32_t DeviceID() const { return deviceId_; }
  // -1 (the default output) or a listed output; only while closed. -1 is accepted with no device.
  void SetDeviceID(int32_t deviceId);

  // Called on the main thread after a system-exclusive message has been sent and its buffer freed.
  std::function<void(TMidiOutput&)> Onmidioutput;

  uint16_t Error() const { return error_; }
  DeviceState State() const { return state_; }
  bool IsOpen() const { return state_ == DeviceState::Open; }
  int DeviceCount() const { return deviceCount_; }
  const OutputCapabilities& Capabilities() const { return caps_; }

  // True on success; throws on failure.
  bool Open();
  // True when a close succeeded; always leaves the output closed.
  bool Close();

  void PutMidiEvent(const TMyMidiEvent& event);
  void PutShort(uint8_t status, uint8_t data1, uint8_t data2);
  void PutShort(ShortMessage message) { PutShort(message.Status, message.Data1, message.Data2); }
  void PutShortMessage(uint32_t packed);
  // Copies the bytes; the copy lives until the device reports it sent.
  void PutLong(const uint8_t* bytes, size_t length);
  // left in the low 16 bits of the device volume, right in the high 16 bits: a << 16 | b.
  void SetVolume(uint16_t a, uint16_t b);

  // System-exclusive messages handed to the device and not yet reported sent.
  size_t PendingLongMessages() const;

 private:
  class Callback;
  friend class Callback;
  void OnNotice(uint32_t message, uintptr_t param);
  [[noreturn]] void Raise(PortResult code, PortBackend* backend);

  MidiSystem& system_;
  std::string productName_;
  int32_t deviceId_ = 0;
  uint16_t error_ = 0;
  DeviceState state_ = DeviceState::Closed;
  int deviceCount_ = 0;
  OutputCapabilities caps_;

  PortBackend* backend_ = nullptr;  // of the open port
  // Declared before the port, so destroyed after it: no callback posts any more by then.
  std::unique_ptr<NoticeRelay> relay_;
  std::unique_ptr<OutputPort> port_;
  std::unique_ptr<Callback> callback_;
  // System-exclusive messages handed to the port, until it reports them sent.
  std::vector<std::unique_ptr<TMyMidiHdr>> inFlight_;
};

}  // namespace kalo::midi
