#include "midi/circular_event_buffer.h"

#include <gtest/gtest.h>

#include <thread>
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

// One producer thread and the consumer on this thread: every item arrives once, in order, whole.
TEST(CircularEventBuffer, AProducerThreadAndAConsumerNeverLoseOrTearItems) {
  constexpr uint32_t kItems = 50000;
  CircularEventBuffer ring(64);
  std::thread producer([&] {
    for (uint32_t i = 0; i < kItems;) {
      if (ring.Put(RingItem{i, ~i, nullptr})) {
        ++i;
      } else {
        std::this_thread::yield();
      }
    }
  });
  uint32_t expected = 0;
  while (expected < kItems) {
    RingItem item;
    if (!ring.Read(item)) {
      std::this_thread::yield();
      continue;
    }
    ASSERT_EQ(item.Time, expected);
    ASSERT_EQ(item.Packed, ~expected);
    ring.Remove();
    ++expected;
  }
  producer.join();
  EXPECT_EQ(ring.Count(), 0);
}

}  // namespace
}  // namespace kalo::midi
