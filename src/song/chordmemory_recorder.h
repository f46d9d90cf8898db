#pragma once
// Recording into the Chordmemory: the questions and positions of a start, the per-beat store the
// tick calls, the late write, the end mark at Stop, step recording with taps per measure, and the
// overwrite of Play && Overwrite. The transport itself (clock, count-in, SongState) is the
// engine's; this class keeps only what defines the stored data. Main thread only; nothing here
// allocates after construction, so the tick may call it.

#include <cstdint>
#include <optional>
#include <string>

#include "host/dialogs.h"
#include "perform/chord.h"
#include "song/chordmemory.h"
#include "song/song.h"

namespace kalo::song {

inline constexpr const char* kReplaceChordsQuestion = "Replace current chords ?";
// Followed by the record start measure.
inline constexpr const char* kReplaceFromMeasureQuestion = "Replace current chords, starting at measure ";
inline constexpr const char* kStartRecordingAtQuestion = "Start Recording at Measure ";

inline constexpr int kDefaultTapsPerMeasure = 4;
inline constexpr int kMaxTapsPerMeasure = 6;

// What the player gave for a beat: the current chord (root 128 / type 0 = none) and the pending
// function with its parameter (0 = none).
struct BeatEntry {
  perform::Chord Chord;
  uint8_t Function = kNoFunction;
  uint8_t Parameter = 0;
};

// What one step-recording entry did, for the display and the sound.
struct StepOutcome {
  bool Stored = false;    // the record at the step was written
  bool Advanced = false;  // a chord was entered: the position moved to the next tap
  int Tap = 1;            // the step counter: the coming tap's number, 1..taps per measure
  int ShownMeasure = 1;   // the position field: (position − 8) div L + 1
  bool Full = false;      // the position reached the working size: stop the transport
  bool Click = false;     // only a function was entered: confirm it with a click
};

class ChordmemoryRecorder {
 public:
  ChordmemoryRecorder(Song& song, host::Dialogs& dialogs) : song_(song), dialogs_(dialogs) {}

  // Starting to record (the caller has stopped the transport and the style first). With `edit`
  // (" Edit" ticked, Punch in) asks kReplaceFromMeasureQuestion and records from the record start
  // (the song start when that is below 5). Otherwise, over a song: a record start before the last
  // two measures (or before the song) asks kReplaceChordsQuestion and clears chords and melody on
  // Yes; a later one asks kStartRecordingAtQuestion and appends. An empty Chordmemory starts
  // without a question. False on No, with nothing changed.
  bool Start(bool edit);
  // Step mode: the record start measure becomes 1 when below 1, then Start. `taps` per measure is
  // clamped to 1..6.
  bool StartStep(bool edit, int taps);

  // --- Real-time recording: the tick's calls, once per beat -------------------------------------
  // The waiting start ends with the first chord: while the position is still before beat record 1
  // (count-in) the chord goes to record 1 and the first write position becomes 8. True if stored.
  bool TakeFirstChord(const perform::Chord& chord);
  // Stores the beat at the song position: chord and function, or all zero during the count-in.
  // A position of 4 − L (the end of a count-in measure) moves to 4 first; nothing is stored below
  // the first write position. True if stored.
  bool StoreBeat(const BeatEntry& entry, bool countIn);
  // A chord or function that came in the late window: written over the record just passed (the
  // position − 4) when that lies at or above the first write position. True if stored.
  bool StoreLate(const BeatEntry& entry);
  // The position advances by one beat; true when it reached the working size (stop recording).
  bool Advance();

  // --- Stop -----------------------------------------------------------------------------------
  // The end mark, when the position lies beyond the length: the position goes back to the start
  // of the first incomplete measure, which gets STOP and ends the song (length := position + L);
  // a song starting with rests gets its first chord copied to beat record 1; the play range
  // becomes measures 1 to m (m complete measures, at least 1). When the buffer is full the song
  // ends at the working size without a STOP record. Returns m, or nullopt when nothing changed.
  std::optional<int> Finish();

  // --- Step recording -------------------------------------------------------------------------
  // One chord or style-part key entered in step mode (see StepOutcome). With `preview` nothing is
  // stored. Taps divide the measure's beats: tap k (from 0) of a measure of B beats with T taps
  // lies on beat k × B div T, so every write is on a record, each measure starts with tap 1 and
  // taps never drift; more taps than beats count as one tap per beat.
  StepOutcome Step(const BeatEntry& entry, bool preview);
  int TapsPerMeasure() const { return taps_; }

  // --- Play && Overwrite ----------------------------------------------------------------------
  // A chord or a function 1..250 entered during a played beat, completed from the record at the
  // song position (a function alone takes the record's chord, a chord alone the record's
  // function) and written there. The completed record (whose chord the caller enters without
  // transposition), or nullopt when the entry holds neither.
  std::optional<BeatRecord> Overwrite(const BeatEntry& entry);

 private:
  int EffectiveTaps() const;

  Song& song_;
  host::Dialogs& dialogs_;
  int taps_ = kDefaultTapsPerMeasure;
  int tap_ = 0;  // the coming tap's index in its measure
  int measureStart_ = kSongStart;
  BeatRecord lastStepChord_;
};

}  // namespace kalo::song
