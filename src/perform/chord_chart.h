#pragma once
// Chord charts as a player types them ("C Am | F G7 | % | [Fill] Dm7 G7 [Ending]"): measures of chord
// symbols, repeat signs and style-part requests, turned into a time line of quarter-note beats that an
// offline render or a song can play. Pure functions, any thread.
//
// The text:
//   - Measures are separated by `|` ("||" counts as one bar line); a `|` at the very start or end of the
//     text is an opening or closing bar line, not an empty measure. Blanks, tabs and line breaks separate
//     tokens; `|` and `[` also end the token before them ("C|F" is two measures).
//   - The chords of a measure share its beats as evenly as possible, earlier chords taking the longer
//     share when the count does not divide the beats: chord i of n in a measure of b beats starts at beat
//     ceil(i * b / n) of the measure (2 chords in 3/4: 2 + 1 beats; 3 chords in 4/4: 2 + 1 + 1). A
//     measure with more chords than beats is an error.
//   - `%` repeats the chords of the measure before (with their beats), not its requests. It stands as the
//     only chord of its measure; requests may stand before or after it.
//   - `[Fill]`, `[ToExtended]`, `[ToBasic]`, `[Ending]` (letter case and blanks inside the brackets do not
//     matter: "[to extended]") press that control key at the point where they stand: on the first beat of
//     the chord written after them in the same measure, or, when no chord follows in the measure, at the
//     next bar line (the first beat of the next measure; after the last measure, the end of the chart).
//     So "C [Fill] | F" and "C | [Fill] F" both press Fill on beat 4, before F is given.
//   - Every measure holds at least one chord or `%`.
//   - Chord symbols: see ParseChordSymbol.
// Every error names the bad token or measure with its place: measure number and token number (both
// 1-based, counted in the text) and the column (1-based, in characters); nothing of a bad chart is used.

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace kalo::perform {

// A style-part request of a chart, pressed as its control key.
enum class ChartRequest { kFill, kToExtended, kToBasic, kEnding };

struct ChartItem {
  enum class Kind { kChord, kRequest };
  Kind What = Kind::kChord;
  // Quarter-note beats from the start of the chart (0); measure m (1-based) starts at beat
  // (m - 1) * beats per measure.
  int Beat = 0;
  int RootPitchClass = 0;                      // chords: 0 (C) .. 11 (B)
  int Type = 0;                                // chords: 1..17
  ChartRequest Request = ChartRequest::kFill;  // requests
  friend bool operator==(const ChartItem&, const ChartItem&) = default;
};

struct ChordChart {
  int BeatsPerMeasure = 4;
  int Measures = 0;
  // In time order; items on the same beat in the order written, so a request written before a chord
  // comes before it. Every chord written (a `%` repeat included) is listed, also when it equals the
  // chord before: whether to give it again is the player's business.
  std::vector<ChartItem> Items;

  int Beats() const { return Measures * BeatsPerMeasure; }
};

inline constexpr int kMaxChartBeatsPerMeasure = 64;

// `beatsPerMeasure` is the style's measure length in quarter notes (L div 4: 6/4 gives 6, 4/4 gives 4,
// 6/8 gives 3, 2/8 and 1/8 give 1), 1..kMaxChartBeatsPerMeasure. The chart, or an error text.
std::variant<ChordChart, std::string> ParseChordChart(std::string_view text, int beatsPerMeasure);

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

}  // namespace kalo::perform
