#include "gui/configuration_fields.h"

#include <array>
#include <string_view>

namespace kalo::gui {

namespace {

using P = ConfigurationPage;
using C = FieldChoices;

constexpr std::array kFields = {
    ConfigurationField{"PatchMode", "Patch mode", P::Midi, C::PatchMode},
    ConfigurationField{"AccChannel", "Acc. Channel", P::Midi, C::AccChannel},
    ConfigurationField{"Redirect", "Origin", P::Midi},

    ConfigurationField{"FillIn", "Fill in Key", P::Keys, C::PitchAndOctave, "Oct_Fillin"},
    ConfigurationField{"Ending", "Ending Key", P::Keys, C::PitchAndOctave, "Oct_Ending"},
    ConfigurationField{"ToAdv", "To Ext. Key", P::Keys, C::PitchAndOctave, "Oct_ToAdv"},
    ConfigurationField{"ToBasic", "To Basic Key", P::Keys, C::PitchAndOctave, "Oct_ToBasic"},
    ConfigurationField{"FirstKey", "First Acc. Key", P::Keys, C::PitchAndOctave, "Oct_FirstKey"},
    ConfigurationField{"LastKey", "Last Acc. Key", P::Keys, C::PitchAndOctave, "Oct_LastKey"},
    ConfigurationField{"K_Smart", "Keyboard reaction", P::Keys, C::Reaction},
    ConfigurationField{"K_Layout", "Keyboard layout", P::Keys, C::Layout},
    ConfigurationField{"2FingerChords", "Two-Finger, Vol.", P::Keys},
    ConfigurationField{"ChordTypes", "Chordtypes (keys 1 .. 0)", P::Keys},
    ConfigurationField{"VelOffset", "Velocity offset", P::Keys},

    ConfigurationField{"Quantize", "Quantize", P::Play, C::Quantize},
    ConfigurationField{"Metrum", "Metrum", P::Play, C::Metrum},
    ConfigurationField{"Tempo1", "Tempo 1", P::Play},
    ConfigurationField{"Tempo2", "Tempo 2", P::Play},
    ConfigurationField{"Tempo3", "Tempo 3", P::Play},
    ConfigurationField{"Tempo4", "Tempo 4", P::Play},
    ConfigurationField{"Sync", "Sync.", P::Play},
    ConfigurationField{"SChange", "Style/chord changes : strong --> smart", P::Play},
    ConfigurationField{"VolOffset", "Volume", P::Play},
    ConfigurationField{"PlayIntro", "Intro ...", P::Play},
    ConfigurationField{"PlayEnding", "Play Ending", P::Play},
    ConfigurationField{"MuteHarmonic", "Mute PAD (Intro && Ending)", P::Play},
    ConfigurationField{"PAD", "Harmonic Pad", P::Play},
    ConfigurationField{"PadItemIndex", "Pad instrument", P::Play, C::PadInstrument},
    ConfigurationField{"ADLIB", "Melody Ad Lib", P::Play},
    ConfigurationField{"Adjust", "Adjust Octave", P::Play},
    ConfigurationField{"NVDef", "Normalize Volume", P::Play},
    ConfigurationField{"Reverb", "Reverb off", P::Play},
    ConfigurationField{"RevDef", "Reverb defined", P::Play},
    ConfigurationField{"RevV", "Reverb level", P::Play},
    ConfigurationField{"Rev10V", "Reverb level, channel 10", P::Play},

    ConfigurationField{"Buttons", "Speedbuttons", P::Program},
    ConfigurationField{"TabSet", "Tabset", P::Program},
    ConfigurationField{"BackGrd", "Background", P::Program},
    ConfigurationField{"Color", "Background colour", P::Program, C::Colour},
    ConfigurationField{"Picture", "Picture", P::Program},
    ConfigurationField{"PicVis", "Show picture", P::Program},
    ConfigurationField{"StyleDir", "Style folder", P::Program},
    ConfigurationField{"P-Name", "Prog. Name", P::Program},
    ConfigurationField{"Connection", "Connection", P::Program},
    ConfigurationField{"AutoConnect", " Start Program ...", P::Program},
    ConfigurationField{"SCG", "Guide me !", P::Program},
    ConfigurationField{"MPU", "Auto pop-up", P::Program},
    ConfigurationField{"Autoload", "Auto-save settings", P::Program},
};

struct Hint {
  const char* Key;
  const char* Text;
};

constexpr Hint kHints[] = {
    {"PatchMode", "The kind of instrument list in use: General MIDI, GS or XG"},
    {"AccChannel", "The MIDI channel the accompaniment keys come in on; \"All\" takes every channel"},
    {"Redirect", "Pass messages of the MIDI input on their own channels instead of the keyboard channel"},
    {"FillIn", "The key of the MIDI keyboard that plays a fill-in"},
    {"Oct_Fillin", "The octave of the fill-in key"},
    {"Ending", "The key of the MIDI keyboard that plays the ending"},
    {"Oct_Ending", "The octave of the ending key"},
    {"ToAdv", "The key of the MIDI keyboard that changes to the Extended part"},
    {"Oct_ToAdv", "The octave of the To-Extended key"},
    {"ToBasic", "The key of the MIDI keyboard that changes to the Basic part"},
    {"Oct_ToBasic", "The octave of the To-Basic key"},
    {"FirstKey", "The lowest key of the accompaniment section, where the left hand plays chords"},
    {"Oct_FirstKey", "The octave of the lowest accompaniment key"},
    {"LastKey", "The highest key of the accompaniment section"},
    {"Oct_LastKey", "The octave of the highest accompaniment key"},
    {"K_Smart", "Smart: a released key leaves the chord; static: keys add up until the chord is full"},
    {"K_Layout", "The layout of the computer keyboard, for the chord and melody keys"},
    {"2FingerChords", "Play chord types with two fingers: the root and a digit key"},
    {"ChordTypes", "Ten two-digit chord type numbers, one for each of the digit keys 1 to 9 and 0"},
    {"VelOffset", "Added to the velocity of every melody note (-20 to 20)"},
    {"Quantize", "How often the chord may change: every beat up to every six beats, in quarters or eighths"},
    {"Metrum", "The metre a new song is recorded in"},
    {"Tempo1", "The first tempo preset"},
    {"Tempo2", "The second tempo preset"},
    {"Tempo3", "The third tempo preset"},
    {"Tempo4", "The fourth tempo preset"},
    {"Sync", "The synchronisation value (1 to 10), kept in the settings"},
    {"SChange", "How sounding notes end at a chord change: 0 cuts them at once, 1 and 2 let them ring out"},
    {"VolOffset", "The main volume of the accompaniment (0 to 127)"},
    {"PlayIntro", "Begin the style with its Intro"},
    {"PlayEnding", "Stop with the style's Ending instead of fading out"},
    {"MuteHarmonic", "Keep the Harmonic Pad silent during Intro and Ending"},
    {"PAD", "Hold the chord on the pad instrument under the style"},
    {"PadItemIndex", "The instrument of the Harmonic Pad"},
    {"ADLIB", "Fill the melody's pauses with notes of the chord"},
    {"Adjust", "Keep chords of high roots in the octave of the accompaniment keys"},
    {"NVDef", "Bring the style's channels to one volume level"},
    {"Reverb", "Turn reverb off on every channel"},
    {"RevDef", "Use the reverb levels below instead of the style's own"},
    {"RevV", "The reverb level of every channel but channel 10"},
    {"Rev10V", "The reverb level of channel 10 (drums)"},
    {"Buttons", "Show the row of speed buttons"},
    {"TabSet", "Show the tabs of the main window"},
    {"BackGrd", "Show the background"},
    {"Color", "The background colour of the main window"},
    {"Picture", "An image file shown as the main window's background"},
    {"PicVis", "Show the background picture"},
    {"StyleDir", "The folder the style dialog opens in"},
    {"P-Name", "An external program to start with KALO"},
    {"Connection", "What the external program connects to, as that program expects it"},
    {"AutoConnect", "Start the external program when KALO starts"},
    {"SCG", "Show the guide's hints as you play"},
    {"MPU", "Open the chord editor after an arrangement is loaded"},
    {"Autoload", "Write these settings when KALO ends"},
};

}  // namespace

std::span<const ConfigurationField> ConfigurationFields() { return kFields; }

const char* ConfigurationHint(const char* key) {
  for (const Hint& hint : kHints)
    if (std::string_view(hint.Key) == key) return hint.Text;
  return "";
}

}  // namespace kalo::gui
