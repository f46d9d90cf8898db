#pragma once
// A chord chart turned into a song: the chart's chords on their beats, its part requests as the
// function codes of their control keys, its song functions as written, and STOP at the end, so that a
// song typed as a chart plays, edits and saves like a recorded one. Pure functions, any thread.

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
  int StartMeasure = 0;             // the header's start measure
  int MelodyProgram = 0;            // the header's melody program
  // The Chordmemory length; 0 for the end of the STOP's measure. STOP is written only within it.
  int Length = 0;
};

// The Chordmemory of `chart`: beat record 1 + b holds what the chart gives on beat b (chord, and a
// request's control key of `keys` with parameter 12 or a song function; a later mark on the same beat
// wins), the record after the last beat holds STOP, and the length ends the measure of that STOP, as
// the end mark of a recording does (or is the shape's). nullopt when the chart and its STOP do not fit
// the working area (2999 beats at most; 3000 with a length of its own).
std::optional<Chordmemory> ChordmemoryFromChart(const perform::ChordChart& chart,
                                                const config::ControlKeyNotes& keys,
                                                const ChartSongShape& shape);

}  // namespace kalo::song
