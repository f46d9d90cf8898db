#pragma once
// Readable test failures for chord values.

#include <ostream>

#include "perform/chord.h"
#include "perform/chord_recognizer.h"

namespace kalo::perform {

inline void PrintTo(const Chord& chord, std::ostream* os) {
  *os << chord.Root << "/" << chord.Type << " (" << ChordName(chord.Root, chord.Type) << ")";
}

inline void PrintTo(const ChordCandidate& c, std::ostream* os) {
  *os << "type " << c.Type << " root " << c.RootPitchClass << " score " << c.Score;
}

}  // namespace kalo::perform
