#pragma once
// The program's MIDI input on a JACK server: a JACK client with one MIDI input port whose process
// callback reads each event and hands whole messages (MidiByteParser) to the input callback.

#include <memory>
#include <string>

#include "midi/port_backend.h"

namespace kalo::midi {

// Opens a client and an input port, both named `name`, and connects the JACK port `source` (its full
// name) to it; an empty source leaves the port for other programs to connect to. Null with `error`
// set (or empty when the source port is gone) when that fails.
std::unique_ptr<InputPort> OpenJackInput(const std::string& name, const std::string& source,
                                         InputCallback& callback, std::string& error);

}  // namespace kalo::midi
