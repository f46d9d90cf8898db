#pragma once
// Every check box and menu toggle of the program, named after its caption. The GUI mirrors these
// fields; the core reads them; tests set them. Values not listed with the settings file are not stored.

namespace kalo::config {

struct Options {
  bool PlayChords = false;           // "Play Chords"
  bool MajorMinor = false;           // "Major <> Minor"
  bool TriadChords = false;          // "Triad chords"
  bool TwoFingerChords = false;      // "2-Finger-Chords" / "Two-Finger, Vol."
  bool MasterMode = false;           // "Master Mode"
  bool SlaveMode = false;            // "Slave Mode"
  bool SendChordCodes = false;       // "Send Chord Codes  (Controllers #19,  #20)  to Ch."
  bool ReceiveChordCodes = false;    // "Receive Chord Codes"
  bool MelodyAdLib = false;          // "Melody Ad Lib"
  bool TempoDetection = false;       // "Tempo Detection": a loaded style sets the tempo
  bool IntroDetection = false;       // "Intro Detection" (" Set intro measures")
  bool SoloOnChannel1 = false;       // "Solo on channel 1"
  bool TransmitControllers = false;  // "Transmit Controllers": chasing sends every controller
  bool FixChanges = false;           // "Fix changes": mixer changes rewrite the whole style
  bool UnchangedMidiIn = false;      // "Unchanged MIDI in": input 2 skips the external pre-processing
  bool InstrumentPad = false;        // "Instrument Pad": the pad voice is set up on its channel
  bool Metronome = false;            // "Metronome": a click on every beat
  bool ReplaceOne = false;           // "Replace One": one voice of the style is left out for the player
  bool IgnoreTempi = false;          // "Ignore Tempi": tempo functions of a song are not carried out
  bool StartOnChord = true;          // the Style-Creator's start on chord: the first chord starts the style

  // Live input: how the player's keyboard and the computer keys are dispatched.
  bool Chords = true;               // "Chords": keys of the accompaniment zone are chord keys
  bool KeyboardSplit = false;       // "Keyboard Split": played notes take the channel of their zone
  bool Instruments = false;         // "Instruments ...": instrument keys select presets
  bool InstrumentStep = false;      // the uncaptioned box above "Instruments ...": top keys step presets
  bool UseAllKeyboardKeys = false;  // "Use all keyboard keys": every key is a chord key
  bool UnchangedExtIn = false;      // "Unchanged Ext. in": input 1 keeps its channels
  bool MinusOne = false;            // "Minus One": the player takes over one voice of the style
  // "Load song and style together": opening a song also loads the style it names.
  bool LoadSongAndStyleTogether = true;
};

}  // namespace kalo::config
