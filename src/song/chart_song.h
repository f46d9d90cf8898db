#pragma once
// A chord chart turned into a song: the chart's chords on their beats, its part requests as the
// function codes of their control keys, and STOP at the end, so that a song typed as a chart plays,
// edits and saves like a recorded one. Pure functions, any thread.

#include <optional>
#include <string>
#include <vector>

#include "config/settings.h"
#include "perform/chord_chart.h"
#include "song/chordmemory.h"

namespace kalo::song {

// The control key of `keys` that a chart's part request presses.
int RequestKey(perform::ChartRequest request, const config::ControlKeyNotes& keys);

// The chart's part requests that no control key of `keys` presses (the settings give that key no
// note 1..250), which a song cannot store and a chart cannot play, each as "[Fill] at 3:1" for a
// measure of `beatsPerMeasure` beats, in chart order.
std::vector<std::string> RequestsWithoutKey(const perform::ChordChart& chart,
                                            const config::ControlKeyNotes& keys);

struct ChartSongShape {
  int MeasureLength = 16;           // L, four per beat; the chart's beats per measure is L div 4
  int Tempo = 120;                  // the header's tempo
  int LowestAccompanimentKey = 40;  // chord roots are the notes a chord button gives in this zone
};

// The Chordmemory of `chart`: beat record 1 + b holds what the chart gives on beat b (chord and, when
// a request stands there, the control key of `keys` with parameter 12; a later request on the same beat
// wins), the record after the last beat holds STOP, and the length ends the measure of that STOP, as
// the end mark of a recording does. nullopt when the chart and its STOP do not fit the working area
// (2999 beats at most).
std::optional<Chordmemory> ChordmemoryFromChart(const perform::ChordChart& chart,
                                                const config::ControlKeyNotes& keys,
                                                const ChartSongShape& shape);

}  // namespace kalo::song
