#pragma once
// The texts that name a beat record's function in the chord editor and in song listings.

#include <cstdint>
#include <string>

#include "config/settings.h"

namespace kalo::song {

// The text of function `code` with `parameter`: "Fill In", "To Basic", "Ending", "To Ext." and
// "Intro" for the configured style-part keys, "Play All", "Solo C.5", "Mute M.", "Play M.",
// "Mute C.3", "Play C.3", "Mute All", "0 Up/Down", "2 Up", "3 Down", "LoopEnd", "Loop 3x",
// "Tempo 120", "STOP". Empty for code 0 and for values that name nothing (a key note that is no
// configured key, a parameter outside the range of its code: see ValidFunction).
std::string FunctionText(uint8_t code, uint8_t parameter, const config::ControlKeyNotes& keys);

}  // namespace kalo::song
