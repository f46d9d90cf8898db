#pragma once
// The program's settings: one typed field per key of the settings file, in the file's order. A plain
// value, owned by the configuration window and read by everyone else on the main thread.
//
// The defaults written here are the values used when the file exists but a key is missing. A first
// start (no file, or a file with Reset=1) uses FactorySettings() instead, which differs in a few
// fields (see settings_file.h).

#include <cstdint>
#include <string>

#include "midi/synth_options.h"

namespace kalo::config {

// Valid range of an integer key; a stored value outside it reads as the key's default.
struct IntRange {
  int Min;
  int Max;
  constexpr bool Contains(int value) const { return value >= Min && value <= Max; }
};

struct Settings {
  bool Reset = false;     // "Reset": 1 = the next start uses factory settings
  bool Portable = false;  // "Portable": portable mode (menu "Portable version")

  // Device list positions (read only outside portable mode, always written).
  int MidiOut = 0;      // "MIDI-OUT": main output list
  int MidiIn = 0;       // "MIDI-IN": input list
  int MidiSubOut = -2;  // "MIDISUB-OUT": second output list
  int MidiSubIn = -2;   // "MIDISUB-IN": second input list ("Ext. MIDI in")
  int MciOut = -1;      // "MCI-OUT": third output list

  // Control keys: pitch class 0 = C ... 11 = B, and octave choice 0 = "1" ... 9 = "10".
  // The MIDI note of a key is pitch class + 12 x octave choice (see ControlKeyNotes()).
  int FillIn = 0;       // "FillIn"
  int Ending = 2;       // "Ending"
  int ToAdv = 1;        // "ToAdv": the To-Extended key
  int ToBasic = 3;      // "ToBasic"
  int FirstKey = 4;     // "FirstKey": lowest accompaniment-section key
  int LastKey = 11;     // "LastKey": highest accompaniment-section key
  int OctFillin = 3;    // "Oct_Fillin"
  int OctEnding = 3;    // "Oct_Ending"
  int OctToAdv = 3;     // "Oct_ToAdv"
  int OctToBasic = 3;   // "Oct_ToBasic"
  int OctFirstKey = 3;  // "Oct_FirstKey"
  int OctLastKey = 4;   // "Oct_LastKey"

  int Quantize = 0;        // "Quantize": index in kQuantizeNames; chord step and beat mode (QuantizeChoice())
  int Metrum = 0;          // "Metrum": index in kMetrumNames
  int KLayout = 0;         // "K_Layout": 0 "German", 1 "English (USA)"
  int AccChannel = 0;      // "AccChannel": accompaniment input channel, 0 "All", 1 to 16 a channel
  bool Redirect = false;   // "Redirect": "Origin", do not redirect MIDI messages to the active channel
  bool KSmart = false;     // "K_Smart": keyboard reaction, 0 "smart (note on/off)", 1 "static (note on)"
  int EKeyb = 0;           // "E_Keyb": pad instrument choice (set again from PadItemIndex on list load)
  std::string PName;       // "P-Name": "Prog. Name", the external program to start
  std::string Connection;  // "Connection": text of the connection field
  bool AutoConnect = true;  // "AutoConnect": " Start Program ..." with the system
  bool Autoload = true;     // "Autoload": "Auto-save settings", write this file at exit
  int PatchMode = 0;        // "PatchMode": instrument-list kind, 0 "gm", 1 "gs", 2 "xg"
  std::string Patch;        // "Patch": path of the instrument list in use; empty = built-in GM names
  std::string Dir;          // "Dir": folder of the last arrangement file
  std::string StyleDir;     // "StyleDir": style folder
  std::string PartSetDir;   // "PartSetDir": folder of the Style-Creator's sets of style part files
  // "LastStyle1" .. "LastStyle6": the styles loaded last, the latest first (recent_styles.h).
  std::string LastStyle1;
  std::string LastStyle2;
  std::string LastStyle3;
  std::string LastStyle4;
  std::string LastStyle5;
  std::string LastStyle6;
  int Tempo1 = 60;  // "Tempo1" .. "Tempo4": tempo presets, quarter notes per minute
  int Tempo2 = 90;
  int Tempo3 = 120;
  int Tempo4 = 150;
  int VolOffset = 71;            // "VolOffset": main volume slider, 0 to 127
  bool MuteHarmonic = true;      // "MuteHarmonic": "Mute PAD (Intro && Ending)"
  bool Pad = true;               // "PAD": "Harmonic Pad"
  int PadItemIndex = 89;         // "PadItemIndex": pad instrument's index in the instrument list
  bool PlayIntro = true;         // "PlayIntro"
  bool PlayEnding = true;        // "PlayEnding": "Play Ending" instead of fade-out
  int VelOffset = 0;             // "VelOffset": melody section velocity offset, -20 to 20
  bool Buttons = true;           // "Buttons": "Speedbuttons" visible
  bool TabSet = true;            // "TabSet": "Tabset" visible
  bool BackGrd = true;           // "BackGrd": "Background" visible
  int32_t Color = -2147483647;   // "Color": background colour; this default is system colour 0x80000001
  std::string Picture;           // "Picture": background picture; empty here, the program's ".bmp" on reading
  bool PicVis = true;            // "PicVis": background picture visible
  int Sync = 8;                  // "Sync": "Sync." value, 1 to 10
  int SChange = 0;               // "SChange": "Style/chord changes : strong --> smart", 0 to 2
  bool AdLib = false;            // "ADLIB": "Melody Ad Lib"
  bool TwoFingerChords = false;  // "2FingerChords": "Two-Finger, Vol."
  bool Adjust = false;           // "Adjust": "Adjust Octave"
  bool NVDef = false;            // "NVDef": "Normalize Volume" (written to section "options")
  bool Reverb = false;           // "Reverb": "Reverb off"
  bool RevDef = false;           // "RevDef": "Reverb defined"
  int RevV = 0;                  // "RevV": reverb level used by "Reverb defined"
  int Rev10V = 0;                // "Rev10V": reverb level for channel 10
  std::string ChordTypes;        // "ChordTypes": ten two-digit chord type numbers for the keys "1".."9", "0"
  bool SCG = true;               // "SCG": "Guide me !"
  bool MPU = true;               // "MPU": "Auto pop-up" of the chord editor after loading an arrangement

  // The built-in synthesizer (see midi/synth_options.h).
  std::string SoundFont = midi::kDefaultSoundFont;  // "SoundFont": the General MIDI .sf2 file
  int SynthDriver = 0;                              // "SynthDriver": index in midi::kSynthDriverNames
  int SynthLatency = midi::kDefaultSynthLatencyMs;  // "SynthLatency": audio buffer, milliseconds

  bool operator==(const Settings&) const = default;
};

// The "Metrum" choice, in its stored order, and the measure length L (four units per beat) of each.
inline constexpr int kMetrumCount = 9;
inline constexpr const char* kMetrumNames[kMetrumCount] = {"6/4", "5/4", "4/4", "3/4", "2/4",
                                                           "1/4", "6/8", "2/8", "1/8"};
inline constexpr int kMetrumLengths[kMetrumCount] = {24, 20, 16, 12, 8, 4, 12, 4, 4};

// The "Quantize" choice, in its stored order.
inline constexpr int kQuantizeCount = 10;
inline constexpr const char* kQuantizeNames[kQuantizeCount] = {"1/4", "2/4", "3/4", "4/4", "6/4",
                                                               "1/8", "2/8", "3/8", "4/8", "6/8"};

// The clock's beat mode and its constants, in ticks (24 ticks per quarter note).
enum class BeatMode : int { Quarter = 1, Eighth = 2 };

struct BeatModeConstants {
  int TicksPerBeat;     // a beat ends when TickInBeat exceeds this
  int BeatLedOffTick;   // the beat indicator turns black at this TickInBeat
  int ChordLateTicks;   // a late chord still takes effect this many ticks into a chord step
  int ChordAheadTick;   // tick at which the next Chordmemory step is read ahead
  int RecordLateTicks;  // a late chord is still recorded this many ticks into a chord step
  BeatMode Mode;
};

inline constexpr BeatModeConstants kQuarterModeConstants{24, 13, 8, 20, 6, BeatMode::Quarter};
inline constexpr BeatModeConstants kEighthModeConstants{12, 7, 6, 9, 3, BeatMode::Eighth};

// What a "Quantize" choice sets: the chord step in beats and the beat mode.
struct Quantization {
  int ChordStepBeats;
  BeatMode Mode;
  constexpr const BeatModeConstants& Constants() const {
    return Mode == BeatMode::Eighth ? kEighthModeConstants : kQuarterModeConstants;
  }
};

// The quantization of a "Quantize" index; an index outside 0..9 counts as 0 ("1/4").
constexpr Quantization QuantizeChoice(int index) {
  constexpr int kSteps[5] = {1, 2, 3, 4, 6};
  if (index < 0 || index >= kQuantizeCount) index = 0;
  return Quantization{kSteps[index % 5], index < 5 ? BeatMode::Quarter : BeatMode::Eighth};
}

// Colour (0x00BBGGRR) of the main window's metrum text: dark red in eighth mode, black in quarter mode.
constexpr uint32_t MetrumTextColour(BeatMode mode) { return mode == BeatMode::Eighth ? 128u : 0u; }

// The record start measure after the beat mode changed: a negative measure (a lead-in) counts in beats
// of the mode, so it doubles from quarter to eighth mode and halves (towards zero) on the way back.
constexpr int RecordStartMeasureAfterModeChange(int measure, BeatMode from, BeatMode to) {
  if (measure >= 0 || from == to) return measure;
  return to == BeatMode::Eighth ? measure * 2 : measure / 2;
}

// MIDI note numbers of the control keys and the accompaniment section.
struct ControlKeyNotes {
  int FillIn;
  int Ending;
  int ToExtended;
  int ToBasic;
  int Intro;         // one below the lowest of the four part keys; -1 (no key) when that is note 0
  int SectionFirst;  // lowest key of the accompaniment section
  int SectionLast;   // highest key of the accompaniment section
};

constexpr ControlKeyNotes ComputeControlKeyNotes(const Settings& s) {
  ControlKeyNotes k{s.FillIn + 12 * s.OctFillin,
                    s.Ending + 12 * s.OctEnding,
                    s.ToAdv + 12 * s.OctToAdv,
                    s.ToBasic + 12 * s.OctToBasic,
                    0,
                    s.FirstKey + 12 * s.OctFirstKey,
                    s.LastKey + 12 * s.OctLastKey};
  int lowest = k.FillIn;
  if (k.Ending < lowest) lowest = k.Ending;
  if (k.ToExtended < lowest) lowest = k.ToExtended;
  if (k.ToBasic < lowest) lowest = k.ToBasic;
  k.Intro = lowest - 1;
  return k;
}

}  // namespace kalo::config
