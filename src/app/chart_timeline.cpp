#include "app/chart_timeline.h"

#include <optional>
#include <vector>

#include "perform/chord_keys.h"
#include "perform/chord_recognizer.h"
#include "song/chart_song.h"

namespace kalo::app {

Timeline ChartTimeline(const perform::ChordChart& chart, const config::Settings& settings, bool ending) {
  const config::ControlKeyNotes keys = config::ComputeControlKeyNotes(settings);
  const perform::AccompanimentZone zone{keys.SectionFirst, keys.SectionLast};
  Timeline timeline;
  std::vector<int> held;
  for (const perform::ChartItem& item : chart.Items) {
    const int64_t tick = static_cast<int64_t>(item.Beat) * kTicksPerChartBeat;
    if (item.What == perform::ChartItem::Kind::kRequest) {
      timeline.ControlKey(tick, song::RequestKey(item.Request, keys));
      continue;
    }
    if (item.What != perform::ChartItem::Kind::kChord) continue;  // song functions need a song
    if (!held.empty()) timeline.ChordKeysUp(tick, held);
    const std::optional<std::vector<int>> chordKeys =
        perform::ChordKeys(item.RootPitchClass, item.Type, zone);
    if (chordKeys) {
      held = *chordKeys;
      timeline.ChordKeysDown(tick, held);
    } else {
      held.clear();
      const int root =
          item.RootNote != 0 ? item.RootNote : perform::FingeredRootNote(item.RootPitchClass, zone.Lowest);
      timeline.Chord(tick, root, item.Type);
    }
  }
  const int64_t end = static_cast<int64_t>(chart.Beats()) * kTicksPerChartBeat;
  if (ending) {
    timeline.ControlKey(end, keys.Ending);
  } else {
    timeline.Stop(end);
  }
  return timeline;
}

}  // namespace kalo::app
