// Any bytes as a chord chart (the first byte choosing the beats per measure): parsing never reads
// outside the text, and a chart it accepts keeps its promises: items in time order inside the chart,
// chords with a pitch class and a type 1..17.

#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <variant>

#include "perform/chord_chart.h"

using namespace kalo::perform;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const int beatsPerMeasure = data[0] % 8;  // 0 and 7 lie outside the styles' measures; 0 must be refused
  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
  const auto parsed = ParseChordChart(text, beatsPerMeasure);
  const auto* chart = std::get_if<ChordChart>(&parsed);
  if (chart == nullptr) {
    if (std::get<std::string>(parsed).empty()) std::abort();
    return 0;
  }
  // A chart of rests alone (".") holds no items; every other chart holds at least one.
  if (beatsPerMeasure == 0 || chart->Measures < 1) std::abort();
  int previous = 0;
  for (const ChartItem& item : chart->Items) {
    if (item.Beat < previous || item.Beat > chart->Beats()) std::abort();
    previous = item.Beat;
    if (item.What == ChartItem::Kind::kChord &&
        (item.RootPitchClass < 0 || item.RootPitchClass > 11 || item.Type < 1 || item.Type > 17 ||
         item.Beat == chart->Beats())) {
      std::abort();
    }
  }
  return 0;
}
