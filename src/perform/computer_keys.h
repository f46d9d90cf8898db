#pragma once
// The computer keyboard as the player's instrument and remote control (the main window's key-down and
// key-up events): letter and punctuation keys play melody notes or give chords, Shift, Ctrl and the
// digits select the chord type, the function keys switch style parts and run the transport, and a few
// special keys reach the main window's commands. Main thread only.
//
// Key codes are the Windows virtual-key numbers of computer_key_table.h; the modifiers are the
// kShiftDown, kCtrlDown and kAltDown bits as they stand at the event.

#include <array>
#include <cstdint>

#include "perform/input_dispatch.h"

namespace kalo::perform {

class ComputerKeys {
 public:
  // `dispatch` must outlive this object.
  explicit ComputerKeys(InputDispatch& dispatch) : dispatch_(dispatch) {}

  // A key went down (again, while the platform repeats it). True when the key was used, so that the
  // window does not act on it too. Keys with Alt alone held are left to the window.
  bool FormKeyDown(int keyCode, unsigned modifiers);
  // A key went up.
  void FormKeyUp(int keyCode, unsigned modifiers);

  // The chord key and the type key held now (key codes after the layout exchange; 0 = none).
  int HeldChordKey() const { return heldChordKey_; }
  int HeldTypeKey() const { return heldTypeKey_; }

 private:
  struct Sounding {
    int Note = -1;  // -1: the key sounds nothing
    uint8_t Channel = 0;
  };

  bool NoteKeyDown(int code, int value, int row);
  void FunctionKey(int number, unsigned modifiers);
  bool SpecialKey(int code);

  InputDispatch& dispatch_;
  // Per key code, the melody note its key-down sent: key-up releases exactly that, and a repeated
  // key-down sends nothing.
  std::array<Sounding, 256> sounding_{};
  int heldChordKey_ = 0;
  int heldTypeKey_ = 0;
};

}  // namespace kalo::perform
