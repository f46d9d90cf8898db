#pragma once
// The keys a player holds in the accompaniment zone for a chord, so that an offline render can give a
// chart's chords the way a player does: through the keyboard and the program's own chord recognition.
// Pure functions, any thread.
//
// Octave: fingered recognition places the root by pitch class alone (FingeredRootNote), whatever octave
// the keys are in, so the keys only have to lie inside the zone to reach the recognizer. They are
// voiced close in the lowest octave of the zone (E2..Eb3, 40..51, with the factory zone E2..B3), a tone
// doubled an octave up where a chord needs it. With the factory lowest key the roots land on Ab2..G3
// (44..55); the section's C is C3 (48), so the roots Ab..B (below it) play the patterns an octave down
// and C..G as recorded: every root moves the accompaniment by -4..+7 semitones, the same region for all
// twelve roots. (The recognizer's own default lowest key, C2, gives the same roots and section C.)

#include <optional>
#include <vector>

namespace kalo::perform {

// "First Acc. Key" .. "Last Acc. Key", note numbers; the factory zone is E2 (40) .. B3 (59).
struct AccompanimentZone {
  int Lowest = 40;
  int Highest = 59;
};

// Keys (note numbers, ascending, no key twice) to press in this order, all keys of the chord before
// released, so that fingered recognition makes exactly (rootPitchClass mod 12, type) the chord, with the
// root note FingeredRootNote(rootPitchClass, zone.Lowest). Recognition as set by default: a
// ChordRecognizer whose LowestAccompanimentKey is zone.Lowest, fingered chords, "smart (note on/off)",
// no transpose, "Major <> Minor", "Triad chords" and a chord-type override all off. The keys are the
// chord's own tones: all of them where they win, else the largest set of them that wins.
//
// nullopt when no keys in the zone make that chord, or for a type outside 1..17 or a zone outside
// 0..127. Where two chords spell the same tones, recognition takes the one on the lower root pitch
// class, so such a chord on the higher root cannot be fingered: A min7 (A C E G) is C 6th and E 6th is
// C# min7. Give such a chord directly with
// ChordState::SetChord(FingeredRootNote(rootPitchClass, zone.Lowest), type, 0), as a chord button does.
std::optional<std::vector<int>> ChordKeys(int rootPitchClass, int type, AccompanimentZone zone = {});

}  // namespace kalo::perform
