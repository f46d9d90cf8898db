#pragma once
// The 128 General MIDI Level 1 instrument names, indexed by program number 0 to 127. Used as the
// instrument list when no list file is in use.

#include <array>

namespace kalo::config {

extern const std::array<const char*, 128> kGeneralMidiNames;

}  // namespace kalo::config
