#pragma once
// The chord editor's side of the session: the editor's commands over the song's Chordmemory with the
// session's settings (the control keys name the style-part functions, the accompaniment zone places
// the roots, "Play Chords" keeps style parts out of the song as recording does), its messages and
// questions, edit mode through the chord pads, the to-measure it sets when the player leaves it, and
// charts to and from the clipboard's text. The arranger builds it and hands it to the live input as
// its chord editor; the window draws what it holds. Main thread.

#include <optional>
#include <string>

#include "perform/live_input_seams.h"
#include "song/chord_editing.h"

namespace kalo::app {

class Arranger;

inline constexpr const char* kEditModeBanner = "EDIT MODE - Please enter Chordpad or (SHIFT) Stylepad !";
inline constexpr const char* kPlayChordsKeepsPartsOut =
    "Style parts are stored only while \"Play Chords\" is off !";
inline constexpr const char* kReplaceChordsQuestion = "Replace current chords ?";
inline constexpr const char* kChartNotPasted = "Chart not pasted: ";

// What the editor's window shows of the side; the window sets itself while it exists.
class ChordEditorView {
 public:
  virtual ~ChordEditorView() = default;
  // The Chordmemory or the selection changed.
  virtual void ShowChords() = 0;
  // Edit mode began (the chord pads come up, the banner shows, the song menu is disabled) or ended.
  virtual void ShowEditMode(bool on) = 0;
  // A cell was written: the editor comes to the front.
  virtual void BringToFront() = 0;
};

// The functions of the grid's menu and buttons.
enum class EditorFunction {
  Intro,
  FillIn,
  ToExtended,
  ToBasic,
  Ending,
  Stop,
  Tempo,
  Loop,
  Transpose,
  SoloMute
};

// The editor's fields that give the functions their parameters.
struct EditorFields {
  int Tempo = 120;       // 25..250
  int LoopCount = 10;    // 0..100; below 2 counts as 1
  bool LoopEnd = false;  // "Loop End" rather than "Loop Start - Repeat ..."
  int Semitones = 0;     // -11..11
  song::SoloMuteChoice SoloMute = song::SoloMuteChoice::Play;
  int Channel = 1;  // 1..16
};

class ChordEditorSide final : public perform::ChordEditorInput {
 public:
  explicit ChordEditorSide(Arranger& arranger);

  song::ChordEditing& Editing() { return editing_; }
  // The measure length in force (the metrum's), four per beat.
  int MeasureLength() const;
  // The grid's rows.
  int Measures() const;
  void SetView(ChordEditorView* view) { view_ = view; }
  // The window is shown: with " Edit" ticked the chord pads then write into the selected cell.
  void SetWindowShown(bool shown) { shown_ = shown; }

  // Opening at a measure: it is selected (within the rows, beat 1) and the modified flag cleared.
  void OpenAt(int measure);
  void Select(int measure, int column);

  // --- Cell commands on the selected beat -----------------------------------------------------------
  // A root of pitch class 0..11, placed in the accompaniment zone as a played chord's root is.
  void SetRoot(int pitchClass);
  // Only where the cell has a root.
  bool SetType(int type);
  // False (with a message where the player must know why) when nothing could be stored.
  bool SetFunction(EditorFunction function, const EditorFields& fields);
  void CutChord();
  void CutFunction();
  void CopyBeat() { editing_.CopyBeat(MeasureLength()); }
  void CutBeat();
  void PasteBeat();

  // --- Measure and beat commands; a refusal shows its message --------------------------------------
  // On an empty Chordmemory: CreateNewMeasures.
  void InsertMeasure();
  // "How many Measures ?" in "Create New Measures ...": true when measures were made.
  bool CreateNewMeasures();
  void DeleteMeasure();
  void InsertBeat();
  void DeleteBeat();
  bool CopyMeasures(int first, int last, int destination);
  void Undo();

  // --- Edit mode --------------------------------------------------------------------------------------
  // Only while the transport is stopped (false otherwise): the next chord pad or style pad is written
  // into the selected cell, which ends it.
  bool StartEditMode();
  void EndEditMode();
  bool EditMode() const { return editMode_; }

  // The window lost the focus outside edit mode: after a change the to-measure becomes the last
  // measure of the length.
  void Leave();

  // --- Charts ------------------------------------------------------------------------------------------
  // The song as a chart; "Chordmemory is empty !" and nullopt for an empty one.
  std::optional<std::string> Chart();
  // The chart (or ChordPro sheet) replaces the song after "Replace current chords ?" (asked over a
  // song), undoably; its tempo goes to the tempo field, its title lines into the memo. A chart that
  // cannot be read is reported and changes nothing.
  bool PasteChart(const std::string& text);

  // --- perform::ChordEditorInput ---------------------------------------------------------------------
  bool TakesChordButtons() const override;
  void TakeChord(int root, int type) override;
  void TakeFunction(int code) override;

 private:
  void Written();
  void Refused(const char* message);
  bool Stopped() const;

  Arranger& arranger_;
  song::ChordEditing editing_;
  ChordEditorView* view_ = nullptr;
  bool editMode_ = false;
  bool shown_ = false;
};

}  // namespace kalo::app
