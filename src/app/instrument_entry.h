#pragma once
// Turning an instrument-list entry into the bank and program messages of the sound generator.

#include <cstdint>
#include <optional>
#include <string_view>

namespace kalo::app {

// The instrument-list kind: "gm", "gs", "xg" (stored as 0, 1, 2).
enum class PatchMode : uint8_t { Gm = 0, Gs = 1, Xg = 2 };

// What choosing an entry sends on a channel, in this order: controller 0 = BankMsb and controller
// 32 = BankLsb (only when SendsBanks), then a program change with Program. All values are MIDI data
// bytes (0..127).
struct InstrumentMessages {
  uint8_t BankMsb = 0;
  uint8_t BankLsb = 0;
  uint8_t Program = 0;
  bool SendsBanks = false;
};

// The messages for entry `index` of the list whose text is `text`, or nullopt when the entry sends
// nothing: an empty entry or one starting with a blank or control character; in gs/xg mode an entry
// that does not start with a digit; in gm mode an index above 127.
//
// gs/xg entries: columns 1-3 hold the program number plus one, columns 5-7 the first bank number A
// (read only when the text has at least 7 characters and column 3 is a digit), columns 9-11 the
// second bank number B (only with at least 11 characters and a digit in column 9; else 0). gs sends
// controller 0 = A, controller 32 = B; xg sends controller 0 = B, controller 32 = A. Numbers are
// read from the digits at the start of their columns (leading blanks skipped) and brought into
// 0..127: program "000" gives program 0, a bank number above 127 gives 127.
std::optional<InstrumentMessages> ParseInstrumentEntry(std::string_view text, int index, PatchMode mode);

}  // namespace kalo::app
