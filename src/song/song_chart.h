#pragma once
// Songs as chord charts, both ways. A song's chart (ChartOfSong) reads back (SongFromChart) into the
// same Chordmemory, byte for byte: every beat record is written as a chord, "/" (the chord before
// again), "." (none), a chord with its root note ("C@36") or its raw bytes ("@60:0"), with its function
// in brackets before it; the header as directives ({time}, {tempo}, {start}, {program}, or {header} for
// values no directive names) and a length of its own ({length}) where it is not the end of the STOP's
// measure. Measures whose beats lie as a typed chart puts them are written as typed ("C G"); others
// beat by beat ("C / . G"). The song memo's title, subtitle, author and copyright line travel as
// {title}, {subtitle}, {artist} and {copyright}. Pure functions, any thread.

#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "config/settings.h"
#include "song/chordmemory.h"
#include "song/song.h"

namespace kalo::song {

// The chart of a song (an empty Chordmemory gives an empty text). Part keys are named by `keys`, roots
// placed as `lowestAccompanimentKey` places them are written without their note.
std::string ChartOfSong(const Chordmemory& chords, const SongMemo& memo, const config::ControlKeyNotes& keys,
                        int lowestAccompanimentKey);

// What reading a chart takes from its caller.
struct ChartReading {
  config::ControlKeyNotes Keys{};   // the control keys part requests press
  int LowestAccompanimentKey = 40;  // where roots written without a note are placed
  // The measure length of the style the song is for; a chart's {time} must agree with it. Without it
  // and without {time} the song is in 4/4.
  std::optional<int> MeasureLength;
  int DefaultTempo = 120;            // without {tempo} in the chart
  std::optional<int> Tempo;          // wins over the chart's
  std::optional<int> MelodyProgram;  // wins over the chart's
};

// The memo lines a chart gives; those it does not give stay empty.
struct ChartMemo {
  std::optional<std::string> Title;
  std::optional<std::string> Subtitle;
  std::optional<std::string> Author;
  std::optional<std::string> Copyright;
};

struct ChartSong {
  Chordmemory Chords;
  ChartMemo Memo;
  // The part requests the song leaves out because the settings give their key no note ("[Fill] at 3:1").
  std::vector<std::string> RequestsWithoutKey;
};

// A chart (the program's syntax or a ChordPro sheet, told apart by perform::IsChordPro) as a song, or
// the error text.
std::variant<ChartSong, std::string> SongFromChart(std::string_view text, const ChartReading& reading);

}  // namespace kalo::song
