#include "song/chart_song.h"

#include "perform/chord_recognizer.h"

namespace kalo::song {

static_assert(perform::kChartSoloMute == kSoloMuteFunction &&
                  perform::kChartTranspose == kTransposeFunction && perform::kChartLoop == kLoopFunction &&
                  perform::kChartTempo == kTempoFunction && perform::kChartStop == kStopFunction,
              "a chart's function codes are the Chordmemory's");

int RequestKey(perform::ChartRequest request, const config::ControlKeyNotes& keys) {
  switch (request) {
    case perform::ChartRequest::kFill:
      return keys.FillIn;
    case perform::ChartRequest::kToExtended:
      return keys.ToExtended;
    case perform::ChartRequest::kToBasic:
      return keys.ToBasic;
    case perform::ChartRequest::kEnding:
      return keys.Ending;
    case perform::ChartRequest::kIntro:
      return keys.Intro;
  }
  return keys.FillIn;
}

namespace {

constexpr bool Storable(int key) { return key >= 1 && key <= 250; }

const char* RequestName(perform::ChartRequest request) {
  switch (request) {
    case perform::ChartRequest::kFill:
      return "[Fill]";
    case perform::ChartRequest::kToExtended:
      return "[ToExtended]";
    case perform::ChartRequest::kToBasic:
      return "[ToBasic]";
    case perform::ChartRequest::kEnding:
      return "[Ending]";
    case perform::ChartRequest::kIntro:
      return "[Intro]";
  }
  return "[Fill]";
}

}  // namespace

std::vector<std::string> RequestsWithoutKey(const perform::ChordChart& chart,
                                            const config::ControlKeyNotes& keys) {
  std::vector<std::string> found;
  const int beats = chart.BeatsPerMeasure > 0 ? chart.BeatsPerMeasure : 1;
  for (const perform::ChartItem& item : chart.Items) {
    if (item.What != perform::ChartItem::Kind::kRequest || Storable(RequestKey(item.Request, keys))) continue;
    found.push_back(std::string(RequestName(item.Request)) + " at " + std::to_string(item.Beat / beats + 1) +
                    ":" + std::to_string(item.Beat % beats + 1));
  }
  return found;
}

std::optional<Chordmemory> ChordmemoryFromChart(const perform::ChordChart& chart,
                                                const config::ControlKeyNotes& keys,
                                                const ChartSongShape& shape) {
  const int stop = kSongStart + kRecordBytes * chart.Beats();
  const int lastItem = shape.Length > 0 ? stop - kRecordBytes : stop;
  if (chart.Beats() <= 0 || lastItem >= kChordmemoryWorkingSize) return std::nullopt;
  Chordmemory chords = Chordmemory::Cleared();
  chords.Write(kSongStart, {});  // the cleared song's STOP gives way to the chart
  chords.SetHeader({static_cast<uint8_t>(shape.StartMeasure), static_cast<uint8_t>(shape.Tempo),
                    static_cast<uint8_t>(shape.MeasureLength), static_cast<uint8_t>(shape.MelodyProgram)});
  for (const perform::ChartItem& item : chart.Items) {
    const int position = kSongStart + kRecordBytes * item.Beat;
    BeatRecord record = chords.RecordAt(position);
    switch (item.What) {
      case perform::ChartItem::Kind::kRequest: {
        const int key = RequestKey(item.Request, keys);
        if (!Storable(key)) continue;  // see RequestsWithoutKey
        record.Function = static_cast<uint8_t>(key);
        record.Parameter = kPartKeyParameter;
        break;
      }
      case perform::ChartItem::Kind::kFunction:
        record.Function = static_cast<uint8_t>(item.Code);
        record.Parameter = static_cast<uint8_t>(item.Parameter);
        break;
      case perform::ChartItem::Kind::kRawChord:
        record.Root = static_cast<uint8_t>(item.RootNote);
        record.Type = static_cast<uint8_t>(item.Type);
        break;
      case perform::ChartItem::Kind::kChord:
        record.Root =
            static_cast<uint8_t>(item.RootNote != 0 ? item.RootNote
                                                    : perform::FingeredRootNote(
                                                          item.RootPitchClass, shape.LowestAccompanimentKey));
        record.Type = static_cast<uint8_t>(item.Type);
        break;
    }
    chords.Write(position, record);
  }
  const int measureLength = chart.BeatsPerMeasure * kRecordBytes;  // a header's odd length plays as 4/4
  const int endOfMeasure = ((stop - kSongStart) / measureLength) * measureLength + kSongStart + measureLength;
  int length = shape.Length;
  if (length <= 0) length = endOfMeasure < static_cast<int>(kChordmemoryBufferSize) ? endOfMeasure : stop + 4;
  if (stop < length) {
    BeatRecord end = chords.RecordAt(stop);
    end.Function = kStopFunction;
    end.Parameter = 0;
    chords.Write(stop, end);
  }
  chords.Length = static_cast<int16_t>(length);
  return chords;
}

}  // namespace kalo::song
