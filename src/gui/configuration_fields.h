#pragma once
// The settings the configuration window shows, with their captions and pages: every key of the
// settings table that the player sets there. The device keys are the four device lists, "Patch" is
// the "Patches :" list, "Reset" and "Portable" belong to the main menu, and "Dir", "E_Keyb" and
// "MCI-OUT" are kept by the program itself.

#include <span>

namespace kalo::gui {

enum class ConfigurationPage { Midi, Keys, Play, Program };

// How a value is chosen. Choice lists store the index of the choice; an octave pair shows a pitch
// class and its octave choice in one row.
enum class FieldChoices {
  Plain,           // a check box, a number box in the key's range, or a text field
  PitchAndOctave,  // "C" .. "B" and "1" .. "10" (the second key)
  Quantize,        // "1/4" .. "6/8"
  Metrum,          // "6/4" .. "1/8"
  Layout,          // "German", "English (USA)"
  AccChannel,      // "All", "1" .. "16"
  Reaction,        // "smart (note on/off)", "static (note on)" (a Boolean key)
  PatchMode,       // "gm", "gs", "xg"
  PadInstrument,   // the entries of the pad instrument list
  Colour,          // a colour button; the system's colour codes show as "System"
};

struct ConfigurationField {
  const char* Key;
  const char* Caption;
  ConfigurationPage Page;
  FieldChoices Choices = FieldChoices::Plain;
  const char* SecondKey = nullptr;  // the octave key of PitchAndOctave
};

std::span<const ConfigurationField> ConfigurationFields();

// What the setting does, in a line for the field's tooltip (empty for an unknown key).
const char* ConfigurationHint(const char* key);

}  // namespace kalo::gui
