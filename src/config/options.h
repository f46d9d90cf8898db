#pragma once
// Every check box and menu toggle of the program, named after its caption. The GUI mirrors these
// fields; the core reads them; tests set them. Values not listed with the settings file are not stored.

namespace kalo::config {

struct Options {
  bool PlayChords = false;     // "Play Chords"
  bool MajorMinor = false;     // "Major <> Minor"
  bool TriadChords = false;    // "Triad chords"
  bool TwoFingerChords = false;  // "2-Finger-Chords" / "Two-Finger, Vol."
  bool MasterMode = false;     // "Master Mode"
  bool SlaveMode = false;      // "Slave Mode"
  bool SendChordCodes = false;     // "Send Chord Codes  (Controllers #19,  #20)  to Ch."
  bool ReceiveChordCodes = false;  // "Receive Chord Codes"
  bool MelodyAdLib = false;        // "Melody Ad Lib"
};

}  // namespace kalo::config
