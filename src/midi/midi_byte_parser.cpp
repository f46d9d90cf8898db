#include "midi/midi_byte_parser.h"

#include "midi/midi_status.h"
#include "midi/port_backend.h"

namespace kalo::midi {

void MidiByteParser::Feed(const uint8_t* bytes, size_t length, Sink& sink) noexcept {
  for (size_t i = 0; i < length; ++i) Byte(bytes[i], sink);
  // A short message cut off by the end of its event is dropped; its status does not run on.
  if (have_ > 0) running_ = 0;
  have_ = 0;
}

void MidiByteParser::Byte(uint8_t byte, Sink& sink) noexcept {
  if (byte >= kMidiClock) {  // realtime: never part of another message
    sink.Short(byte);
    return;
  }
  if (byte == kSysexStatus) {
    inSysex_ = true;
    sysex_[0] = byte;
    sysexLength_ = 1;
    running_ = 0;
    have_ = 0;
    return;
  }
  if (inSysex_) {
    if (byte < 0x80 || byte == kSysexEnd) {
      sysex_[sysexLength_++] = byte;
      if (byte == kSysexEnd) {
        sink.Long(sysex_.data(), sysexLength_);
        inSysex_ = false;
        sysexLength_ = 0;
      } else if (sysexLength_ == sysex_.size()) {
        sink.Long(sysex_.data(), sysexLength_);
        sysexLength_ = 0;
      }
      return;
    }
    // Any other status ends the message that never got its F7: it is dropped, the status is read.
    inSysex_ = false;
    sysexLength_ = 0;
  }
  if (byte >= 0x80) {
    have_ = 0;
    running_ = byte == kSysexEnd ? 0 : byte;  // a stray F7 ends nothing and starts nothing
    if (running_ != 0 && ShortMessageLength(running_) == 1) {
      sink.Short(running_);
      running_ = 0;
    }
    return;
  }
  if (running_ == 0) return;  // a data byte without a status
  data_[have_++] = byte;
  if (have_ + 1 < ShortMessageLength(running_)) return;
  sink.Short(running_ | uint32_t{data_[0]} << 8 | (have_ > 1 ? uint32_t{data_[1]} << 16 : 0));
  have_ = 0;
  // Only channel messages run on; system common messages need their status each time.
  if (running_ >= kSysexStatus) running_ = 0;
}

}  // namespace kalo::midi
