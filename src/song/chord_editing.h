#pragma once
// Editing the Chordmemory in place, beat by beat and measure by measure: what the chord editor's grid,
// pop-up menu and buttons do, without the window. Positions follow the song's grid: measure m, beat b
// lie at (m − 1) × L + 4 + (b − 1) × 4 for the measure length L (four per beat). Main thread.
//
// Every operation checks its guard first; a refused one changes nothing. Every change takes an undo
// snapshot first (the whole buffer, the length and the current measure), so "Undo" takes back the last
// change of any kind, not only measure operations: a player fixing a chord expects to undo it too.

#include <cstdint>
#include <optional>
#include <string>

#include "config/settings.h"
#include "song/chordmemory.h"

namespace kalo::song {

inline constexpr const char* kCantInsertMeasures = "Can't insert Measure(s) !";
inline constexpr const char* kCantClearMeasure = "Can't clear Measure !";
inline constexpr const char* kCantInsertBeat = "Can't insert Beat !";
inline constexpr const char* kCantClearBeat = "Can't clear Beat !";
inline constexpr const char* kCantCopyMeasures = "Can't copy Measures !";
inline constexpr const char* kCreateNewMeasuresCaption = "Create New Measures ...";
inline constexpr const char* kHowManyMeasuresPrompt = "How many Measures ?";

// --- The measure and beat operations: false (nothing changed) where the guard refuses ---------------
// Measure `measure` (from 1) moves back by one measure; its copy in front keeps all but its first
// beat, which is cleared. Needs a song (length ≥ 5), the measure's start at most at the length, and
// room for one measure more.
bool InsertMeasure(Chordmemory& chords, int measure, int measureLength);
// `count` empty measures for an empty Chordmemory, then STOP on the first beat after them and one
// measure for it: 8 measures of 4/4 give length 148 with STOP at 132. 0 does nothing (true).
bool CreateMeasures(Chordmemory& chords, int count, int measureLength);
// Removes measure `measure`; what follows moves forward and everything beyond the new length is
// zeroed. Refused where it would leave a song that has lost its end mark (a STOP it had), so that
// playback never runs on to the end of the buffer.
bool DeleteMeasure(Chordmemory& chords, int measure, int measureLength);
// An empty beat at `position`; what follows moves back by a beat and the length grows by a measure
// and a beat.
bool InsertBeat(Chordmemory& chords, int position, int measureLength);
// Removes the beat at `position`; what follows moves forward (the end mark kept as for DeleteMeasure).
bool DeleteBeat(Chordmemory& chords, int position, int measureLength);
// Copies measures `first` to `last` in front of measure `destination` (everything from there moves
// back by the block); STOP is set at the new length. The destination may not lie within the block or
// after the end, the block must lie within the song, and the result must fit the working area.
bool CopyMeasures(Chordmemory& chords, int first, int last, int destination, int measureLength);

// --- Function parameters as the editor's fields give them ------------------------------------------
// A loop start played `count` times (0..100; a count below 2 is taken as 1): 100 + count.
uint8_t LoopStartParameter(int count);
// A transposition of −11..11 semitones as its byte (negative values as 256 + value).
uint8_t TransposeParameter(int semitones);
// The "Solo/Mute" choices.
enum class SoloMuteChoice { Play, Solo, Mute, PlayAll, MuteAll, PlayMelody, MuteMelody };
// The parameter of a choice; `channel` 1..16 for Play, Solo and Mute.
uint8_t SoloMuteParameter(SoloMuteChoice choice, int channel);

// The text of a grid cell: the chord when the type is not 0 (note name of root mod 12, a blank, the
// type's name, a blank), then the function's text.
std::string CellText(const BeatRecord& record, const config::ControlKeyNotes& keys);
// The grid's rows: measure 1 through the measure holding the first STOP, or through the last measure
// of the length where no STOP lies within it (the grid never runs on to the end of the buffer); at
// least one.
int ShownMeasures(const Chordmemory& chords, int measureLength);

// The editor's state over one Chordmemory: the selected cell, the beat clipboard, the undo snapshot
// and the modified flag.
class ChordEditing {
 public:
  // `chords` must outlive this object.
  explicit ChordEditing(Chordmemory& chords) : chords_(chords) {}

  // The current measure (the "Measure" field, from 1) and the selected beat column (from 1).
  int Measure = 1;
  int Column = 1;
  int SelectedPosition(int measureLength) const;
  BeatRecord Selected(int measureLength) const { return chords_.RecordAt(SelectedPosition(measureLength)); }

  // --- Cell commands on the selected beat ---------------------------------------------------------
  // Root and type as given (type 1..17).
  void WriteChord(int root, int type, int measureLength);
  // A root of the pitch class (0..11) at `rootNote`, keeping the cell's type (maj where it has none).
  void SetRoot(int rootNote, int measureLength);
  // Only where the cell has a root; false otherwise.
  bool SetType(int type, int measureLength);
  void WriteFunction(uint8_t code, uint8_t parameter, int measureLength);
  // "None"/"Cut Chord": root and type to the clipboard (its function part cleared) and out of the cell.
  void CutChord(int measureLength);
  // "None"/"Cut Function": function and parameter to the clipboard (its chord part cleared), and out.
  void CutFunction(int measureLength);
  void CopyBeat(int measureLength) { Clipboard = Selected(measureLength); }
  void CutBeat(int measureLength);
  // Each non-zero clipboard byte replaces the cell's byte.
  void PasteBeat(int measureLength);
  BeatRecord Clipboard;

  // --- Measure and beat commands at the selection; each returns its refusal message ---------------
  const char* InsertMeasure(int measureLength);
  const char* DeleteMeasure(int measureLength);
  const char* InsertBeat(int measureLength);
  const char* DeleteBeat(int measureLength);
  // For an empty Chordmemory; the current measure becomes 1.
  const char* CreateMeasures(int count, int measureLength);
  // kChordmemoryEmptyMessage for an empty Chordmemory.
  const char* CopyMeasures(int first, int last, int destination, int measureLength);
  // The whole Chordmemory replaced (a chart pasted), with an undo snapshot.
  void Replace(const Chordmemory& chords);

  // Set by every change of a beat or of the length; the owner clears it.
  bool Modified = false;
  bool CanUndo() const { return undo_.has_value(); }
  // Restores the snapshot (buffer, length and current measure); false without one.
  bool Undo();

 private:
  struct Snapshot {
    Chordmemory Chords;
    int Measure;
  };
  void TakeSnapshot() { undo_ = Snapshot{chords_, Measure}; }
  // The cell write's ending: a write at or beyond the length extends it to the end of the current
  // measure; the flag is set.
  void Written(int measureLength);
  // A change of the selected record, undoable; nothing outside the working area.
  template <typename Change>
  void ChangeSelected(int measureLength, Change change) {
    const int position = SelectedPosition(measureLength);
    if (!Chordmemory::IsWritablePosition(position)) return;
    TakeSnapshot();
    BeatRecord record = chords_.RecordAt(position);
    change(record);
    chords_.Write(position, record);
    Written(measureLength);
  }
  // A measure or beat operation: on success the state before it is the undo snapshot; otherwise
  // `refusal`.
  template <typename Operation>
  const char* Apply(Operation operation, const char* refusal) {
    Chordmemory before = chords_;
    if (!operation(chords_)) return refusal;
    undo_ = Snapshot{std::move(before), Measure};
    Modified = true;
    return nullptr;
  }

  Chordmemory& chords_;
  std::optional<Snapshot> undo_;
};

}  // namespace kalo::song
