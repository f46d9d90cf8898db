#pragma once
// TGen, the Style-Creator: owner of the one current style and its play window, and the operations
// on it — buffers, reset, locating times in the stream, selecting parts, recording, chasing
// controllers, the channel set-ups, and loading and saving style and work files. GUI-free; its
// window mirrors these fields. Everything runs on the main thread, the player's tick included.

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "config/options.h"
#include "config/settings.h"
#include "host/dialogs.h"
#include "host/display.h"
#include "host/program_folder.h"
#include "host/web_links.h"
#include "styles/midi_import.h"
#include "styles/style.h"
#include "styles/style_file.h"
#include "styles/style_seams.h"

namespace kalo::styles {

struct ParsedWorkFile;

inline constexpr const char* kOutOfMemoryMessage = "Sorry - Out of Memory !";
inline constexpr const char* kStyleNotFoundMessage = "Style not found !";
inline constexpr const char* kSaveStyleFirstQuestion = "Save Style first ?";
inline constexpr const char* kReplaceSongQuestion = "Replace current song ?";
inline constexpr const char* kReplaceWorkQuestion = "Replace current work ?";
inline constexpr const char* kReplaceChordsQuestion = "Replace current chords, song or style ?";
inline constexpr const char* kUndoConversionsQuestion = "Undo all conversions ?";
// Shown once when the Style-Mode is switched on after an import: "Measures 1 - <n> available for
// stylecreating !".
std::string AvailableMeasuresMessage(int measures);
// The style-list entry that leads to more styles on the web instead of loading a file.
inline constexpr const char* kWantMoreStyleName = "want more !!! .vxs";
inline constexpr const char* kMoreStylesUrl = "https://kalo.example.org/styles";

// Everything TGen talks to. References must outlive the TGen.
struct TGenContext {
  host::Dialogs& Dialogs;
  host::Display& Display;
  host::WebLinks& WebLinks;
  const host::ProgramFolder& Folder;
  config::Settings& Settings;
  const config::Options& Options;
  StyleCreatorHost& Host;
  StylePlayer& Player;
  ChannelSetupSink& Mixer;
};

// What a part is cut from: measures of the material (1-based), the beat of the first measure at which
// the part begins, whether a fill repeats as a variation, and the channels it mutes.
struct PartWindow {
  int First = 1;
  int Last = 0;  // 0: to the end of the material; below First: First
  int Beat = 1;
  bool Variation = false;
  std::array<uint8_t, kChannelCount> Mute{};
};

enum class LoadOutcome {
  Loaded,     // the style or work is the current one now
  Refused,    // silently: the main window records, or the user said No
  Cancelled,  // dialog cancelled or a name of another kind
  NotFound,   // "Style not found !"
  Failed,     // the file could not be read, or was refused with a message
  WebPage,    // the "want more" entry: a web page was opened instead
};

class TGen {
 public:
  explicit TGen(TGenContext context);

  Style& CurrentStyle() { return style_; }
  const Style& CurrentStyle() const { return style_; }

  // --- Buffers and reset ---------------------------------------------------------------------
  // Allocates the buffers on first call; false after "Sorry - Out of Memory !".
  bool EnsureBuffers();
  // Empties the style. Asks "Save Style first ?" in Style-Mode when the style is modified and saves
  // on Yes; false (and nothing reset) when that save was cancelled or failed.
  bool ResetStyle();
  // The controls' start values: first measure 1, last 0, beat 1, the part list at Intro or Basic,
  // the play window without limits and its current offset 0, positions 4, beat index 0.
  void ResetControls();

  // --- Time in the stream --------------------------------------------------------------------
  // The offset of the delay byte with which the stream reaches measure index m (from 0), beat b
  // (from 1); -1 for the very start (and for an offset of 0); stream length + 1 past the end.
  // With setCounters the player is reset for a fresh start.
  int32_t Locate(int measureIndex, int beat, bool setCounters = false);
  // Builds the quarter-note index of the recording that ends at `endPosition` (position grid).
  void BuildQuarterNoteIndex(int endPosition);

  // --- Parts ---------------------------------------------------------------------------------
  // Loads a part into the play window. The part joins at the beat of the measure that is starting
  // (BeatIndex): at its entry offset for that beat, so that its bar lines fall on the measure's.
  void SelectPart(int part);
  // Once per beat, on its first tick: the successor takes over at the part's end (only while the
  // Style-Creator plays in Style-Mode from slot 0), then the position advances by one beat. When
  // the play window started over, the ticks to wait before its first byte is read; else -1.
  int EndOfPart();
  // Where a part that joins `beatTicks` after the start of its first measure begins: the file's
  // entry offset for quarter-note beats 2 to 4 of fills and "To" parts (in quarter-note beats) when
  // it lies inside the part,
  // else the first byte at or after that time, with the ticks by which a delay byte ran past it.
  // The part's end (nothing left to play) when the time lies beyond it.
  struct Entry {
    int32_t Offset = 0;
    int Delay = 0;
  };
  Entry EntryAt(int part, int beatTicks) const;

  // --- Recording -----------------------------------------------------------------------------
  void BeginAppend() {
    WriteOffset = 0;
    appendFull_ = false;
  }
  // One tick of the clock: ticks gather into delay bytes of at most 8 ticks.
  void AppendTick();
  void AppendMessage(uint8_t status, uint8_t data1, uint8_t data2);
  // Recording ends: the stream length becomes the write offset and the quarter-note index is built.
  void FinishAppend(int endPosition);

  // --- Channel set-ups -----------------------------------------------------------------------
  // Brings the output's controller state to what it is at offset `to`, walking the stream from `from`.
  void ChaseControllers(int32_t from, int32_t to);
  // The one writer of channel set-up values; true when the message should be sent.
  bool StoreChannelValue(uint8_t kind, uint8_t channel, uint8_t number, uint8_t value, bool keepFirst);
  // The mixer's instrument and controller choices for a channel, applied to the style.
  void SetChannelInstrument(uint8_t channel, uint8_t bankMsb, uint8_t program, uint8_t bankLsb);
  void SetChannelController(uint8_t channel, uint8_t controller, uint8_t value);
  // Sends every used channel's set-up through the mixer; with loadFlag the mixer's controls follow.
  void ApplyChannelSetups(bool loadFlag);
  // "Normalize Volume": brings the counted channels' volumes to TargetVolume, keeping their balance
  // (a single much louder channel does not set the level), and sends them.
  void NormalizeVolume();
  // "Restore Original": the stream as loaded comes back. With ask, only after "Undo all conversions ?".
  bool UndoAllConversions(bool ask);

  // --- Material and parts (style_cutting.cpp) -------------------------------------------------
  // Makes imported material the current one, as a recording that just ended: the style is reset (which
  // may ask "Save Style first ?"; false then, nothing changed), the stream, set-ups, tempo and metre are
  // the material's, no part exists, the copy as loaded is the material, and the Style-Mode is on.
  bool TakeImportedMaterial(const std::string& name, const ImportedMaterial& material);
  // Puts imported material after the current one, from the next whole measure on (the time up to it is
  // padded with delays), so that the parts already cut keep their offsets; the stream, the copy as
  // loaded and the beat index take it in, the set-ups stay. The first measure of the appended
  // material, or 0 (nothing changed) without current material or when the whole would not fit.
  int AppendMaterial(const ImportedMaterial& material);
  // The whole measures of the material (its recorded end position, else its length in ticks).
  int MaterialMeasures() const;
  // Fills part `part` from the play window that `cut` gives: start = Locate(first − 1, beat) + 1, end =
  // Locate(last, beat) (the end of the material when last is 0 or lies beyond it), the entry offsets of
  // beats 2, 3 and 4 of the first measure (the end where a beat lies at or past it), the variation
  // marker (fills only), the mute flags; the cut-notes flags stay. False (nothing changed) without
  // material, for a first measure below 1 or past the material, or a window with nothing in it.
  bool CutPart(int part, const PartWindow& cut);
  // The step of the no-reverb button.
  static constexpr int kNoReverbStep = 128;
  // "Clear P.": the part is empty.
  void ClearPart(int part);
  // The Style-Mode box: on (the material is cut into parts) or song mode; the main window follows.
  void SwitchStyleMode(bool on);
  // The metre of the material (the recording panel's `Metrum` list): L, the header and the settings.
  void SetMaterialMetre(const Metre& metre);
  // After a recording: the stream as it stands becomes the copy as loaded ("Restore Original").
  void TakeStreamAsLoaded();
  // Lays the delay bytes of the stream out again so that every run ends on a beat (as imported and
  // compiled material has it), so that Locate reaches every beat exactly; the quarter-note index is
  // built again. False (the stream unchanged) when the result would not fit.
  bool AlignDelaysToBeats();

  // --- Edits of the style (style_edits.cpp) ----------------------------------------------------
  // The volume (7) or reverb (91) offset arrows: `step` +1 or −1 on every used channel's set-up value
  // (an unset reverb counting as 64, an unset volume skipped; a result above 127 is not taken), sent
  // through the mixer, the running total shown. Step kNoReverbStep sets reverb 0 on the used channels
  // (remembering each channel's) and changes neither total nor modified flag; a step above it gives
  // the remembered reverb back.
  void ChangeLevels(uint8_t controller, int step);
  // "Oct. up/down", "Tone up/down": every note of the channel in the whole material moves by
  // `semitones` (a note that would leave 0..127 moves by octaves into it); its set-up stays.
  void TransposeChannel(int channel, int semitones);
  // "  Cut Notes ...": the part's "Cut Notes State" of one channel, or of all (channel −1).
  void SetCutNotes(int part, int channel, bool on);
  // "Set Cut Notes State to all Styleparts" and "Set Muting to all Styleparts": the state copied into
  // every existing part (the questions are the caller's).
  void CutNotesToAllParts(int channel, bool on);
  void MutingToAllParts(const std::array<bool, kChannelCount>& muted);
  // " Suppress all Style Controllers".
  void SetSuppressControllers(bool on);

  // --- The play window, measure by measure (style_navigation.cpp) ------------------------------
  // The first and last measure boxes: the play window follows (start Locate(first − 1, beat) + 1 and
  // start position (first − 1) × L + 4; end Locate(last, beat), no limit below 2).
  void SetFirstMeasure(int measure);
  void SetLastMeasure(int measure);
  // "LoopStart" / "LoopEnd": the current measure becomes the first / last measure.
  void LoopStart();
  void LoopEnd();
  // The measure back and forward buttons; the go-to-end button (needs the recorded end position).
  void MeasureForward();
  void MeasureBack();
  void GoToEnd();
  // "Step by Step": "1 measure" .. "8 measures" and "Multiply by 2" (toggles).
  void SetLoopMeasures(int measures);
  void ToggleMultiply();
  int LoopLength() const { return (LoopMeasuresLess1 + 1) * LoopFactor; }
  // The "&Loop" menu's part items: part `part` prepared for setting; `variation` for "Variation
  // Basic" / "Variation Extended" (parts 4 and 5).
  void PreparePart(int part, bool variation);
  // "&Loop" "<<" and ">>".
  void ShiftLoop(bool forward);
  // The song-mode window: "Start with ..." measure and beat, "Stop at ..." measure (0: no stop).
  void SetSongWindow(int startMeasure, int startBeat, int stopMeasure);
  // Song-mode play begins: the play window from the song-mode settings (its end the start of the
  // stop measure, or no limit), and the current offset at the start of the measure the position is
  // in when that lies inside the window (after the measure moves or a stop), else at the window's
  // start. The position and the slot being read follow. The caller starts the player.
  void BeginSongWindow();
  // A click on the position display: the bookmark cursor advances; recording stores the current
  // measure; in Style-Mode the next bookmark set becomes the first measure.
  void BookmarkClick(bool recording);

  // --- Files ---------------------------------------------------------------------------------
  // "Open style ...": the open dialog in the remembered style folder (Settings::StyleDir, which the
  // chosen file's folder replaces); only ".vxs" names load. In song mode with material it first
  // asks "Replace current work ?".
  LoadOutcome LoadStyleByDialog();
  // A style asked for by name (Style-Manager, arrangement autoload): found by FindStyleFile, else
  // "Style not found !" and nothing changes.
  LoadOutcome LoadStyleByName(const std::string& name);
  // Writes the current style through host::WriteFileSafely; ".vxs" is appended unless the name ends
  // in it (a dot elsewhere stays: "Rock v1.5" saves as "Rock v1.5.vxs"). False after a message.
  bool SaveStyle(const std::string& path);
  // "Load Work-File ...": asks "Replace current chords, song or style ?" unless there is neither
  // material nor a song; a damaged file is refused with a message before anything is replaced.
  LoadOutcome LoadWorkFileByDialog();
  LoadOutcome LoadWorkFile(const std::string& path);
  // Writes the recorded end position, the Chordmemory (the host's), the header, the parts and the
  // stream; ".vxw" is appended unless the name ends in it.
  bool SaveWorkFile(const std::string& path);
  // The reading steps of a style or work load over bytes already read from `path` (the preparing
  // steps and questions before them are the callers').
  LoadOutcome LoadStyleFromBytes(const std::string& path, std::span<const uint8_t> bytes);
  LoadOutcome LoadWorkFromBytes(const std::string& path, std::span<const uint8_t> bytes);

  // --- The play window and the controls (the player and the window read and write these) ------
  int32_t StartOffset = kNoLimit;
  int32_t EndOffset = kNoLimit;
  int32_t CurrentOffset = 0;
  int StartPosition = 4;
  int Position = 4;
  int BeatIndex = 0;  // 0-based beat inside the measure
  int BeatsPerMeasure = 4;
  int BeatTicks = 24;      // ticks of the player's beat: 12 in eighth-note beats
  int32_t JoinOffset = 0;  // where a part just selected begins: its start, or its entry for the beat
  int JoinDelay = 0;       // ticks to wait there first
  int Successor = kSuccessorRepeat;  // what follows the running part
  int ReturnPart = kBasic;
  int RunningPart = kBasic;  // the part list's selection
  int FirstMeasure = 1;
  int LastMeasure = 0;
  int BeatBox = 1;
  int SongStartMeasure = 1;  // "Start with ..."
  int SongStartBeat = 1;
  int SongStopMeasure = 0;  // "Stop at ...": 0 plays to the end
  int Cursor = 0;           // buffer slot being read
  int Overshoot = 0;        // ticks by which the last Locate passed its target
  int32_t WriteOffset = 0;
  bool StyleMode = false;
  bool Playing = false;  // the Style-Creator plays
  bool StyleLoaded = false;
  bool ImportedSong = false;  // the material is a MIDI file converted to a song
  int16_t RecordedEndPosition = 0;
  int TargetVolume = 110;          // 1 to 127, what "Normalize Volume" aims at
  int LoopMeasuresLess1 = 3;       // "Step by Step": the loop length in measures, less 1
  int LoopFactor = 1;              // "Multiply by 2": 1 or 2
  bool VariationPrepared = false;  // the part was prepared as a variation fill
  std::array<uint8_t, 2> RememberedReverb{64,
                                          64};  // the reverb the no-reverb button gives back: drums, others
  std::string CurrentStylePath;
  std::string WorkFolder;  // remembered folder of the work dialog
  Metre CurrentMetre;      // the metre of the material

 private:
  LoadOutcome LoadStyleFile(const std::string& path);
  bool PrepareLoad(bool byDialog);
  // The guard of both work-file loads: refused while the main window records; asks "Replace current
  // chords, song or style ?" when there is material or a song.
  bool MayLoadWork();
  // The reading steps shared by a style load (work == nullptr) and a work-file load, from keeping
  // channel 1's voice to stopping the player.
  LoadOutcome TakeLoadedImage(const std::string& path, const StyleImage& image, const ParsedWorkFile* work);
  void ApplyHeader(const TStyleHeader& fileHeader, const TChannelSetup& keptChannel1);
  // Takes a file's part table and stream as the style's, and remembers each part's measures as loaded.
  void TakePartsAndStream(const StyleImage& image);
  void GiveBackChannel1(const TChannelSetup& kept);
  void SelectFirstExistingPart(bool chase);
  void ShowStyleCaptions(const std::string& path);
  // The keyboard's and the Style-Manager's captions and the main window's style label name `stem`.
  void ShowNameInCaptions(const std::string& stem);
  void CopyToLoadedSlot();
  std::array<uint8_t, 13> AppliedEntries(int channel) const;
  void StopPlaying();
  bool RoomToAppend(int32_t bytes);
  LoadOutcome ReadWorkFile(const std::string& path);
  int StartPart() const { return context_.Settings.PlayIntro ? kIntro : kBasic; }
  // The measure of the current position: (position − offset) div L + 1.
  int MeasureAt(int offset) const;
  // The measure the back and forward moves start from.
  int MovingMeasure() const;
  // Moves the play position to the start of measure index `measure` (from 0) after a stop.
  void MoveTo(int measure, int32_t located);

  TGenContext context_;
  bool atMeasureStart_ = false;  // a move placed the position; no beat of its measure has played
  Style style_;
  bool keyboardChannelMoved_ = false;
  bool appendFull_ = false;
};

}  // namespace kalo::styles
