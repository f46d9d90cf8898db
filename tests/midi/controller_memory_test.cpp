#include "midi/controller_memory.h"

#include <gtest/gtest.h>

namespace kalo::midi {
namespace {

struct CheckCase {
  const char* Name;
  uint8_t Status, Data1, Data2;
  bool OnlyIfUnknown;
  bool FirstPasses, RepeatPasses;
};

class ControllerMemoryCheck : public ::testing::TestWithParam<CheckCase> {};

TEST_P(ControllerMemoryCheck, PassesOrDropsAsTheMemoryDecides) {
  const CheckCase& c = GetParam();
  ControllerMemory memory;
  EXPECT_EQ(memory.Check(c.Status, c.Data1, c.Data2, c.OnlyIfUnknown), c.FirstPasses);
  EXPECT_EQ(memory.Check(c.Status, c.Data1, c.Data2, c.OnlyIfUnknown), c.RepeatPasses);
}

INSTANTIATE_TEST_SUITE_P(
    Messages, ControllerMemoryCheck,
    ::testing::Values(CheckCase{"Volume", 0xB0, 7, 100, false, true, false},
                      CheckCase{"BankSelectOnChannel16", 0xBF, 0, 3, false, true, false},
                      CheckCase{"ReverbSend", 0xB2, 91, 40, false, true, false},
                      CheckCase{"ModulationIsNotRemembered", 0xB0, 1, 64, false, true, true},
                      CheckCase{"SustainIsNotRemembered", 0xB0, 64, 127, false, true, true},
                      CheckCase{"ProgramChange", 0xC3, 17, 0, false, true, false},
                      CheckCase{"ChannelPressure", 0xD0, 50, 0, false, true, false},
                      CheckCase{"NoteOnAlwaysPasses", 0x90, 60, 100, false, true, true},
                      CheckCase{"PitchBendAlwaysPasses", 0xE0, 0, 64, false, true, true},
                      CheckCase{"OnlyIfUnknownStillDropsEqualValues", 0xB0, 10, 64, true, true, false}),
    [](const auto& param) { return std::string(param.param.Name); });

TEST(ControllerMemory, ANewValueReplacesTheRememberedOneAndChannelsAreSeparate) {
  ControllerMemory memory;
  EXPECT_TRUE(memory.Check(0xB0, 7, 100, false));
  EXPECT_TRUE(memory.Check(0xB0, 7, 90, false));
  EXPECT_EQ(memory.Value(0, 7), 90);
  EXPECT_TRUE(memory.Check(0xB1, 7, 90, false));  // channel 2 had no value yet
  EXPECT_EQ(memory.Value(1, 7), 90);
}

TEST(ControllerMemory, OnlyIfUnknownPassesAChangeWithoutStoringOverAKnownValue) {
  ControllerMemory memory;
  EXPECT_TRUE(memory.Check(0xC0, 5, 0, true));  // unknown: stored
  EXPECT_EQ(memory.Value(0, ControllerMemory::kProgramEntry), 5);
  EXPECT_TRUE(memory.Check(0xC0, 6, 0, true));  // known: passes, kept
  EXPECT_EQ(memory.Value(0, ControllerMemory::kProgramEntry), 5);
}

TEST(ControllerMemory, AfterAResetEveryRememberedControllerPassesAgain) {
  ControllerMemory memory;
  for (int controller : {0, 7, 10, 11, 32, 91, 93}) {
    EXPECT_TRUE(memory.Check(0xB4, static_cast<uint8_t>(controller), 1, false));
    EXPECT_FALSE(memory.Check(0xB4, static_cast<uint8_t>(controller), 1, false));
  }
  memory.Reset();
  for (int controller : {0, 7, 10, 11, 32, 91, 93}) {
    EXPECT_TRUE(memory.Check(0xB4, static_cast<uint8_t>(controller), 1, false)) << controller;
  }
}

TEST(ControllerMemory, TheSnapshotKeepsItsValuesWhileTheMemoryChanges) {
  ControllerMemory memory;
  memory.Check(0xB2, 93, 12, false);
  memory.TakeSnapshot();
  memory.Reset();
  EXPECT_EQ(memory.SnapshotValue(2, 93), 12);
  EXPECT_EQ(memory.Value(2, 93), ControllerMemory::kNeverSet);
  memory.ResetSnapshot();
  EXPECT_EQ(memory.SnapshotValue(2, 93), ControllerMemory::kNeverSet);
}

TEST(ControllerMemory, OutOfRangeEntriesReadAsUnsetAndAreNeverWritten) {
  ControllerMemory memory;
  memory.SetValue(16, 0, 5);
  memory.SetValue(0, 98, 5);
  memory.SetValue(-1, 0, 5);
  EXPECT_EQ(memory.Value(16, 0), ControllerMemory::kNeverSet);
  EXPECT_EQ(memory.Value(0, 98), ControllerMemory::kNeverSet);
  EXPECT_EQ(memory.Value(0, 0), ControllerMemory::kNeverSet);
  EXPECT_EQ(ControllerMemory::Format(ControllerMemory::kNeverSet), "");
  EXPECT_EQ(ControllerMemory::Format(0), "0");
  EXPECT_EQ(ControllerMemory::Format(127), "127");
}

}  // namespace
}  // namespace kalo::midi
