#pragma once
// A chord chart as a player plays it into an offline run: the chart's chords given at the first tick of
// their beats through the keys of the accompaniment zone, its part requests pressed as control keys,
// and the end of the piece. Main thread (it reads the session's settings when the timeline is built).

#include "app/offline_driver.h"
#include "config/settings.h"
#include "perform/chord_chart.h"

namespace kalo::app {

// Ticks per quarter-note beat of a chart.
inline constexpr int kTicksPerChartBeat = 24;

// The timeline of `chart` for a session with `settings`: each chord is given at the first tick of its
// beat (the first at tick 0) by releasing the keys of the chord before and pressing its own keys in
// the accompaniment zone, so that the program's chord recognition makes it; a chord that no keys can
// make is given as a chord button gives it. Requests press the settings' control keys at their beats.
// At the end of the last measure the ending key is pressed (`ending`) or Stop is given. Song functions
// and raw beats, which only a song plays, are left out: callers refuse such charts.
Timeline ChartTimeline(const perform::ChordChart& chart, const config::Settings& settings, bool ending);

}  // namespace kalo::app
