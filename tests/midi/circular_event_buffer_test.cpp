#include "midi/circular_event_buffer.h"

#include <gtest/gtest.h>

#include <vector>

namespace kalo::midi {
namespace {

TEST(CircularEventBuffer, KeepsOrderAcrossTheWrapAndRefusesWhenFull) {
  CircularEventBuffer ring(3);
  uint32_t next = 0;
  uint32_t expected = 0;
  // Fill and drain unevenly so that both ends wrap several times.
  for (int round = 0; round < 10; ++round) {
    while (ring.Put(RingItem{next, next * 7, nullptr})) ++next;
    EXPECT_EQ(ring.Count(), 3);
    for (int i = 0; i < 2; ++i) {
      RingItem item;
      ASSERT_TRUE(ring.Read(item));
      EXPECT_EQ(item.Time, expected);
      EXPECT_EQ(item.Packed, expected * 7);
      ring.Remove();
      ++expected;
    }
  }
}

TEST(CircularEventBuffer, AnEmptyRingReadsNothingRemoveLeavesItEmptyAndCapacityZeroHoldsNothing) {
  CircularEventBuffer ring(4);
  RingItem item;
  EXPECT_FALSE(ring.Read(item));
  ring.Remove();
  EXPECT_EQ(ring.Count(), 0);
  EXPECT_TRUE(ring.Put(RingItem{1, 2, nullptr}));
  EXPECT_EQ(ring.Count(), 1);

  CircularEventBuffer none(0);
  EXPECT_FALSE(none.Put(RingItem{}));
  EXPECT_EQ(none.Count(), 0);
}

}  // namespace
}  // namespace kalo::midi
