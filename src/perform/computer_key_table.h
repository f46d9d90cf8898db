#pragma once
// The computer keys as the player's instrument: which key gives which note or chord, which keys select
// chord types, and the exchanges of the second keyboard layout. Pure data.
//
// Key codes are the Windows virtual-key numbers (0..255): letters and digits are their upper-case ASCII
// codes, the rest are named below. A window toolkit maps its own key codes to these.

#include <string_view>

namespace kalo::perform {

namespace vk {
inline constexpr int kBack = 0x08;
inline constexpr int kReturn = 0x0D;
inline constexpr int kShift = 0x10;
inline constexpr int kControl = 0x11;
inline constexpr int kMenu = 0x12;  // Alt
inline constexpr int kPause = 0x13;
inline constexpr int kEscape = 0x1B;
inline constexpr int kPrior = 0x21;  // Page Up
inline constexpr int kNext = 0x22;   // Page Down
inline constexpr int kEnd = 0x23;
inline constexpr int kHome = 0x24;
inline constexpr int kLeft = 0x25;
inline constexpr int kRight = 0x27;
inline constexpr int kF1 = 0x70;
inline constexpr int kF12 = 0x7B;
inline constexpr int kOem1 = 186;     // semicolon
inline constexpr int kOemPlus = 187;  // equals
inline constexpr int kOemComma = 188;
inline constexpr int kOemMinus = 189;
inline constexpr int kOemPeriod = 190;
inline constexpr int kOem2 = 191;    // slash
inline constexpr int kOem3 = 192;    // back-quote
inline constexpr int kOem4 = 219;    // opening bracket
inline constexpr int kOem5 = 220;    // backslash
inline constexpr int kOem6 = 221;    // closing bracket
inline constexpr int kOem7 = 222;    // quote
inline constexpr int kOem102 = 226;  // angle bracket
}  // namespace vk

// Modifier keys held with a key.
inline constexpr unsigned kShiftDown = 1;
inline constexpr unsigned kCtrlDown = 2;
inline constexpr unsigned kAltDown = 4;

// The row of a key that is never a note (Backspace and the bracket keys).
inline constexpr int kNeverNoteRow = 10;
// Values of the type keys: Shift and Ctrl. Digits have the values 2..11.
inline constexpr int kShiftTypeValue = 18;
inline constexpr int kCtrlTypeValue = 19;

// Value: a note number 41..63 for note keys, a chord-type index for the digits (1 gives 2, ..., 9 gives
// 10, 0 gives 11), 18 for Shift, 19 for Ctrl, 0 for all other keys. Row: 1 and 2 are the upper melody
// keyboard, 0 and 3 the lower one; kNeverNoteRow for Backspace and the keys 219..221.
struct ComputerKey {
  int Value = 0;
  int Row = 0;
};

ComputerKey LookUpComputerKey(int code);

// With the second keyboard layout ("English (USA)", settings value 1), key codes are exchanged before
// anything else: Y and Z, and the punctuation keys whose places differ. Other layouts keep the code.
int RemapKeyLayout(int code, int layout);

// The chord type a type key selects: Shift "min", Ctrl "7th", the digits their value (2..11) unless the
// "ChordTypes" setting names another type for that digit (ten two-digit numbers for "1" .. "9", "0"; an
// entry that is no type 1..17 keeps the digit's own).
int TypeKeyChordType(int value, std::string_view chordTypes);

}  // namespace kalo::perform
