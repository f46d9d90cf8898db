#pragma once
// The words of the style source notation: note names, drum names, step lengths and instrument names.
// Each reader takes one word and gives its value, or nullopt when the word is not of its kind.

#include <optional>
#include <string>
#include <string_view>

namespace kalo::styles {

// A note in scientific pitch notation with middle C = C4 = 60: a letter A to G, any number of '#'
// (sharp) or 'b' (flat), an octave from -1 to 9 ("C-1" is 0, "G9" is 127, "Bb3" is 58); or a note
// number 0 to 127. Results outside 0 to 127 are refused.
std::optional<int> NoteNumberOf(std::string_view word);
// The name of a note number for messages, with sharps: 61 is "C#4".
std::string NoteNameOf(int note);

// A General MIDI percussion name of channel 10 ("Closed Hi-Hat", written closed-hi-hat; case,
// spaces, '-' and '_' are ignored) or one of the short names kick, snare, rim, clap, hat,
// pedal-hat, open-hat, crash, ride: its key number.
std::optional<int> DrumKeyOf(std::string_view word);

// A step length in ticks (24 per quarter note): w h q e s (whole to sixteenth), followed by '.'
// (dotted, one and a half) or '3' (triplet, two thirds); or a tick count written "<n>t" (1 to 9999).
std::optional<int> StepTicksOf(std::string_view word);

// A General MIDI instrument name ("Electric Bass (finger)", case ignored): its program 0 to 127.
std::optional<int> ProgramNumberOf(std::string_view name);

}  // namespace kalo::styles
