#include "midi/tick_sample_map.h"

#include <gtest/gtest.h>

#include <vector>

namespace kalo::midi {
namespace {

struct MapCase {
  const char* Name;
  std::vector<TempoChange> Tempo;
  int Rate;
  int64_t Tick;
  int64_t Sample;
};

// At 120 bpm and 44100 Hz a tick lasts 918.75 samples; at 60 bpm 1837.5.
TEST(TickSampleMap, PlacesEachTickAtTheNearestSampleOfItsExactTime) {
  const MapCase cases[] = {
      {"without a tempo a quarter note at 120 lasts half a second", {}, 44100, 24, 22050},
      {"a single tick rounds to the nearest sample", {}, 44100, 1, 919},
      {"an exact half sample rounds up", {}, 44100, 2, 1838},
      {"a tempo at tick 0 replaces 120", {{0, 60}}, 48000, 24, 48000},
      {"a change counts from its tick on", {{0, 120}, {96, 60}}, 48000, 120, 144000},
      {"changes listed out of order", {{96, 60}, {0, 120}}, 48000, 120, 144000},
      {"of two changes at one tick the later listed wins", {{0, 90}, {0, 60}}, 48000, 24, 48000},
      {"before the first change the tempo is 120", {{48, 60}}, 48000, 72, 96000},
      {"the fraction of a sample carries over a change", {{1, 60}}, 44100, 2, 2756},
      {"a tick before the start is the start", {}, 44100, -5, 0},
      {"a tempo of 0 counts as 1", {{0, 0}}, 48000, 24, 2880000},
      {"ten hours at 7 bpm end on the exact sample", {{0, 7}}, 48000, 100800, 1728000000},
  };
  for (const MapCase& row : cases) {
    const TickSampleMap map(row.Tempo, row.Rate);
    EXPECT_EQ(map.SampleAt(row.Tick), row.Sample) << row.Name;
  }
}

TEST(TickSampleMap, ATempoChangeOnEveryTickDoesNotDrift) {
  std::vector<TempoChange> tempo;
  constexpr int64_t kTicks = 100000;
  for (int64_t tick = 0; tick < kTicks; ++tick) tempo.push_back({tick, tick % 2 == 0 ? 120 : 60});
  const TickSampleMap map(tempo, 44100);
  // 50000 ticks of 918.75 samples and 50000 of 1837.5.
  EXPECT_EQ(map.SampleAt(kTicks), 137812500);
  // The last tick is one at 60 bpm: 1837.5 samples earlier, rounded up.
  EXPECT_EQ(map.SampleAt(kTicks - 1), 137810663);
}

}  // namespace
}  // namespace kalo::midi
