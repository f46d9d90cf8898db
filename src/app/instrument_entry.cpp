#include "app/instrument_entry.h"

#include <algorithm>

namespace kalo::app {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The number written in columns [first, first + 3) (1-based `first`); 0 when no digit starts there.
int ReadColumns(std::string_view text, size_t first) {
  std::string_view field = text.substr(first - 1, 3);
  size_t pos = 0;
  while (pos < field.size() && field[pos] == ' ') {
    ++pos;
  }
  int value = 0;
  for (; pos < field.size() && IsDigit(field[pos]); ++pos) {
    value = value * 10 + (field[pos] - '0');
  }
  return value;
}

uint8_t ToData(int value) { return static_cast<uint8_t>(std::clamp(value, 0, 127)); }

}  // namespace

std::optional<InstrumentMessages> ParseInstrumentEntry(std::string_view text, int index, PatchMode mode) {
  if (text.empty() || static_cast<unsigned char>(text[0]) <= ' ') {
    return std::nullopt;
  }
  InstrumentMessages result;
  if (mode == PatchMode::Gm) {
    if (index < 0 || index > 127) {
      return std::nullopt;
    }
    result.Program = static_cast<uint8_t>(index);
    return result;
  }
  if (!IsDigit(text[0])) {
    return std::nullopt;
  }
  int bankA = 0;
  int bankB = 0;
  int program = 0;
  if (text.size() >= 7 && IsDigit(text[2])) {
    program = ReadColumns(text, 1) - 1;
    bankA = ReadColumns(text, 5);
    if (text.size() >= 11 && IsDigit(text[8])) {
      bankB = ReadColumns(text, 9);
    }
  }
  result.SendsBanks = true;
  result.Program = ToData(program);
  if (mode == PatchMode::Gs) {
    result.BankMsb = ToData(bankA);
    result.BankLsb = ToData(bankB);
  } else {
    result.BankMsb = ToData(bankB);
    result.BankLsb = ToData(bankA);
  }
  return result;
}

}  // namespace kalo::app
