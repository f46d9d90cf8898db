#include "gui/tap_tempo.h"

#include <gtest/gtest.h>

#include <vector>

namespace kalo::gui {
namespace {

TEST(TapTempo, TheMeasuresLastTapGivesTheTempoInTheFieldsRange) {
  struct Row {
    int Metrum;
    std::vector<int64_t> Taps;  // milliseconds
    std::optional<int> Tempo;   // after the last tap
  };
  const Row rows[] = {
      {3, {0, 400, 800}, 150},                         // 3/4: three taps
      {2, {0, 400, 800}, std::nullopt},                // 4/4 waits for the fourth
      {2, {0, 100, 200, 300}, 250},                    // too fast for the field
      {2, {0, 3000, 6000, 9000}, 25},                  // too slow
      {2, {0, 20, 500, 1000, 1500}, 120},              // a bounce within 50 ms is dropped
      {2, {0, 500, 20000, 20500, 21000, 21500}, 120},  // a long pause starts counting again
      {1, {0, 500, 1000, 1500, 2000}, 120},            // 5/4
  };
  for (const Row& row : rows) {
    TapTempo taps;
    std::optional<int> tempo;
    for (int64_t at : row.Taps) tempo = taps.Tap(at, TapTempo::TapsPerMeasure(row.Metrum));
    EXPECT_EQ(tempo, row.Tempo) << row.Metrum << " " << row.Taps.size();
  }
}

}  // namespace
}  // namespace kalo::gui
