#pragma once
// A style turned into a song so that the player plays it as it plays any song: one C major chord for
// the whole song and, at the measure where each part is to begin, the style-part function that switches
// to it, then STOP. "4. Test style", "Save style as MIDI file", "Save selected style part as MIDI file"
// and "Repair style" play such a song. Pure.

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "config/settings.h"
#include "song/chordmemory.h"
#include "styles/style.h"
#include "styles/style_records.h"

namespace kalo::styles {

// The parts of the whole style in the order they are played (the Intro is played by "Intro ...").
inline constexpr std::array<int, 7> kExportOrder = {kBasic,          kFillInBasic, kToExtended, kExtended,
                                                    kFillInExtended, kToBasic,     kEnding};

// The chord of the song: C major with its root at 48 (a root the player does not move by an octave).
inline constexpr int kExportRoot = 48;

struct StyleSong {
  song::Chordmemory Chords = song::Chordmemory::Cleared();
  int ToMeasure = 1;  // the play range's last measure
  // Where each part plays in the song, measures from 1 (0 0: not played); the Intro is played in front
  // of measure 1 when "Intro ..." is on.
  std::array<LoadedMeasures, kPartCount> Layout{};
  bool Intro = false;            // "Intro ..." during the song
  bool EndingPressOnce = false;  // the player's EndingPressOnce when the song starts
  // The part records the song plays, with a part put in the place of its twin where needed.
  PartTable Parts{};
};

// The function written where a part begins: the part's control key with parameter 12, or nothing for
// the main parts (and for a key set to 0).
song::BeatRecord PartFunction(int part, const config::ControlKeyNotes& keys);

// The whole style: each part of kExportOrder that exists, one after the other from measure 1, or, with
// `intro` and an Intro, after the Intro's measures (which "Intro ..." plays in front of them). nullopt
// when no part of kExportOrder exists.
std::optional<StyleSong> WholeStyleSong(const PartTable& parts, int measureLength,
                                        const config::ControlKeyNotes& keys, bool intro);

// One part: Extended plays in Basic's place, Fill in Extended (without the variation marker) in Fill
// in Basic's; the Ending is reached with the ending key from the start, the song twice its length with
// "Intro ..." on. nullopt when the part is empty.
std::optional<StyleSong> PartSong(const PartTable& parts, int part, int measureLength,
                                  const config::ControlKeyNotes& keys);

// The file name proposed for one part: "sty1" + "_i11", "_v11", "_v21", "_e11", "_f12", "_f22", "_f11",
// "_f21" by part, a variation fill "_v31" or "_v41", + ".mid".
std::string ProposedPartFileName(int part, bool variation);

}  // namespace kalo::styles
