#pragma once
// A MIDI input device. Received events wait in a ring filled on the driver thread; OnMidiInput is
// called on the main thread when events are waiting, and the handler takes them with GetMidiEvent
// until MessageCount is 0. All methods are main thread only. Failures throw EMidiInputError.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "midi/circular_event_buffer.h"
#include "midi/midi_event.h"
#include "midi/midi_system.h"
#include "midi/port_backend.h"
#include "midi/sysex_buffer.h"

namespace kalo::midi {

enum class DeviceState { Creating, Closed, Open };

class NoticeRelay;

class TMidiInput {
 public:
  // Notice numbers the input posts to itself.
  static constexpr uint32_t kDataNotice = 0x3C3;
  static constexpr uint32_t kOverflowNotice = 0x400;

  // Selects device 0; throws EMidiInputError("Invalid device ID") when there is no input device.
  explicit TMidiInput(MidiSystem& system);
  ~TMidiInput();
  TMidiInput(const TMidiInput&) = delete;
  TMidiInput& operator=(const TMidiInput&) = delete;

  const std::string& ProductName() const { return productName_; }
  // Selects the first device with exactly this name; only while closed.
  void SetProductName(const std::string& name);
  uint16_t DeviceID() const { return deviceId_; }
  // Only while closed; reads the device's capabilities.
  void SetDeviceID(uint16_t deviceId);
  uint16_t Capacity() const { return capacity_; }
  // Takes effect at the next Open.
  void SetCapacity(uint16_t capacity) { capacity_ = capacity; }
  uint16_t Error() const { return error_; }
  uint16_t SysexBufferSize() const { return sysexBufferSize_; }
  void SetSysexBufferSize(uint16_t size);
  uint16_t SysexBufferCount() const { return sysexBufferCount_; }
  void SetSysexBufferCount(uint16_t count);
  bool SysexOnly() const { return sysexOnly_.load(std::memory_order_relaxed); }
  // Takes effect at once, also while open.
  void SetSysexOnly(bool sysexOnly) { sysexOnly_.store(sysexOnly, std::memory_order_relaxed); }

  // Called on the main thread with this input. OnMidiInput: events are waiting (one call may find
  // the ring already drained). Wake-ups are merged while one is pending, so the handler must take
  // every waiting event (loop until MessageCount is 0): events left behind wait for the next one.
  // OnOverflow: the ring was full, or no receive buffer was free, and an event was lost.
  std::function<void(TMidiInput&)> OnMidiInput;
  std::function<void(TMidiInput&)> OnOverflow;

  DeviceState State() const { return state_; }
  bool IsOpen() const { return state_ == DeviceState::Open; }
  int DeviceCount() const { return deviceCount_; }
  uint16_t DriverVersion() const { return driverVersion_; }
  uint16_t ManufacturerID() const { return manufacturerId_; }
  uint16_t ProductID() const { return productId_; }

  // Opens the device and prepares the ring and the receive buffers; reception begins with Start.
  void Open();
  void Start();
  void Close();

  uint16_t MessageCount() const;
  // The oldest waiting event, or null when closed or empty. The caller owns the result.
  std::unique_ptr<TMyMidiEvent> GetMidiEvent();

  // Events lost since Open because the ring was full or no receive buffer was free.
  uint32_t LostEvents() const { return lost_.load(std::memory_order_relaxed); }

 private:
  class Callback;
  friend class Callback;
  void OnNotice(uint32_t message);
  [[noreturn]] void Raise(PortResult code, PortBackend* backend);
  void ReadCapabilities(int deviceId);

  MidiSystem& system_;
  std::string productName_;
  uint16_t deviceId_ = 0;
  uint16_t capacity_ = 1024;
  uint16_t error_ = 0;
  uint16_t sysexBufferSize_ = 4096;
  uint16_t sysexBufferCount_ = 16;
  std::atomic<bool> sysexOnly_{false};
  DeviceState state_ = DeviceState::Creating;
  int deviceCount_ = 0;
  uint16_t driverVersion_ = 0;
  uint16_t manufacturerId_ = 0;
  uint16_t productId_ = 0;

  PortBackend* backend_ = nullptr;  // of the open port
  // Declared before the port, so destroyed after it: no callback posts any more by then.
  std::unique_ptr<NoticeRelay> relay_;
  std::unique_ptr<InputPort> port_;
  std::unique_ptr<CircularEventBuffer> ring_;
  std::unique_ptr<SysexReceivePool> pool_;
  std::unique_ptr<Callback> callback_;
  std::atomic<uint32_t> lost_{0};
};

}  // namespace kalo::midi
