#pragma once
// Conversion of material to the base chord: notes recorded over other chords, in another key, are
// mapped back to the C major pattern that the player's chord mapping turns into them again. The chords
// of the material are found from its non-drum notes (one chord per window of "Change Chord per Measure
// ..." beats) with the recognizer's scoring, or given by the user. The method is described in
// docs/architecture.md ("Conversion to the base chord"). Pure functions over the stream bytes.

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "styles/style_records.h"

namespace kalo::styles {

// The conversion menus of the Style-Creator, as their entries hand them on.
struct ConversionSettings {
  int WindowBeats = 4;           // "Change Chord per Measure ...": quarter-note beats per chord window, 1..8
  int Mode = 16;                 // "Mode ...": 0 Major, 3 Simple, 9 Normal, 16 Special
  int Sensitivity = 2;           // "Sensitivity ...": 1 Low, 2 Middle, 4 High, 500 Extreme
  int ConvertMode = 0;           // "Convertmode ...": 0 None N.C. .. 6 All notes to C maj
  bool SkipIntroEnding = false;  // "Don't convert intro && ending"
  bool SkipFills = false;        // "Don't convert fills" (fills and the two "To" parts)
  bool SkipMainParts = false;    // "Don't convert basic && extended"
};

// The values each menu entry hands on, in menu order.
inline constexpr std::array<int, 4> kModeValues = {0, 3, 9, 16};
inline constexpr std::array<int, 4> kSensitivityValues = {1, 2, 4, 500};
inline constexpr int kConvertModeCount = 7;
inline constexpr std::array<const char*, kConvertModeCount> kConvertModeNames = {
    "0  None N.C.",      "1  Chordkeys", "2  Chordtypes",        "3  Chordnotes",
    "4  Improper notes", "5  All notes", "6  All notes to C maj"};

// The highest chord type a "Mode ..." value lets the search find: maj only; maj, min, 7th, min7; the
// first ten types; all seventeen.
int HighestTypeForMode(int mode);

// Whether the conversion settings leave the part as it stands.
bool SkipsPart(const ConversionSettings& settings, int part);

// A chord in force from a tick of the material on.
struct TimedChord {
  int64_t Tick = 0;
  int RootPitchClass = 0;  // 0 (C) .. 11 (B)
  int Type = 1;            // 1..17
  friend bool operator==(const TimedChord&, const TimedChord&) = default;
};

// For each root pitch class, the semitones by which the player moves a pattern C under that root: the
// pitch class plus the octave offset of the root note the player holds (-12 where the root lies below
// the first C of the accompaniment section). All pitch classes unshifted by octave: {0, 1, ..., 11}.
using RootShifts = std::array<int, 12>;
RootShifts PlainRootShifts();

// The chords of the material's non-drum notes in [fromTick, toTick): one per window of WindowBeats
// quarter notes, the windows starting at every measure start (the last window of a measure may be
// shorter). A pitch class counts in a window when its notes sound there for at least 24 / Sensitivity
// ticks together; pitch classes whose sounding time is below a quarter of the window's strongest one
// are passing tones. A
// window without notes, or whose chord equals the one before, adds nothing.
std::vector<TimedChord> FindChords(std::span<const uint8_t> stream, int64_t fromTick, int64_t toTick,
                                   int measureTicks, const ConversionSettings& settings);

// The pattern note that the player turns into `sounding` under (type, shift), per convert mode 1..5
// (mode 0 and 6 need no chord and are handled by ConvertToBaseChord). Always 0..127.
int PatternNoteFor(int sounding, int type, int shift, int convertMode);

// What a conversion did.
struct ConversionReport {
  int NotesConverted = 0;  // note-ons given another note number
  int NotesSeen = 0;       // note-ons of melodic channels in the range
};

// Maps every note of channels other than 10 that starts in [fromTick, toTick) of the stream's first
// `length` bytes back to the base chord, in place: its note-on, its note-off (the next one of its key
// and channel, wherever it lies) and the polyphonic pressure between them take the same new note. The
// chord at a note's start is the last of `chords` at or before it (C major before the first).
ConversionReport ConvertToBaseChord(std::span<uint8_t> stream, int32_t length, int64_t fromTick,
                                    int64_t toTick, const std::vector<TimedChord>& chords,
                                    const RootShifts& shifts, int convertMode);

// The chords as the report shows them: "<measure>:<beat> <name>" each, comma separated (beats of 24
// ticks counted from 1 in their measure).
std::string DescribeChords(const std::vector<TimedChord>& chords, int measureTicks);

}  // namespace kalo::styles
