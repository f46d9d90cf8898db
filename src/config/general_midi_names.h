#pragma once
// The 128 General MIDI Level 1 instrument names, indexed by program number 0 to 127 (the instrument
// list when no list file is in use), and the General MIDI percussion names of channel 10.

#include <array>

namespace kalo::config {

extern const std::array<const char*, 128> kGeneralMidiNames;

// The percussion key map of channel 10: entry i names key kFirstDrumKey + i.
inline constexpr int kFirstDrumKey = 35;
extern const std::array<const char*, 47> kGeneralMidiDrumNames;

}  // namespace kalo::config
