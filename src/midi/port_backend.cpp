#include "midi/port_backend.h"

namespace kalo::midi {

std::string StandardErrorText(PortResult code) {
  switch (code) {
    case result::kOk:
      return "The operation completed successfully";
    case result::kError:
      return "Unspecified error";
    case result::kBadDeviceId:
      return "The device identifier is out of range";
    case result::kAllocated:
      return "The device is already in use";
    case result::kInvalidHandle:
      return "The device is not open";
    case result::kNoDriver:
      return "No MIDI driver is available";
    case result::kNoMemory:
      return "The driver could not allocate memory";
    case result::kNotSupported:
      return "The device does not support this function";
    case result::kInvalidParam:
      return "An invalid parameter was passed to the driver";
    case result::kStillPlaying:
      return "A system-exclusive message is still being sent";
    case result::kNotReady:
      return "The device is busy; try again later";
    case result::kNoDevice:
      return "The MIDI device is no longer connected";
    default:
      return {};
  }
}

}  // namespace kalo::midi
