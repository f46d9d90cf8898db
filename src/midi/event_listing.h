#pragma once
// The text listing of captured messages that `kalo render --events` writes: one line per message, in the
// order given, so that two renders can be compared line by line.

#include <span>
#include <string>

#include "midi/captured_message.h"

namespace kalo::midi {

// Appends one line, ending in '\n':
//   "<tick> <status> <data1> <data2>" in decimal for every message not starting with F0; a data byte the
//   message does not have (program change, channel pressure, a one-byte realtime message) prints as 0,
//   and bytes beyond the third are not shown. An empty message prints as status 0 ("<tick> 0 0 0"), which
//   no MIDI message has, so that a capture fault stays visible instead of vanishing.
//   "<tick> sysex f0 .. f7" for a system-exclusive message: every byte as two lowercase hex digits,
//   separated by blanks.
void AppendEventLine(std::string& out, const CapturedMessage& message);

// Every message, one line each.
std::string ListEvents(std::span<const CapturedMessage> messages);

}  // namespace kalo::midi
