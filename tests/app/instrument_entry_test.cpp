#include "app/instrument_entry.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace kalo::app {
namespace {

struct EntryCase {
  const char* Name;
  std::string Text;
  int Index;
  PatchMode Mode;
  std::optional<InstrumentMessages> Expected;
};

InstrumentMessages Banks(uint8_t msb, uint8_t lsb, uint8_t program) { return {msb, lsb, program, true}; }
InstrumentMessages ProgramOnly(uint8_t program) { return {0, 0, program, false}; }

class ParseInstrumentEntryTest : public testing::TestWithParam<EntryCase> {};

TEST_P(ParseInstrumentEntryTest, GivesTheMessagesTheEntryStandsFor) {
  const EntryCase& c = GetParam();
  const std::optional<InstrumentMessages> got = ParseInstrumentEntry(c.Text, c.Index, c.Mode);
  ASSERT_EQ(got.has_value(), c.Expected.has_value());
  if (got) {
    EXPECT_EQ(got->BankMsb, c.Expected->BankMsb);
    EXPECT_EQ(got->BankLsb, c.Expected->BankLsb);
    EXPECT_EQ(got->Program, c.Expected->Program);
    EXPECT_EQ(got->SendsBanks, c.Expected->SendsBanks);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Entries, ParseInstrumentEntryTest,
    testing::Values(
        EntryCase{"GmProgramIsTheIndex", "Acoustic Grand Piano", 5, PatchMode::Gm, ProgramOnly(5)},
        EntryCase{"GmIndexBeyondTheProgramRangeSendsNothing", "Extra", 128, PatchMode::Gm, std::nullopt},
        EntryCase{"GmEntryStartingWithABlankSendsNothing", " 0", 3, PatchMode::Gm, std::nullopt},
        EntryCase{"GsFirstBankIsMsbSecondIsLsb", "001 000 008 Piano 1", 0, PatchMode::Gs, Banks(0, 8, 0)},
        EntryCase{"XgSecondBankIsMsbFirstIsLsb", "001 000 008 Piano 1", 0, PatchMode::Xg, Banks(8, 0, 0)},
        EntryCase{"GsProgramIsColumnsOneToThreeMinusOne", "025 016 000 Guitar", 9, PatchMode::Gs,
                  Banks(16, 0, 24)},
        EntryCase{"GsShorterThanElevenHasNoSecondBank", "001 008", 0, PatchMode::Gs, Banks(8, 0, 0)},
        EntryCase{"GsNonDigitInColumnNineHasNoSecondBank", "001 008 x05 Name", 0, PatchMode::Gs,
                  Banks(8, 0, 0)},
        EntryCase{"GsShorterThanSevenSendsZeros", "12", 4, PatchMode::Gs, Banks(0, 0, 0)},
        EntryCase{"GsNonDigitInColumnThreeSendsZeros", "1a 005 007", 4, PatchMode::Gs, Banks(0, 0, 0)},
        EntryCase{"GsEntryStartingWithALetterSendsNothing", "Piano 001 000", 0, PatchMode::Gs, std::nullopt},
        EntryCase{"XgEntryStartingWithALetterSendsNothing", "Drums", 0, PatchMode::Xg, std::nullopt},
        EntryCase{"EmptyEntrySendsNothing", "", 0, PatchMode::Gs, std::nullopt},
        EntryCase{"ProgramZeroInTheFileStaysInRange", "000 000 000 Odd", 0, PatchMode::Gs, Banks(0, 0, 0)},
        EntryCase{"NumbersAboveTheDataRangeAreCappedAt127", "200 300 999 Odd", 0, PatchMode::Gs,
                  Banks(127, 127, 127)}),
    [](const testing::TestParamInfo<EntryCase>& param) { return std::string(param.param.Name); });

}  // namespace
}  // namespace kalo::app
