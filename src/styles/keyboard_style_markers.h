#pragma once
// Parts from the section markers of an arranger keyboard's style file: such a file is a MIDI file whose
// sections ("Intro A", "Main A", "Fill In AA", "Ending A", ...) each begin at a marker meta event and
// run to the next marker, written in C. Pure.
//
// The map, with letter case and blanks not counting:
//   "Main A" -> Basic                "Main B" -> Extended
//   "Fill In AA" -> Fill in Basic    "Fill In BB" -> Fill in Extended
//   "Fill In AB" -> To Extended      "Fill In BA" -> To Basic
//   "Intro A" -> Intro (else "Intro B", "Intro C")   "Ending A" -> Ending (else "Ending B", "Ending C")
// Other sections (the set-up section "SInt", "Main C", "Main D" and their fills, "Break", ...) and
// markers that name no section are left out; a part named twice takes its first section.

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "styles/midi_import.h"

namespace kalo::styles {

// The part a marker's section becomes, and how strongly it is preferred (0 best) when several
// sections could make the same part.
struct MarkerPart {
  int Part = 0;
  int Preference = 0;
};
std::optional<MarkerPart> PartOfMarker(std::string_view marker);

// One part found: the measures of its section (1-based), and the marker that named it.
struct MarkedSection {
  int Part = 0;
  int First = 1;
  int Last = 1;
  std::string Marker;
};

// The parts of material whose sections begin at `markers` and end at the next marker or at
// `materialTicks`; sections are taken as whole measures (a section shorter than a measure is left out).
std::vector<MarkedSection> PartsFromMarkers(const std::vector<ImportMarker>& markers, int64_t materialTicks,
                                            int measureTicks);

}  // namespace kalo::styles
