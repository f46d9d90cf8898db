#pragma once
// Qt's key codes as the Windows virtual-key numbers that the computer-key tables are indexed by.
// Letters and digits are their upper-case ASCII codes. Qt reports the character a key gives, so the
// punctuation keys are recognised by their character on a US keyboard, shifted or not, and Shift with
// a digit key (which Qt reports as "!", "@", ...) is the digit.

#include <Qt>

namespace kalo::gui {

// 0 for a key without a virtual-key number in the tables.
int VirtualKeyCode(int qtKey, Qt::KeyboardModifiers modifiers);

// Shift, Ctrl and Alt as perform::kShiftDown, kCtrlDown and kAltDown.
unsigned KeyModifiers(Qt::KeyboardModifiers modifiers);

}  // namespace kalo::gui
