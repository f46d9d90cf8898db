#include "gui/virtual_keys.h"

#include <array>
#include <utility>

#include "perform/computer_key_table.h"

namespace kalo::gui {

namespace {

namespace vk = perform::vk;

// Keys named by Qt, shifted characters included.
constexpr std::array<std::pair<int, int>, 44> kNamedKeys = {{
    {Qt::Key_Backspace, vk::kBack},    {Qt::Key_Return, vk::kReturn},   {Qt::Key_Enter, vk::kReturn},
    {Qt::Key_Shift, vk::kShift},       {Qt::Key_Control, vk::kControl}, {Qt::Key_Alt, vk::kMenu},
    {Qt::Key_Pause, vk::kPause},       {Qt::Key_Escape, vk::kEscape},   {Qt::Key_PageUp, vk::kPrior},
    {Qt::Key_PageDown, vk::kNext},     {Qt::Key_End, vk::kEnd},         {Qt::Key_Home, vk::kHome},
    {Qt::Key_Left, vk::kLeft},         {Qt::Key_Right, vk::kRight},     {Qt::Key_Semicolon, vk::kOem1},
    {Qt::Key_Colon, vk::kOem1},        {Qt::Key_Equal, vk::kOemPlus},   {Qt::Key_Plus, vk::kOemPlus},
    {Qt::Key_Comma, vk::kOemComma},    {Qt::Key_Minus, vk::kOemMinus},  {Qt::Key_Underscore, vk::kOemMinus},
    {Qt::Key_Period, vk::kOemPeriod},  {Qt::Key_Slash, vk::kOem2},      {Qt::Key_Question, vk::kOem2},
    {Qt::Key_QuoteLeft, vk::kOem3},    {Qt::Key_AsciiTilde, vk::kOem3}, {Qt::Key_BracketLeft, vk::kOem4},
    {Qt::Key_BraceLeft, vk::kOem4},    {Qt::Key_Backslash, vk::kOem5},  {Qt::Key_Bar, vk::kOem5},
    {Qt::Key_BracketRight, vk::kOem6}, {Qt::Key_BraceRight, vk::kOem6}, {Qt::Key_Apostrophe, vk::kOem7},
    {Qt::Key_QuoteDbl, vk::kOem7},     {Qt::Key_Exclam, '1'},           {Qt::Key_At, '2'},
    {Qt::Key_NumberSign, '3'},         {Qt::Key_Dollar, '4'},           {Qt::Key_Percent, '5'},
    {Qt::Key_AsciiCircum, '6'},        {Qt::Key_Ampersand, '7'},        {Qt::Key_Asterisk, '8'},
    {Qt::Key_ParenLeft, '9'},          {Qt::Key_ParenRight, '0'},
}};

}  // namespace

int VirtualKeyCode(int qtKey, Qt::KeyboardModifiers modifiers) {
  if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) return 'A' + (qtKey - Qt::Key_A);
  if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) return '0' + (qtKey - Qt::Key_0);
  if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F12) return vk::kF1 + (qtKey - Qt::Key_F1);
  // "<" and ">" are the angle-bracket key of a European keyboard, unless Shift made them from the
  // comma and period keys of a US keyboard.
  const bool shift = (modifiers & Qt::ShiftModifier) != 0;
  if (qtKey == Qt::Key_Less) return shift ? vk::kOemComma : vk::kOem102;
  if (qtKey == Qt::Key_Greater) return shift ? vk::kOemPeriod : vk::kOem102;
  for (const auto& [qt, code] : kNamedKeys)
    if (qt == qtKey) return code;
  return 0;
}

unsigned KeyModifiers(Qt::KeyboardModifiers modifiers) {
  unsigned held = 0;
  if (modifiers & Qt::ShiftModifier) held |= perform::kShiftDown;
  if (modifiers & Qt::ControlModifier) held |= perform::kCtrlDown;
  if (modifiers & Qt::AltModifier) held |= perform::kAltDown;
  return held;
}

}  // namespace kalo::gui
