#include "perform/computer_key_table.h"

#include <array>
#include <utility>

#include "perform/chord.h"

namespace kalo::perform {

namespace {

struct Entry {
  int Code;
  ComputerKey Key;
};

constexpr Entry kKeys[] = {
    {'A', {44, 0}},
    {'B', {52, 0}},
    {'C', {48, 0}},
    {'D', {46, 1}},
    {'E', {45, 1}},
    {'F', {49, 0}},
    {'G', {51, 0}},
    {'H', {51, 1}},
    {'I', {53, 1}},
    {'J', {54, 0}},
    {'K', {56, 0}},
    {'L', {58, 0}},
    {'M', {55, 0}},
    {'N', {53, 0}},
    {'O', {55, 1}},
    {'P', {57, 1}},
    {'Q', {41, 1}},
    {'R', {47, 2}},
    {'S', {46, 0}},
    {'T', {48, 1}},
    {'U', {52, 1}},
    {'V', {50, 0}},
    {'W', {43, 1}},
    {'X', {47, 3}},
    {'Y', {45, 0}},
    {'Z', {50, 1}},
    {vk::kOem1, {59, 2}},
    {vk::kOemPlus, {60, 1}},
    {vk::kOemComma, {57, 0}},
    {vk::kOemMinus, {60, 0}},
    {vk::kOemPeriod, {59, 3}},
    {vk::kOem2, {63, 0}},
    {vk::kOem3, {58, 1}},
    {vk::kOem7, {61, 0}},
    {vk::kOem102, {43, 0}},
    {'1', {2, 0}},
    {'2', {3, 0}},
    {'3', {4, 0}},
    {'4', {5, 0}},
    {'5', {6, 0}},
    {'6', {7, 0}},
    {'7', {8, 0}},
    {'8', {9, 0}},
    {'9', {10, 0}},
    {'0', {11, 0}},
    {vk::kShift, {kShiftTypeValue, 0}},
    {vk::kControl, {kCtrlTypeValue, 0}},
    {vk::kBack, {0, kNeverNoteRow}},
    {vk::kOem4, {0, kNeverNoteRow}},
    {vk::kOem5, {0, kNeverNoteRow}},
    {vk::kOem6, {0, kNeverNoteRow}},
};

constexpr std::pair<int, int> kSecondLayout[] = {
    {'Y', 'Z'},
    {'Z', 'Y'},
    {vk::kOem1, vk::kOem3},
    {vk::kOemPlus, vk::kOem6},
    {vk::kOemMinus, vk::kOem4},
    {vk::kOem2, vk::kOemMinus},
    {vk::kOem3, vk::kOem5},
    {vk::kOem4, vk::kOem1},
    {vk::kOem5, vk::kOem2},
    {vk::kOem6, vk::kOemPlus},
};

}  // namespace

ComputerKey LookUpComputerKey(int code) {
  for (const Entry& entry : kKeys) {
    if (entry.Code == code) return entry.Key;
  }
  return {};
}

int RemapKeyLayout(int code, int layout) {
  if (layout != 1) return code;
  for (const auto& [from, to] : kSecondLayout) {
    if (from == code) return to;
  }
  return code;
}

int TypeKeyChordType(int value, std::string_view chordTypes) {
  if (value == kShiftTypeValue) return kMin;
  if (value == kCtrlTypeValue) return kSeventh;
  const size_t at = static_cast<size_t>(value - 2) * 2;
  if (value >= 2 && value <= 11 && chordTypes.size() >= at + 2) {
    const char tens = chordTypes[at], ones = chordTypes[at + 1];
    if (tens >= '0' && tens <= '9' && ones >= '0' && ones <= '9') {
      const int type = (tens - '0') * 10 + (ones - '0');
      if (IsChordType(type)) return type;
    }
  }
  return value;
}

}  // namespace kalo::perform
