#pragma once
// A melody written as text, for songs made from a chart: notes and rests one after the other from the
// song's first beat, each "<pitch>:<beats>" ("E5:1", "F#4:0.5", "Bb4:1.5") or "r:<beats>" for a rest.
// Pitches name the note and octave with C4 = 60 (sharps '#', flats 'b'); beats are quarter notes, a
// whole number or a decimal fraction that makes whole ticks (24 per beat). Blanks and line breaks
// separate tokens; '|' may stand between them as a bar line and is ignored; '#' at the start of a
// token begins a comment to the end of the line. Pure functions, any thread.

#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "song/melody_track.h"

namespace kalo::song {

inline constexpr uint8_t kTextMelodyVelocity = 100;

// The events of `text` on channel `channel` (0..15): a note-on at its start and a note-on with
// velocity 0 at its end, two ticks before the next note so that repeated notes are heard apart. Times
// are song-clock ticks from 0. An error text names the bad token and its number (from 1); a melody of
// more than 4000 events is an error too.
std::variant<std::vector<MelodyEvent>, std::string> ParseMelodyText(std::string_view text, int channel);

}  // namespace kalo::song
