#pragma once
// The table of settings keys: name, type, section, valid range and the Settings field each one
// fills, in the order the file is read and written. The order is part of the file format.

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "config/settings.h"

namespace kalo::config {

enum class KeyType { Integer, Boolean, String };

// The key of the synthesizer's soundfont, named in the messages about a missing soundfont.
inline constexpr const char* kSoundFontKey = "SoundFont";

struct SettingsKey {
  const char* Name;
  KeyType Type;
  const char* Section;  // "Options", except "options" for NVDef (the same section to INI readers)
  bool Device;          // a device key: not read in portable mode
  IntRange Range;       // integers only
  int Settings::*Int = nullptr;
  bool Settings::*Bool = nullptr;
  std::string Settings::*Text = nullptr;
};

// Every key, in file order: Reset, Portable, the five device keys, then the rest.
std::span<const SettingsKey> SettingsKeys();

// The key of that name (exact spelling), or nullptr.
const SettingsKey* FindSettingsKey(std::string_view name);

// The value of key in settings as stored in the file: decimal integer, 0/1, or the text.
std::string FormatSettingsValue(const Settings& settings, const SettingsKey& key);

// Stores text as key's value in settings. Integers are decimal with an optional sign, surrounded by
// optional blanks; a Boolean is any such number, true unless 0. Returns false, leaving settings unchanged,
// when the text is not a value of the key's type or lies outside the key's range.
bool ParseSettingsValue(Settings& settings, const SettingsKey& key, std::string_view text);

// A decimal integer as the profile readers take it (blanks around, optional sign), or nullopt.
std::optional<long long> ParseDecimal(std::string_view text);

}  // namespace kalo::config
