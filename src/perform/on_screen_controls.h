#pragma once
// The main window's on-screen playing controls: the chord-button grid ("Chordpads") with its
// style-part buttons, the handlers of the on-screen piano's note events, and the input-mode choices
// of the options panel. Main thread only.

#include <array>
#include <string_view>

#include "perform/input_dispatch.h"

namespace kalo::perform {

// The input-mode choices, in the order of the radio group.
enum class InputMode {
  AccompanimentOn,
  TriggeredChords,
  TwoFingerChords,
  SyncExternal,
  SyncInternal,
  NormalKeyboard,
  NormalKeyboardInstruments,
  SplittedKeyboard,
};
inline constexpr std::array<const char*, 8> kInputModeNames = {
    "Accompaniment on",
    "Play triggered Chords",
    "Play Two-Finger-Chords - Chordtypes : ",
    "Synchronize System with ext. Sequencer",
    "Synchronize System with internal Clock",
    "Normal Keyboard",
    "Normal Keyboard - Instruments :",
    "Splitted Keyboard",
};

class OnScreenControls {
 public:
  // `dispatch` must outlive this object.
  explicit OnScreenControls(InputDispatch& dispatch) : dispatch_(dispatch) {}

  // A chord button pressed. Its name is a row letter and a two-digit column ("C05"); only the first three
  // characters count. Rows A..K give the chord types maj .. 6th on the roots 44..55 (columns 0..11);
  // row L holds the style-part buttons L00 Fill in, L01 To Basic, L02 Ending, L03 To Ext., L04 Intro;
  // other rows give C maj on note 48. False for a name that is none of these.
  bool ChordButtonDown(std::string_view name, unsigned modifiers, bool leftButton = true);
  // The chord button released; a chord or code held back for the chord editor goes to it now.
  void ChordButtonUp();

  // The on-screen piano's OnNoteOn and OnNoteOff: melody notes on the keyboard channel in melody mode,
  // chords otherwise.
  void KeysNoteOn(int note, int velocity);
  void KeysNoteOff(int note, int velocity);

  // An input mode chosen: stops a playing sequencer, sets the switches of the mode and lets the
  // configuration keep them.
  void SelectInputMode(InputMode mode);

 private:
  enum class EditorMark { None, Chord, Function };

  void SendMelody(int note, int velocity);

  InputDispatch& dispatch_;
  EditorMark mark_ = EditorMark::None;
  int markedCode_ = 0;
};

}  // namespace kalo::perform
