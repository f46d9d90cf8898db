#pragma once
// Chord charts as a player types them ("C Am | F G7 | % | [Fill] Dm7 G7 [Ending]"): measures of chord
// symbols, repeat signs, style-part requests and song functions, turned into a time line of quarter-note
// beats that an offline render or a song can play. Pure functions, any thread.
//
// The text:
//   - Measures are separated by `|` ("||" counts as one bar line); a `|` at the very start or end of the
//     text is an opening or closing bar line, not an empty measure. Blanks, tabs and line breaks separate
//     tokens; `|`, `[` and `{` also end the token before them ("C|F" is two measures). A line whose first
//     character other than a blank is `#` is a comment.
//   - The slots of a measure (its chords, `.` and `/`) share its beats as evenly as possible, earlier slots
//     taking the longer share when the count does not divide the beats: slot i of n in a measure of b
//     beats starts at beat ceil(i * b / n) of the measure (2 chords in 3/4: 2 + 1 beats; 3 chords in 4/4:
//     2 + 1 + 1). With as many slots as beats every slot is one beat. A measure with more slots than
//     beats is an error.
//   - `.` is a slot that gives no chord (the chord before goes on); `/` gives the chord before again.
//   - `%` repeats the slots of the measure before (with their beats), not its requests. It stands as the
//     only slot of its measure; requests may stand before or after it.
//   - Requests in brackets (letter case and blanks inside do not matter) act where they stand: on the
//     first beat of the slot written after them in the same measure, or, when no slot follows in the
//     measure, at the next bar line (the first beat of the next measure; after the last measure, the end
//     of the chart). So "C [Fill] | F" and "C | [Fill] F" both press Fill on beat 4, before F is given.
//     Part requests: [Fill], [ToExtended], [ToBasic], [Ending], [Intro]. Song functions, which only a
//     song can play: [Tempo 96], [Loop 3x], [LoopEnd], [Transpose +2], [Transpose -3], [Solo 5],
//     [Mute 5], [Play 5], [Play All], [Mute All], [Mute Melody], [Play Melody], [Stop], and
//     [Function 251 17] for any function code and parameter (0..255 each).
//   - Directives in braces, `{name: value}`, say things about the whole chart; `{time: 3/4}` sets the
//     beats per measure (one of the metres 6/4 5/4 4/4 3/4 2/4 1/4 6/8 2/8 1/8), the others are kept for
//     the caller.
//   - Every measure holds at least one slot or `%`.
//   - Chord symbols: see ParseChordSymbol. A chord may end in "@N" to give its root note N (0..127, of
//     the chord's pitch class) where the caller would otherwise place the root itself; "@R:T" gives a
//     beat's root and type bytes as stored (0..255 each), for records that are no playable chord.
// Every error names the bad token or measure with its place: measure number and token number (both
// 1-based, counted in the text) and the column (1-based, in characters; with the line for texts of more
// than one line); nothing of a bad chart is used.
//
// ChordPro chord sheets are read too (ParseChordProChart): chords in brackets inside lyrics ("[Am]Sweet
// [F]home"), one line a measure, or measures between bar lines `|` where a line has them (a stretch of
// lyrics between bar lines without a chord is a measure with no change of chord); [N.C.] is a slot
// without a chord; lines without chords or bar lines (lyrics, blank lines) are skipped; directives as
// above; the requests and functions above may stand in brackets too.

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace kalo::perform {

// A style-part request of a chart, pressed as its control key.
enum class ChartRequest { kFill, kToExtended, kToBasic, kEnding, kIntro };

// The song functions of a chart, as the Chordmemory stores them (function code; the parameter beside
// it). Codes 1..250 are control-key notes.
inline constexpr int kChartSoloMute = 251;
inline constexpr int kChartTranspose = 252;
inline constexpr int kChartLoop = 253;
inline constexpr int kChartTempo = 254;
inline constexpr int kChartStop = 255;

struct ChartItem {
  enum class Kind {
    kChord,     // a chord: RootPitchClass, Type, RootNote
    kRawChord,  // a beat's root and type bytes as stored: RootNote, Type
    kRequest,   // a style-part request: Request
    kFunction   // a song function: Code, Parameter
  };
  Kind What = Kind::kChord;
  // Quarter-note beats from the start of the chart (0); measure m (1-based) starts at beat
  // (m - 1) * beats per measure.
  int Beat = 0;
  int RootPitchClass = 0;  // chords: 0 (C) .. 11 (B)
  int Type = 0;            // chords: 1..17; raw chords: 0..255
  // Chords: the root note written with "@N", 0 where the reader places it; raw chords: 0..255.
  int RootNote = 0;
  ChartRequest Request = ChartRequest::kFill;  // requests
  int Code = 0;                                // functions: 0..255
  int Parameter = 0;                           // functions: 0..255
  friend bool operator==(const ChartItem&, const ChartItem&) = default;
};

// `{name: value}` ("{title: Open Road}"); the name in lower case, both trimmed.
struct ChartDirective {
  std::string Name;
  std::string Value;
  friend bool operator==(const ChartDirective&, const ChartDirective&) = default;
};

struct ChordChart {
  int BeatsPerMeasure = 4;
  int Measures = 0;
  // In time order; items on the same beat in the order written, so a request written before a chord
  // comes before it. Every chord written (a `%` repeat and `/` included) is listed, also when it equals
  // the chord before: whether to give it again is the player's business.
  std::vector<ChartItem> Items;
  // In the order written.
  std::vector<ChartDirective> Directives;

  int Beats() const { return Measures * BeatsPerMeasure; }
  // The value of the first directive of that name (lower case), if any.
  std::optional<std::string> Directive(std::string_view name) const;
  // Whether an item needs a song to play: a song function or a raw chord.
  bool HasSongFunctions() const;
};

inline constexpr int kMaxChartBeatsPerMeasure = 64;

// `beatsPerMeasure` is the measure length in quarter notes (L div 4: 6/4 gives 6, 4/4 gives 4, 6/8
// gives 3, 2/8 and 1/8 give 1), 1..kMaxChartBeatsPerMeasure; a {time} directive overrides it. The chart,
// or an error text.
std::variant<ChordChart, std::string> ParseChordChart(std::string_view text, int beatsPerMeasure);
// The same for a ChordPro chord sheet.
std::variant<ChordChart, std::string> ParseChordProChart(std::string_view text, int beatsPerMeasure);
// Whether a text is a ChordPro sheet: some bracket outside comment and directive lines holds a chord
// symbol or N.C. (a chart's brackets hold requests and functions only).
bool IsChordPro(std::string_view text);
// ParseChordProChart for a ChordPro sheet, else ParseChordChart.
std::variant<ChordChart, std::string> ParseAnyChart(std::string_view text, int beatsPerMeasure);

// A whole number written in a chart (digits, a leading '-' allowed, nothing else) within low..high.
std::optional<int> ParseChartNumber(std::string_view text, int low, int high);
// The measure length L (four per beat) of a metre name "6/4" .. "1/8"; nullopt for others.
std::optional<int> MetreLength(std::string_view metre);

struct ChartChord {
  int RootPitchClass = 0;
  int Type = 0;
  friend bool operator==(const ChartChord&, const ChartChord&) = default;
};

// One chord symbol: a root "C" .. "B" with an optional sharp or flat ('#', 'b', or the signs U+266F and
// U+266D; "E#", "Fb", "B#", "Cb" are read enharmonically), then a type spelling from
// ChordTypeSpellings (case matters: "M7" is major seventh, "m7" minor), then optionally "/" and a bass
// note, which is accepted and left out (the style plays its own bass from the root). nullopt for
// anything else.
std::optional<ChartChord> ParseChordSymbol(std::string_view symbol);

// One accepted spelling of a type, e.g. {"m7b5", 15}: the table ParseChordSymbol reads, for help texts.
struct ChordTypeSpelling {
  const char* Suffix;  // UTF-8; "" is the major chord
  int Type;            // 1..17
};
std::span<const ChordTypeSpelling> ChordTypeSpellings();

// What a bracket of a chart holds: a part request or a song function (code and parameter).
struct ChartMark {
  bool IsRequest = true;
  ChartRequest Request = ChartRequest::kFill;
  int Code = 0;
  int Parameter = 0;
  friend bool operator==(const ChartMark&, const ChartMark&) = default;
};
// The mark of a bracketed token ("[Tempo 96]"); nullopt when it names none.
std::optional<ChartMark> ParseChartMark(std::string_view bracketed);

// The tokens a chart is written with, as ParseChordChart reads them back: "Am7" (the common spelling of
// the type: "C", "Cm", "C7", "Cm7", "Cdim", "Csus4", "Cadd9", "C7b5", "Cmaj7", "C+", "C6", "Cm(maj7)",
// "Cm6", "Cm9", "Cm7b5", "C7#5", "C7sus4"), "[Fill]", "[Tempo 96]" (a code and parameter that no name
// covers as "[Function 251 17]").
std::string ChartChordToken(int rootPitchClass, int type);
std::string ChartRequestToken(ChartRequest request);
std::string ChartFunctionToken(int code, int parameter);

}  // namespace kalo::perform
