#pragma once
// The seam between the device classes (TMidiInput, TMidiOutput) and a MIDI transport (RtMidi over
// ALSA or JACK, the in-process virtual ports, the built-in synthesizer). Every call here is made
// on the main thread unless it says otherwise; results are codes, never exceptions.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "midi/midi_status.h"

namespace kalo::midi {

// Result of a driver call: 0 is success. Codes below kFirstBackendCode have one meaning for every
// backend (see StandardErrorText); a backend may use codes from kFirstBackendCode on for its own
// failures and explain them through PortBackend::ErrorText.
using PortResult = uint16_t;

namespace result {
inline constexpr PortResult kOk = 0;
inline constexpr PortResult kError = 1;          // unspecified failure
inline constexpr PortResult kBadDeviceId = 2;    // no such device
inline constexpr PortResult kAllocated = 4;      // device already in use
inline constexpr PortResult kInvalidHandle = 5;  // port closed or never opened
inline constexpr PortResult kNoDriver = 6;       // transport not available
inline constexpr PortResult kNoMemory = 7;
inline constexpr PortResult kNotSupported = 8;
inline constexpr PortResult kInvalidParam = 11;
inline constexpr PortResult kStillPlaying = 65;  // a long message is still being sent
inline constexpr PortResult kNotReady = 67;      // port busy
inline constexpr PortResult kNoDevice = 68;      // the device has disappeared
inline constexpr PortResult kFirstBackendCode = 1000;
}  // namespace result

// The text of a shared code, or empty when the code is not one of them.
std::string StandardErrorText(PortResult code);

// Bytes of a short message by its status byte: 1 to 3, or 0 for a byte that is not the status of a
// complete short message (a data byte, F0 and F7).
constexpr size_t ShortMessageLength(uint8_t status) {
  if (status < kNoteOff) return 0;
  switch (status & 0xF0) {
    case kProgramChange:
    case kChannelPressure:
      return 2;
    case kSysexStatus:
      if (status == kTimeCodeQuarterFrame || status == kSongSelect) return 2;
      if (status == kSongPosition) return 3;
      if (status == kSysexStatus || status == kSysexEnd) return 0;
      return 1;
    default:
      return 3;
  }
}

struct InputCapabilities {
  std::string ProductName;
  uint16_t DriverVersion = 0;
  uint16_t ManufacturerID = 0;
  uint16_t ProductID = 0;
};

struct OutputCapabilities {
  std::string ProductName;
  uint16_t DriverVersion = 0;
  uint8_t Technology = 0;  // 1 = MIDI port, 2 = synthesizer, 7 = software synthesizer
  uint16_t Voices = 0;
  uint16_t Notes = 0;
  uint16_t ChannelMask = 0;
  uint32_t Support = 0;  // bit 0: volume control
};

// Receives an open input's data. Called on the driver's thread, one call at a time per port, only
// between InputPort::Start and InputPort::Reset/Close. Implementations must not block, allocate,
// lock, log or throw. Time stamps are milliseconds since Start.
class InputCallback {
 public:
  virtual ~InputCallback() = default;
  // A short message (status in bits 0-7, data 1 in bits 8-15, data 2 in bits 16-23).
  virtual void OnShortData(uint32_t packed, uint32_t timeMs) noexcept = 0;
  // One whole system-exclusive message (F0 ... F7 as received); bytes are valid only during the call.
  virtual void OnLongData(const uint8_t* bytes, size_t length, uint32_t timeMs) noexcept = 0;
};

// Told when a long message has been sent and its bytes are no longer read. May be called on any
// thread, also inside OutputPort::SendLong; must not block, allocate, lock or throw.
class OutputCallback {
 public:
  virtual ~OutputCallback() = default;
  virtual void OnLongDone(uintptr_t cookie) noexcept = 0;
};

class InputPort {
 public:
  virtual ~InputPort() = default;  // closes the port if still open
  // Starts delivery to the callback; the time stamps count from here.
  virtual PortResult Start() = 0;
  // Stops delivery; when it returns the callback is not running and will not run again until Start.
  virtual PortResult Reset() = 0;
  // Closes the port; when it returns the callback will never run again.
  virtual PortResult Close() = 0;
};

class OutputPort {
 public:
  virtual ~OutputPort() = default;  // closes the port if still open
  virtual PortResult SendShort(uint32_t packed) = 0;
  // Sends bytes[0..length); they must stay valid until OnLongDone(cookie) is called, which happens
  // exactly once when the result is kOk and never otherwise.
  virtual PortResult SendLong(const uint8_t* bytes, size_t length, uintptr_t cookie) = 0;
  // Closes the port; long messages not yet reported are reported (sent or dropped) before it returns.
  virtual PortResult Close() = 0;
};

class PortBackend {
 public:
  virtual ~PortBackend() = default;

  // Short name shown in device listings ("alsa", "jack", "virtual").
  virtual std::string Name() const = 0;
  // Connects to the transport. Empty on success, else the reason this backend cannot work here.
  virtual std::string Start() = 0;
  // Re-reads the device lists (devices may have come or gone).
  virtual void Refresh() {}
  // What a working backend's devices play through, or why they are silent, for device listings;
  // empty when there is nothing to say.
  virtual std::string Detail() const { return {}; }

  virtual int InputCount() = 0;
  virtual PortResult GetInputCapabilities(int index, InputCapabilities& caps) = 0;
  virtual PortResult OpenInput(int index, InputCallback& callback, std::unique_ptr<InputPort>& port) = 0;

  virtual int OutputCount() = 0;
  virtual PortResult GetOutputCapabilities(int index, OutputCapabilities& caps) = 0;
  virtual PortResult OpenOutput(int index, OutputCallback& callback, std::unique_ptr<OutputPort>& port) = 0;
  // volume: left channel in the low 16 bits, right channel in the high 16 bits.
  virtual PortResult SetOutputVolume(int index, uint32_t volume) = 0;

  // The text of one of this backend's own codes; empty when the code is not its own.
  virtual std::string ErrorText(PortResult code) { return StandardErrorText(code); }
};

}  // namespace kalo::midi
