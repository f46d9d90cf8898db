#pragma once
// Whole MIDI messages out of the bytes a port delivers, one transport event at a time. A message
// whose data bytes are missing is dropped, never padded (a lone 0xC0 must not become a program
// change to piano). A status byte ends a system-exclusive message that lacks its 0xF7: the broken
// message is dropped and the new one is read, so the keyboard never goes deaf waiting for an end
// that does not come. Realtime bytes pass at once, also from inside a system-exclusive message.
//
// Runs on the driver thread: no allocation, no locks, no exceptions; the system-exclusive bytes are
// gathered in a fixed buffer and handed on in pieces when a message outgrows it.

#include <array>
#include <cstddef>
#include <cstdint>

namespace kalo::midi {

class MidiByteParser {
 public:
  // Where whole messages go. Both are called during Feed only.
  class Sink {
   public:
    virtual ~Sink() = default;
    // A short message packed as status | data1 << 8 | data2 << 16.
    virtual void Short(uint32_t packed) noexcept = 0;
    // System-exclusive bytes: the whole message F0 ... F7, or a piece of a long one (the first piece
    // starts with F0, the last ends with F7); valid during the call only.
    virtual void Long(const uint8_t* bytes, size_t length) noexcept = 0;
  };

  static constexpr size_t kSysexPiece = 4096;

  // One event of the transport. A short message must be whole within its event (running status
  // included); a system-exclusive message may go on in the next events.
  void Feed(const uint8_t* bytes, size_t length, Sink& sink) noexcept;

 private:
  void Byte(uint8_t byte, Sink& sink) noexcept;

  std::array<uint8_t, kSysexPiece> sysex_{};
  size_t sysexLength_ = 0;
  bool inSysex_ = false;
  uint8_t running_ = 0;  // the status that data bytes belong to; 0 = none
  std::array<uint8_t, 2> data_{};
  size_t have_ = 0;  // data bytes of the message under way
};

}  // namespace kalo::midi
