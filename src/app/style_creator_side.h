#pragma once
// The Style-Creator's session work: importing MIDI files, recording from MIDI in, cutting the material
// into parts (with the conversion to the base chord), the structure file, "Quick S.", "R&estore", the
// part flags and levels, the event editor, testing, exporting and repairing the style. One method per
// control of the Style-Creator; the window calls them, and the command line calls the same methods.
// Questions and messages go through the session's Dialogs with the program's texts. Main thread.

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "app/style_render.h"
#include "perform/chord_chart.h"
#include "perform/live_input_seams.h"
#include "styles/chord_conversion.h"
#include "styles/midi_import.h"
#include "styles/structure_file.h"
#include "styles/style_creator.h"
#include "styles/style_event_editor.h"
#include "styles/style_song.h"

namespace kalo::app {

class Arranger;

inline constexpr const char* kReadyToRecordMessage = "Ready to record - start extern sequencer please !";
inline constexpr const char* kPartsCreatedMessage = "OK - Styleparts are created !";
inline constexpr const char* kClearStyleQuestion = "Clear Style - Are you shure ?";
inline constexpr const char* kCutNotesToAllQuestion =
    "Set \"Cut Notes State\" of Channel to all Styleparts ?";
inline constexpr const char* kMutingToAllQuestion = "Set Muting to all Styleparts ?";
// After a recording in which no MIDI clock came in: nothing of it has a time.
inline constexpr const char* kNoClockMessage =
    "No MIDI clock came in: the recording has no timing. Let the sequencer send MIDI clock, or import "
    "its song as a MIDI file.";
// Asked before a set of style parts replaces the one in a folder.
inline std::string ReplacePartSetQuestion(const std::string& folder) {
  return "Replace the set of style parts in " + folder + " ?";
}
// Asked when a part file does not fit after the material.
inline constexpr const char* kMakeRoomQuestion =
    "The style has no room left for this part. Repair the style first, keeping only the measures its "
    "parts play ?";
// The beat indicator while the Style-Creator records (0x00BBGGRR: blue) and its text.
inline constexpr uint32_t kRecordingIndicatorColour = 0xFF0000;

// The recording panel: per part in list order a first and a last measure box, the tempo and the metre.
struct RecordingPanel {
  std::array<int, styles::kPartCount> First{1, 1, 1, 1, 1, 1, 1, 1};
  std::array<int, styles::kPartCount> Last{};
  int Tempo = 120;
  int Metrum = 2;  // index of the metre list, "4/4"

  // "New": every first box 1, every last box 0.
  void New();
  // The shift button: every box moves by `step`, first boxes staying at 1 or more, last boxes at 0 or
  // more.
  void Shift(int step);
};

// "Work on all styles": what is done to each style of a folder.
enum class StyleWork { Repair, NormalizeVolume };
// Asked before the work starts; `folder` is printable already.
std::string WorkOnAllStylesQuestion(StyleWork work, int styles, const std::string& folder);

// What the work on all styles did: the styles saved, and one line per style left as it was.
struct AllStylesReport {
  int Saved = 0;
  std::vector<std::string> Failed;
  bool Stopped = false;  // the player stopped it before the end
};

// What cutting a part did, for the command line's report.
struct PartReport {
  int Part = 0;
  int First = 0;
  int Last = 0;
  int Beat = 1;
  std::vector<styles::TimedChord> Chords;  // the chords its notes were converted from
  styles::ConversionReport Conversion;
  bool Converted = false;  // the conversion ran (not skipped, not already converted)
};

class StyleCreatorSide final : public perform::StyleCreatorHooks {
 public:
  explicit StyleCreatorSide(Arranger& session);

  // --- Settings of the window ----------------------------------------------------------------------
  styles::ImportOptions Import;
  styles::ConversionSettings Conversion;
  RecordingPanel Panel;
  // The chords of the material, given by the user; when set, the conversion uses them instead of the
  // chords it finds.
  std::vector<styles::TimedChord> GivenChords;
  // The chords of a chart (as `kalo render --chart` plays it) as chords of the material.
  static std::vector<styles::TimedChord> ChordsOfChart(const perform::ChordChart& chart);

  // --- Import ----------------------------------------------------------------------------------
  // "1. Import Midifile": refused while the main window records; over material that is no loaded style
  // it asks "Replace current work ?". A file that cannot be read or taken is named in a message and
  // leaves everything as it was. On success the material is current, the Style-Mode on, and
  // "Measures 1 - <n> available for stylecreating !" shown.
  bool ImportMidiFile(const std::string& path);
  bool ImportMidiBytes(const std::string& name, std::span<const uint8_t> bytes);
  // "New S.": the metre list back to "4/4", then the import.
  bool NewStyle(const std::string& path);
  // What the last import found: its marker meta events, and what its options did.
  const styles::ImportedMaterial& LastImport() const { return lastImport_; }
  // Cuts the parts that the sections of a keyboard style file mark (styles/keyboard_style_markers.h).
  std::vector<PartReport> CutPartsFromMarkers();

  // --- Recording from MIDI in ---------------------------------------------------------------------
  // "Record from MIDI in " (cutFromPanel false) and "OK - Record from MIDI in" (true); the main
  // window's "&Record ..." is the first with kReadyToRecordMessage shown.
  void RecordFromMidiIn(bool cutFromPanel);
  void RecordFromMainWindow();
  bool Recording() const { return recording_; }
  // The transport stopped: a recording ends here.
  void TransportStopped();

  // --- Parts ----------------------------------------------------------------------------------------
  // "Set" / "SET" / "&Set Part": the selected part from the first measure, last measure and beat
  // boxes, the variation marker when prepared so, the main window's channel mutes; then converted.
  bool SetPart();
  // The same for any part and window (the recording panel, the structure file, the command line).
  std::optional<PartReport> CutPart(int part, const styles::PartWindow& window);
  // "Clear P.".
  void ClearPart();
  // "Convert measures to Style": the measures of the first and last measure boxes; "Convert all to
  // Style": every measure. Each measure is converted once (until "Restore Original").
  styles::ConversionReport ConvertMeasures(int first, int last);
  styles::ConversionReport ConvertMeasuresToStyle();
  styles::ConversionReport ConvertAllToStyle();
  // "&Convert Part": the measures the selected part was cut from, whatever the "Don't convert"
  // options say (they spare parts from the conversion that setting them does); nothing for an empty
  // part.
  styles::ConversionReport ConvertPart();
  // "Generate Chords": the chords found in the play window's measures.
  std::vector<styles::TimedChord> GenerateChords() const;
  // The same chords shown to the player, one "measure:beat chord" per entry ("No chords found" for
  // none).
  void ShowGeneratedChords();
  // The `Metrum` list: the configuration's metre, the measure length and the recording panel's metre.
  void SetMetrum(int index);
  // "Quick S.": a style whose only part is Basic, cut from the current loop.
  bool QuickStyle();
  // The structure-file items ("Style A" / "Style B"): the program folder's "Style.src", read once and
  // kept; false when it is missing. CutFromStructure cuts after any structure document.
  bool CutFromStructureFile(bool styleB);
  std::vector<PartReport> CutFromStructure(const config::ProfileDocument& document, bool styleB);
  // The main window's "R&estore": every part cut again from its loaded measures.
  int Restore();
  // "Restore Original" (asks "Undo all conversions ?" when `ask`) and "Restore style".
  bool RestoreOriginal(bool ask);
  // "Clear style": asks "Clear Style - Are you shure ?" when `ask` (not before an import).
  bool ClearStyle(bool ask);

  // --- Flags and levels -------------------------------------------------------------------------
  // "  Cut Notes ...": the selected part's flag for the main window's selected channel (−1: none is
  // selected, and then the box acts on every channel).
  void SetCutNotes(int channel, bool on);
  bool CutNotesToAllParts(int channel, bool on);
  bool MutingToAllParts();
  void VolumeOffset(int step);
  void ReverbOffset(int step);
  void NormalizeVolume();
  // "Oct. up" (+12), "Oct. down", "Tone up" (+1), "Tone down" on channel 1..16 of the list beside them.
  void TransposeChannel(int channel, int semitones);

  // --- The event editor (sounding the note found on "Midiout") ----------------------------------
  styles::StyleEventEditor& Events() { return events_; }
  void SoundNote(const styles::EditorNote& note);
  void ReleaseNote(const styles::EditorNote& note);

  // --- Playing in the Style-Creator -------------------------------------------------------------
  // The play button: the selected part (Style-Mode) or the material, in C major.
  void PlayButton();

  // --- Test, export, repair (style_creator_export.cpp) --------------------------------------------
  // "4. Test style": the whole style as a song in the session (the Chordmemory is replaced).
  bool TestStyle();
  // "    ->Save style as MIDI file" and "    ->Save selected style part as MIDI file" (the part
  // selected, or `part`). False after a message.
  bool SaveStyleAsMidi(const std::string& path);
  bool SavePartAsMidi(const std::string& path, std::optional<int> part = std::nullopt);
  std::string ProposedPartFileName() const;
  // "Import style part ...": a MIDI file (what the part export writes, or any one part's worth) becomes
  // the selected part (or `part`): its measures go after the material, from the next whole measure, and
  // are cut as that part, unconverted; the part keeps its variation marker, mutes and cut-notes flags.
  // Without material the file becomes the material. When it does not fit, the style may first be
  // repaired (kMakeRoomQuestion). False after a message, nothing changed (but an agreed repair).
  bool ImportPartFromMidi(const std::string& path, std::optional<int> part = std::nullopt);
  // The set of style parts: every existing part as its own file in `folder`, named as the part export
  // proposes; the import reads back every such file found there. A set already in the folder is
  // replaced whole (its files of parts the style lacks removed) after ReplacePartSetQuestion. The
  // count, after a message.
  int ExportPartSet(const std::string& folder);
  int ImportPartSet(const std::string& folder);
  // "Repair style": the whole style played into the scratch file, read back as new material and cut
  // again from where each part played, twice.
  bool RepairStyle();
  // The same, with the reason it failed instead of a message.
  std::optional<std::string> RepairCurrentStyle();
  // "Work on all styles": every style file (".vxs") of `folder`, in name order, loaded, repaired or
  // brought to the target volume, and saved over its file. A style that cannot be read, worked on or
  // saved is left as it was and named in the closing message; the work goes on with the next. Asks
  // WorkOnAllStylesQuestion first, and "Replace current work ?" over material not saved as a style;
  // progress goes through Dialogs::Progress, which may stop it between styles. A style loaded from a
  // file before is loaded again at the end.
  AllStylesReport WorkOnAllStyles(const std::string& folder, StyleWork work);
  // The song the style plays as, and its render, for callers that want the events.
  std::optional<StyleSongRender> RenderWholeStyle();

  // --- perform::StyleCreatorHooks ----------------------------------------------------------------
  // Set to start on a chord, not playing: a control key starts the style as the first chord would.
  bool WaitsForChord() const override;
  void Play() override;
  bool RecordingChords() const override { return recording_; }
  bool CaptureActive() const override { return recording_; }
  void Capture(uint8_t status, uint8_t data1, uint8_t data2) override;
  bool WindowActive() const override { return WindowShown; }
  void Step(int direction) override;
  bool WindowShown = false;  // the window sets it while it is the active one

 private:
  styles::TGen& Gen();
  std::array<uint8_t, styles::kChannelCount> MainWindowMutes() const;
  styles::RootShifts Shifts() const;
  // The chords of measures first..last: the ones given, else those found in the material.
  std::vector<styles::TimedChord> ChordsOf(int first, int last) const;
  void FinishRecording();
  int64_t MeasureTicks() const;
  bool ExportSong(const std::string& path, const styles::StyleSong& song);
  bool ReadStructureFile();
  // One style of the work on all styles: nullopt when saved, else the line that says why not.
  std::optional<std::string> WorkOnStyle(const std::filesystem::path& path, StyleWork work);

  Arranger& a_;
  styles::StyleEventEditor events_;
  styles::ImportedMaterial lastImport_;
  bool recording_ = false;
  bool cutAfterRecording_ = false;
  bool clockSeen_ = false;
  int recordedTicks_ = 0;
  bool remembered_[3] = {};  // "Transmit Controllers", "Slave Mode", "Master Mode"
  std::optional<config::ProfileDocument> structure_;
  bool testFlag_ = false;
};

}  // namespace kalo::app
