#include "midi/controller_memory.h"

#include <gtest/gtest.h>

#include <set>

namespace kalo::midi {
namespace {

TEST(ControllerMemory, DropsOnlyARepeatedValueOfWhatItRemembers) {
  const std::set<int> remembered = {0, 7, 10, 11, 32, 91, 93};  // bank, volume, pan, expression, effects
  ControllerMemory memory;
  for (int controller = 0; controller < 128; ++controller) {
    const auto number = static_cast<uint8_t>(controller);
    EXPECT_TRUE(memory.Check(0xBF, number, 1, false)) << controller;
    EXPECT_EQ(memory.Check(0xBF, number, 1, false), !remembered.contains(controller)) << controller;
  }
  const struct {
    uint8_t Status, Data1, Data2;
    bool RepeatPasses;
  } others[] = {{0xC3, 17, 0, false}, {0xD0, 50, 0, false}, {0x90, 60, 100, true}, {0xE0, 0, 64, true}};
  for (const auto& m : others) {
    EXPECT_TRUE(memory.Check(m.Status, m.Data1, m.Data2, false)) << int{m.Status};
    EXPECT_EQ(memory.Check(m.Status, m.Data1, m.Data2, false), m.RepeatPasses) << int{m.Status};
  }
  // A new value replaces the remembered one, each channel remembers its own, a reset forgets them all.
  EXPECT_TRUE(memory.Check(0xB0, 7, 100, false));
  EXPECT_TRUE(memory.Check(0xB0, 7, 90, false));
  EXPECT_EQ(memory.Value(0, 7), 90);
  EXPECT_TRUE(memory.Check(0xB1, 7, 90, false));
  memory.Reset();
  EXPECT_TRUE(memory.Check(0xBF, 93, 1, false));
  EXPECT_TRUE(memory.Check(0xC3, 17, 0, false));
}

TEST(ControllerMemory, OnlyIfUnknownPassesAChangeWithoutStoringOverAKnownValue) {
  ControllerMemory memory;
  EXPECT_TRUE(memory.Check(0xC0, 5, 0, true));  // unknown: stored
  EXPECT_EQ(memory.Value(0, ControllerMemory::kProgramEntry), 5);
  EXPECT_TRUE(memory.Check(0xC0, 6, 0, true));  // known: passes, kept
  EXPECT_EQ(memory.Value(0, ControllerMemory::kProgramEntry), 5);
  EXPECT_FALSE(memory.Check(0xC0, 5, 0, true)) << "an equal value is still dropped";
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
