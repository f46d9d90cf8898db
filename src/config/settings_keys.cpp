#include "config/settings_keys.h"

#include <array>
#include <charconv>
#include <climits>
#include <cstring>

namespace kalo::config {

namespace {

constexpr const char* kOptions = "Options";
constexpr IntRange kAnyInt{INT_MIN, INT_MAX};
constexpr IntRange kNoRange{0, 0};
// Device list positions: -2/-1 name "no selection" entries; large values reach the device layer,
// which reports a position beyond its list.
constexpr IntRange kDevice{-2, 32767};
constexpr IntRange kPitchClass{0, 11};
constexpr IntRange kOctave{0, 9};
constexpr IntRange kListIndex{0, 32767};
constexpr IntRange kTempo{25, 250};
constexpr IntRange kMidiValue{0, 127};

constexpr SettingsKey Int(const char* name, int Settings::*field, IntRange range, bool device = false) {
  return SettingsKey{name, KeyType::Integer, kOptions, device, range, field, nullptr, nullptr};
}
constexpr SettingsKey Bool(const char* name, bool Settings::*field, const char* section = kOptions) {
  return SettingsKey{name, KeyType::Boolean, section, false, kNoRange, nullptr, field, nullptr};
}
constexpr SettingsKey Text(const char* name, std::string Settings::*field) {
  return SettingsKey{name, KeyType::String, kOptions, false, kNoRange, nullptr, nullptr, field};
}

using S = Settings;

const std::array kKeys = {
    Bool("Reset", &S::Reset),
    Bool("Portable", &S::Portable),
    Int("MIDI-OUT", &S::MidiOut, kDevice, true),
    Int("MIDI-IN", &S::MidiIn, kDevice, true),
    Int("MIDISUB-OUT", &S::MidiSubOut, kDevice, true),
    Int("MIDISUB-IN", &S::MidiSubIn, kDevice, true),
    Int("MCI-OUT", &S::MciOut, kDevice, true),
    Int("FillIn", &S::FillIn, kPitchClass),
    Int("Ending", &S::Ending, kPitchClass),
    Int("ToAdv", &S::ToAdv, kPitchClass),
    Int("ToBasic", &S::ToBasic, kPitchClass),
    Int("FirstKey", &S::FirstKey, kPitchClass),
    Int("LastKey", &S::LastKey, kPitchClass),
    Int("Oct_Fillin", &S::OctFillin, kOctave),
    Int("Oct_Ending", &S::OctEnding, kOctave),
    Int("Oct_ToAdv", &S::OctToAdv, kOctave),
    Int("Oct_ToBasic", &S::OctToBasic, kOctave),
    Int("Oct_FirstKey", &S::OctFirstKey, kOctave),
    Int("Oct_LastKey", &S::OctLastKey, kOctave),
    Int("Quantize", &S::Quantize, {0, kQuantizeCount - 1}),
    Int("Metrum", &S::Metrum, {0, kMetrumCount - 1}),
    Int("K_Layout", &S::KLayout, {0, 1}),
    Int("AccChannel", &S::AccChannel, {0, 16}),
    Bool("Redirect", &S::Redirect),
    Bool("K_Smart", &S::KSmart),
    Int("E_Keyb", &S::EKeyb, kListIndex),
    Text("P-Name", &S::PName),
    Text("Connection", &S::Connection),
    Bool("AutoConnect", &S::AutoConnect),
    Bool("Autoload", &S::Autoload),
    Int("PatchMode", &S::PatchMode, {0, 2}),
    Text("Patch", &S::Patch),
    Text("Dir", &S::Dir),
    Text("StyleDir", &S::StyleDir),
    Text("PartSetDir", &S::PartSetDir),
    Text("LastStyle1", &S::LastStyle1),
    Text("LastStyle2", &S::LastStyle2),
    Text("LastStyle3", &S::LastStyle3),
    Text("LastStyle4", &S::LastStyle4),
    Text("LastStyle5", &S::LastStyle5),
    Text("LastStyle6", &S::LastStyle6),
    Int("Tempo1", &S::Tempo1, kTempo),
    Int("Tempo2", &S::Tempo2, kTempo),
    Int("Tempo3", &S::Tempo3, kTempo),
    Int("Tempo4", &S::Tempo4, kTempo),
    Int("VolOffset", &S::VolOffset, kMidiValue),
    Bool("MuteHarmonic", &S::MuteHarmonic),
    Bool("PAD", &S::Pad),
    Int("PadItemIndex", &S::PadItemIndex, kListIndex),
    Bool("PlayIntro", &S::PlayIntro),
    Bool("PlayEnding", &S::PlayEnding),
    Int("VelOffset", &S::VelOffset, {-20, 20}),
    Bool("Buttons", &S::Buttons),
    Bool("TabSet", &S::TabSet),
    Bool("BackGrd", &S::BackGrd),
    Int("Color", &S::Color, kAnyInt),
    Text("Picture", &S::Picture),
    Bool("PicVis", &S::PicVis),
    Int("Sync", &S::Sync, {1, 10}),
    Int("SChange", &S::SChange, {0, 2}),
    Bool("ADLIB", &S::AdLib),
    Bool("2FingerChords", &S::TwoFingerChords),
    Bool("Adjust", &S::Adjust),
    Bool("NVDef", &S::NVDef, "options"),
    Bool("Reverb", &S::Reverb),
    Bool("RevDef", &S::RevDef),
    Int("RevV", &S::RevV, kMidiValue),
    Int("Rev10V", &S::Rev10V, kMidiValue),
    Text("ChordTypes", &S::ChordTypes),
    Bool("SCG", &S::SCG),
    Bool("MPU", &S::MPU),
    Text(kSoundFontKey, &S::SoundFont),
    Int("SynthDriver", &S::SynthDriver, {0, midi::kSynthDriverCount - 1}),
    Int("SynthLatency", &S::SynthLatency, {midi::kMinSynthLatencyMs, midi::kMaxSynthLatencyMs}),
};

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

std::span<const SettingsKey> SettingsKeys() { return kKeys; }

const SettingsKey* FindSettingsKey(std::string_view name) {
  for (const SettingsKey& key : kKeys) {
    if (name == key.Name) return &key;
  }
  return nullptr;
}

std::optional<long long> ParseDecimal(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty()) return std::nullopt;
  long long value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

std::string FormatSettingsValue(const Settings& settings, const SettingsKey& key) {
  switch (key.Type) {
    case KeyType::Integer:
      return std::to_string(settings.*key.Int);
    case KeyType::Boolean:
      return settings.*key.Bool ? "1" : "0";
    case KeyType::String:
      return settings.*key.Text;
  }
  return {};
}

bool ParseSettingsValue(Settings& settings, const SettingsKey& key, std::string_view text) {
  if (key.Type == KeyType::String) {
    // Control characters (other than tab) only come from a damaged file.
    for (char c : text) {
      if (static_cast<unsigned char>(c) < 0x20 && c != '\t') return false;
    }
    settings.*key.Text = std::string(text);
    return true;
  }
  std::optional<long long> value = ParseDecimal(text);
  if (!value) return false;
  if (key.Type == KeyType::Boolean) {
    settings.*key.Bool = *value != 0;  // as the profile functions' readers took it
    return true;
  }
  if (*value < key.Range.Min || *value > key.Range.Max) return false;
  settings.*key.Int = static_cast<int>(*value);
  return true;
}

}  // namespace kalo::config
