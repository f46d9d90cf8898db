#include "song/song_chart.h"

#include <algorithm>
#include <sstream>
#include <vector>

#include "perform/chord_chart.h"
#include "perform/chord_recognizer.h"
#include "song/chart_song.h"

namespace kalo::song {

namespace {

constexpr int kMeasuresPerLine = 4;
constexpr perform::ChartRequest kRequests[] = {
    perform::ChartRequest::kFill, perform::ChartRequest::kToExtended, perform::ChartRequest::kToBasic,
    perform::ChartRequest::kEnding, perform::ChartRequest::kIntro};

bool HasChordBytes(const BeatRecord& record) { return record.Root != 0 || record.Type != 0; }
bool HasFunctionBytes(const BeatRecord& record) { return record.Function != 0 || record.Parameter != 0; }

std::string FunctionToken(const BeatRecord& record, const config::ControlKeyNotes& keys) {
  if (record.Function >= 1 && record.Function <= 250 && record.Parameter == kPartKeyParameter) {
    for (perform::ChartRequest request : kRequests)
      if (RequestKey(request, keys) == record.Function) return perform::ChartRequestToken(request);
  }
  return perform::ChartFunctionToken(record.Function, record.Parameter);
}

// Writes measures of records as chart text, remembering the chord before for "/".
class ChartWriter {
 public:
  ChartWriter(const config::ControlKeyNotes& keys, int lowestKey) : keys_(keys), lowestKey_(lowestKey) {}

  std::string Measure(const std::vector<BeatRecord>& beats) {
    const int b = static_cast<int>(beats.size());
    std::vector<int> chords;
    bool functionsOnChords = true;
    for (int j = 0; j < b; ++j) {
      if (HasChordBytes(beats[j])) chords.push_back(j);
      if (HasFunctionBytes(beats[j]) && !HasChordBytes(beats[j])) functionsOnChords = false;
    }
    const int n = static_cast<int>(chords.size());
    bool typed = n >= 1 && functionsOnChords;
    for (int i = 0; i < n && typed; ++i) typed = chords[i] == (i * b + n - 1) / n;
    if (n == 0 && functionsOnChords) return ".";
    std::string text;
    for (int j = 0; j < b; ++j) {
      if (typed && !HasChordBytes(beats[j])) continue;
      if (!text.empty()) text += ' ';
      if (HasFunctionBytes(beats[j])) text += FunctionToken(beats[j], keys_) + ' ';
      text += Chord(beats[j], j == 0);
    }
    return text;
  }

 private:
  std::string Chord(const BeatRecord& record, bool firstOfMeasure) {
    if (!HasChordBytes(record)) return ".";
    const int chord = record.Root * 256 + record.Type;
    const bool again = last_ == chord;
    last_ = chord;
    if (again && !firstOfMeasure) return "/";
    if (!record.HasChord() || record.Root > 127 || !perform::IsChordType(record.Type))
      return "@" + std::to_string(record.Root) + ":" + std::to_string(record.Type);
    const int pitchClass = record.Root % 12;
    std::string token = perform::ChartChordToken(pitchClass, record.Type);
    if (record.Root != perform::FingeredRootNote(pitchClass, lowestKey_))
      token += "@" + std::to_string(record.Root);
    return token;
  }

  const config::ControlKeyNotes& keys_;
  int lowestKey_;
  int last_ = -1;  // root × 256 + type of the chord written last; -1 before the first
};

// A memo line as a directive's value: one line, without the brace that would end the directive.
std::string DirectiveValue(std::string text) {
  std::replace(text.begin(), text.end(), '\n', ' ');
  std::replace(text.begin(), text.end(), '\r', ' ');
  std::replace(text.begin(), text.end(), '}', ')');
  return text;
}

std::optional<int> Number(std::string_view text, int low, int high) {
  return perform::ParseChartNumber(text, low, high);
}

std::string Range(const perform::ChartDirective& directive, const char* what, int low, int high) {
  return "{" + directive.Name + ": " + directive.Value + "}: " + what + " must be a number from " +
         std::to_string(low) + " to " + std::to_string(high);
}

}  // namespace

std::string ChartOfSong(const Chordmemory& chords, const SongMemo& memo, const config::ControlKeyNotes& keys,
                        int lowestAccompanimentKey) {
  if (chords.Empty()) return {};
  std::ostringstream out;
  const std::pair<const char*, const std::string*> lines[] = {
      {"title", &memo.Title}, {"subtitle", &memo.Subtitle}, {"artist", &memo.Author}};
  for (const auto& [name, value] : lines)
    if (!value->empty()) out << '{' << name << ": " << DirectiveValue(*value) << "}\n";
  if (!memo.Copyright.empty() && memo.Copyright != kDefaultCopyright)
    out << "{copyright: " << DirectiveValue(memo.Copyright) << "}\n";

  const ChordmemoryHeader header = chords.Header();
  std::optional<int> metre;
  for (int i = 0; i < config::kMetrumCount && !metre; ++i)
    if (config::kMetrumLengths[i] == header.MeasureLength) metre = i;
  if (metre && header.Tempo >= 25 && header.Tempo <= 250 && header.MelodyProgram <= 127) {
    out << "{time: " << config::kMetrumNames[*metre] << "}\n{tempo: " << int{header.Tempo} << "}\n";
    if (header.StartMeasure != 0) out << "{start: " << int{header.StartMeasure} << "}\n";
    if (header.MelodyProgram != 0) out << "{program: " << int{header.MelodyProgram} << "}\n";
  } else {
    out << "{header: " << int{header.StartMeasure} << ' ' << int{header.Tempo} << ' '
        << int{header.MeasureLength} << ' ' << int{header.MelodyProgram} << "}\n";
  }

  // A header length the metre list lacks plays as 4/4.
  const int b = metre ? header.MeasureLength / kRecordBytes : 4;
  const int records = std::min((chords.Length - kSongStart + kRecordBytes - 1) / kRecordBytes,
                               (kChordmemoryWorkingSize - kSongStart) / kRecordBytes);
  auto record = [&](int index) {  // beat record 1 + index; empty beyond the length
    return index < records ? chords.RecordAt(kSongStart + kRecordBytes * index) : BeatRecord{};
  };
  int measures = (records + b - 1) / b;
  // A typed chart's end: STOP alone on the first beat of the last measure, the length ending it.
  bool impliedEnd = measures >= 2 && records % b == 0 &&
                    chords.Length == kSongStart + kRecordBytes * records &&
                    record((measures - 1) * b) == BeatRecord{0, 0, kStopFunction, 0};
  for (int j = 1; j < b && impliedEnd; ++j) impliedEnd = record((measures - 1) * b + j) == BeatRecord{};
  if (impliedEnd) {
    --measures;
  } else {
    out << "{length: " << chords.Length << "}\n";
  }

  ChartWriter writer(keys, lowestAccompanimentKey);
  for (int m = 0; m < measures; ++m) {
    std::vector<BeatRecord> beats;
    for (int j = 0; j < b; ++j) beats.push_back(record(m * b + j));
    out << writer.Measure(beats);
    if (m + 1 == measures) {
      out << '\n';
    } else {
      out << ((m + 1) % kMeasuresPerLine == 0 ? " |\n" : " | ");
    }
  }
  return out.str();
}

std::variant<ChartSong, std::string> SongFromChart(std::string_view text, const ChartReading& reading) {
  const int defaultBeats = reading.MeasureLength ? std::max(1, *reading.MeasureLength / kRecordBytes) : 4;
  auto parsed = perform::ParseAnyChart(text, defaultBeats);
  if (const auto* error = std::get_if<std::string>(&parsed)) return *error;
  const perform::ChordChart& chart = std::get<perform::ChordChart>(parsed);

  ChartSongShape shape;
  shape.MeasureLength = reading.MeasureLength.value_or(16);
  if (const auto time = chart.Directive("time")) {
    shape.MeasureLength = perform::MetreLength(*time).value_or(16);
    if (reading.MeasureLength && *reading.MeasureLength != shape.MeasureLength) {
      return "the chart's {time: " + *time + "} does not fit the style, whose measures have " +
             std::to_string(*reading.MeasureLength / kRecordBytes) + " beats";
    }
  }
  shape.Tempo = reading.DefaultTempo;
  shape.LowestAccompanimentKey = reading.LowestAccompanimentKey;
  ChartSong song;
  // {header} gives all four bytes; the named directives after it win for theirs.
  if (const auto raw = chart.Directive("header")) {
    std::istringstream words(*raw);
    std::vector<int> bytes;
    for (std::string word; words >> word;)
      if (const auto value = Number(word, 0, 255)) bytes.push_back(*value);
    if (bytes.size() != 4 || words.bad())
      return "{header: " + *raw + "}: four numbers from 0 to 255 are needed";
    shape.StartMeasure = bytes[0];
    shape.Tempo = bytes[1];
    shape.MeasureLength = bytes[2];
    shape.MelodyProgram = bytes[3];
  }
  for (const perform::ChartDirective& directive : chart.Directives) {
    const std::string& name = directive.Name;
    auto take = [&directive](std::optional<std::string>& field) {
      if (!field) field = directive.Value;
    };
    if (name == "title" || name == "t") {
      take(song.Memo.Title);
    } else if (name == "subtitle" || name == "st") {
      take(song.Memo.Subtitle);
    } else if (name == "artist" || name == "author" || name == "composer") {
      take(song.Memo.Author);
    } else if (name == "copyright") {
      take(song.Memo.Copyright);
    } else if (name == "tempo") {
      const auto tempo = Number(directive.Value, 25, 250);
      if (!tempo) return Range(directive, "the tempo", 25, 250);
      shape.Tempo = *tempo;
    } else if (name == "start") {
      const auto start = Number(directive.Value, 0, 255);
      if (!start) return Range(directive, "the start measure", 0, 255);
      shape.StartMeasure = *start;
    } else if (name == "program") {
      const auto program = Number(directive.Value, 0, 127);
      if (!program) return Range(directive, "the melody program", 0, 127);
      shape.MelodyProgram = *program;
    } else if (name == "length") {
      constexpr int kMost = static_cast<int>(kChordmemoryBufferSize);
      const auto length = Number(directive.Value, kEmptyChordmemoryLength + 1, kMost);
      if (!length) return Range(directive, "the length", kEmptyChordmemoryLength + 1, kMost);
      shape.Length = *length;
    }
  }
  if (reading.Tempo) shape.Tempo = *reading.Tempo;
  if (reading.MelodyProgram) shape.MelodyProgram = *reading.MelodyProgram;
  auto chords = ChordmemoryFromChart(chart, reading.Keys, shape);
  if (!chords) return std::string("the chart is longer than a song can hold (2999 beats)");
  song.Chords = *chords;
  song.RequestsWithoutKey = RequestsWithoutKey(chart, reading.Keys);
  return song;
}

}  // namespace kalo::song
