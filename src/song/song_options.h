#pragma once
// The song's check boxes and menu choices, each named after its caption: how Play and Record start
// and what the Chordmemory playback does with loops, the play range, lead-in beats and the chord
// preview. The windows mirror them; the song side reads them on the main thread.

namespace kalo::song {

// The intro voices choice of the "Style && Intro" menu: what sounds during lead-in beats.
enum class IntroVoices { MuteNone, MuteAll, Drums, DrumsLastMeasure, Metronome };
inline constexpr const char* kIntroVoicesNames[] = {"Mute None", "Mute All", "Drums", "Drums L.M.",
                                                    "Metronome"};

struct SongOptions {
  bool CountIn = false;            // "Count in": Play and Record begin with a count-in measure
  bool Edit = false;               // " Edit": Play overwrites the beats at which the player enters chords
  bool Loop = false;               // "Loop": the play range repeats
  bool IgnoreLoops = false;        // "Ignore Loops": loop functions of the song do nothing
  bool StepRecordPreview = false;  // "Step Record Preview": step entries only sound
  int TapsPerMeasure = 4;          // the step panel's "Taps per Measure", 1..6
  IntroVoices Voices = IntroVoices::MuteNone;
  // The chord preview: 0, 4, 8 or 12 positions ahead ("Chordpreview 1/4", "1/2", "3/4").
  int PreviewAhead = 0;
};

}  // namespace kalo::song
