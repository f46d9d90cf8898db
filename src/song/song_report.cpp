#include "song/song_report.h"

#include <cstdio>
#include <sstream>
#include <vector>

#include "host/printable_text.h"
#include "perform/chord.h"
#include "song/function_text.h"
#include "song/memo_text.h"
#include "song/play_range.h"

namespace kalo::song {

namespace {

struct BeatLine {
  int Position;
  BeatRecord Record;
  std::string Chord;     // empty without a chord
  std::string Function;  // empty without a function
};

// The header's measure length when the metrum table holds it, else 16.
int MeasureLengthOf(const ChordmemoryHeader& header) {
  return MetrumIndexForLength(header.MeasureLength, false) ? header.MeasureLength : 16;
}

std::string MetrumText(const ChordmemoryHeader& header) {
  const auto index = MetrumIndexForLength(header.MeasureLength, false);
  return index ? config::kMetrumNames[*index] : "not a metrum, counted as 4/4";
}

// A chord's name; "invalid chord" with its bytes where root or type lie outside their ranges.
std::string ChordText(const BeatRecord& r) {
  if (r.HasChord()) return perform::ChordName(r.Root, r.Type);
  if (r.InvalidChord())
    return "invalid chord (root " + std::to_string(r.Root) + ", type " + std::to_string(r.Type) + ")";
  return {};
}

std::string FunctionLineText(const BeatRecord& r, const config::ControlKeyNotes& keys) {
  if (r.Function == kNoFunction) return {};
  const std::string code = std::to_string(r.Function) + "/" + std::to_string(r.Parameter);
  if (!ValidFunction(r.Function, r.Parameter)) return "invalid function " + code;
  const std::string text = FunctionText(r.Function, r.Parameter, keys);
  return text.empty() ? "function " + code : text;
}

std::vector<BeatLine> BeatLines(const ParsedArrangement& song, const config::ControlKeyNotes& keys) {
  std::vector<BeatLine> lines;
  for (int p = kSongStart; p + kRecordBytes <= song.Chords.Length; p += kRecordBytes) {
    const BeatRecord r = song.Chords.RecordAt(p);
    BeatLine line{p, r, ChordText(r), FunctionLineText(r, keys)};
    if (!line.Chord.empty() || !line.Function.empty()) lines.push_back(line);
  }
  return lines;
}

std::string LayoutText(const ParsedArrangement& song) {
  if (song.OldestLayout) return "oldest (chords only)";
  std::string text = song.HasMelodyBlock ? "melody block, " : "no melody block, ";
  text += song.SizedMemo ? "sized memo" : "fixed memo";
  text += song.HasStyleBlock ? ", style block" : ", no style block";
  return text;
}

std::string Json(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
      out += escaped;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

// The stored style path for showing: its bytes read as Windows-1252, so the text is always UTF-8.
std::string ShownPath(const ParsedArrangement& song) {
  return DecodeFileText(
      std::span(reinterpret_cast<const uint8_t*>(song.StylePath.data()), song.StylePath.size()));
}

}  // namespace

std::string SongInfoText(const ParsedArrangement& song, const config::ControlKeyNotes& keys) {
  const ChordmemoryHeader h = song.Chords.Header();
  const int measureLength = MeasureLengthOf(h);
  std::ostringstream out;
  out << "layout: " << LayoutText(song) << '\n';
  out << "start measure: " << int{h.StartMeasure} << '\n';
  out << "tempo: " << int{h.Tempo} << '\n';
  out << "measure length: " << int{h.MeasureLength} << " (" << MetrumText(h) << ")\n";
  out << "melody program: " << int{h.MelodyProgram} << '\n';
  out << "length: " << song.Chords.Length << " bytes" << (song.Chords.Empty() ? " (empty)" : "") << '\n';
  out << "measures: " << song.Chords.Measures(measureLength) << '\n';
  if (song.CutShort) out << "cut short: the file ends inside a block; what is missing counts as empty\n";
  // The file's texts are shown escaped: none of their bytes reaches the terminal as a command.
  out << "title: " << host::PrintableText(song.Memo.Title) << '\n';
  out << "subtitle: " << host::PrintableText(song.Memo.Subtitle) << '\n';
  out << "author: " << host::PrintableText(song.Memo.Author) << '\n';
  out << "copyright: " << host::PrintableText(song.Memo.Copyright) << '\n';
  out << "comments:";
  std::istringstream comments(song.Memo.Comments);
  for (std::string line; std::getline(comments, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    out << "\n  " << host::PrintableText(line);
  }
  out << '\n';
  out << "style: " << (song.HasStyleBlock ? host::PrintableText(ShownPath(song)) : "none") << '\n';
  out << "melody events: " << song.Melody.size() << '\n';
  for (const BeatLine& line : BeatLines(song, keys)) {
    out << MeasureOf(line.Position, measureLength) << ':' << BeatOf(line.Position, measureLength) << " @"
        << line.Position;
    if (!line.Chord.empty()) out << ' ' << line.Chord;
    if (!line.Function.empty()) out << (line.Chord.empty() ? " " : ", ") << line.Function;
    out << '\n';
  }
  return out.str();
}

std::string SongInfoJson(const ParsedArrangement& song, const config::ControlKeyNotes& keys) {
  const ChordmemoryHeader h = song.Chords.Header();
  const int measureLength = MeasureLengthOf(h);
  std::ostringstream out;
  out << "{\"layout\":" << Json(LayoutText(song)) << ",\"startMeasure\":" << int{h.StartMeasure}
      << ",\"tempo\":" << int{h.Tempo} << ",\"measureLength\":" << int{h.MeasureLength}
      << ",\"metrum\":" << Json(MetrumText(h)) << ",\"melodyProgram\":" << int{h.MelodyProgram}
      << ",\"length\":" << song.Chords.Length << ",\"measures\":" << song.Chords.Measures(measureLength)
      << ",\"cutShort\":" << (song.CutShort ? "true" : "false") << ",\"title\":" << Json(song.Memo.Title)
      << ",\"subtitle\":" << Json(song.Memo.Subtitle) << ",\"author\":" << Json(song.Memo.Author)
      << ",\"copyright\":" << Json(song.Memo.Copyright) << ",\"comments\":" << Json(song.Memo.Comments)
      << ",\"style\":" << (song.HasStyleBlock ? Json(ShownPath(song)) : "null")
      << ",\"melodyEvents\":" << song.Melody.size() << ",\"beats\":[";
  bool first = true;
  for (const BeatLine& line : BeatLines(song, keys)) {
    out << (first ? "" : ",") << "{\"measure\":" << MeasureOf(line.Position, measureLength)
        << ",\"beat\":" << BeatOf(line.Position, measureLength) << ",\"position\":" << line.Position
        << ",\"root\":" << int{line.Record.Root} << ",\"type\":" << int{line.Record.Type}
        << ",\"chord\":" << (line.Record.HasChord() ? Json(line.Chord) : "null")
        << ",\"function\":" << int{line.Record.Function} << ",\"parameter\":" << int{line.Record.Parameter}
        << ",\"functionText\":" << (line.Function.empty() ? "null" : Json(line.Function)) << ",\"valid\":"
        << (line.Record.InvalidChord() || !ValidFunction(line.Record.Function, line.Record.Parameter)
                ? "false"
                : "true")
        << "}";
    first = false;
  }
  out << "]}\n";
  return out.str();
}

}  // namespace kalo::song
