// A chord chart played into the session: each chord in force from its beat on, given by keys where keys
// can make it and directly where they cannot, and the chart's part requests on their beats.

#include "app/chart_timeline.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <variant>
#include <vector>

#include "app/engine_rig.h"

namespace kalo::app {
namespace {

using testing::EngineRig;
using testing::StyleWriter;

TEST(ChartTimelineTest, EveryChordOfTheChartIsInForceFromItsBeatAndRequestsPressTheirKeys) {
  config::Settings settings = testing::QuietSettings();
  settings.Quantize = 1;  // two-beat chord steps: every chord of the chart begins a step
  EngineRig rig(settings);
  StyleWriter style;
  style.Voice(0, 0);
  for (int part : {styles::kBasic, styles::kFillInBasic})
    style.Part(part, 1, [](StyleWriter& s, int, int, int) { s.Play({{0, 60}}, 12); });
  rig.Load(style);

  // A 7th cannot be fingered (its tones read as C# dim): it is given as a chord button gives it.
  auto parsed = perform::ParseChordChart("C Am | F G7 | A7 | [Fill] C", 4);
  ASSERT_TRUE(std::holds_alternative<perform::ChordChart>(parsed));
  Timeline timeline = ChartTimeline(std::get<perform::ChordChart>(parsed), rig.Session().Settings(), false);
  struct Sample {
    int64_t Tick;
    int RootPitchClass, Type, Part;
  };
  const std::vector<Sample> expected = {{10, 0, 1, styles::kBasic},  {58, 9, 2, styles::kBasic},
                                        {106, 5, 1, styles::kBasic}, {154, 7, 3, styles::kBasic},
                                        {202, 9, 3, styles::kBasic}, {298, 0, 1, styles::kFillInBasic}};
  std::vector<Sample> seen;
  for (const Sample& s : expected) {
    timeline.Do(s.Tick, [&seen, tick = s.Tick](Arranger& a) {
      const engine::ChordTransposer& t = a.Engine().Transposer;
      seen.push_back({tick, t.StyleRoot % 12, t.StyleType, a.Gen().RunningPart});
    });
  }
  rig.Run(timeline);
  ASSERT_EQ(seen.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    const std::array<int, 3> want{expected[i].RootPitchClass, expected[i].Type, expected[i].Part};
    const std::array<int, 3> got{seen[i].RootPitchClass, seen[i].Type, seen[i].Part};
    EXPECT_EQ(got, want) << "tick " << expected[i].Tick;
  }
  // The chart's end gives Stop.
  EXPECT_FALSE(rig.Session().Engine().StylePlaying());
  EXPECT_EQ(rig.Capture.Ticks, 16 * 24 + 1);
}

}  // namespace
}  // namespace kalo::app
