#include "gui/configuration_fields.h"

#include <array>

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

}  // namespace

std::span<const ConfigurationField> ConfigurationFields() { return kFields; }

}  // namespace kalo::gui
