#include "app/chord_editor_side.h"

#include <algorithm>
#include <climits>

#include "app/arranger.h"
#include "perform/chord_chart.h"
#include "perform/chord_recognizer.h"
#include "song/song_chart.h"

namespace kalo::app {

namespace {

// An integer as the player typed it, blanks around it allowed.
std::optional<int> TypedInteger(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return std::nullopt;
  const size_t last = text.find_last_not_of(" \t");
  return perform::ParseChartNumber(std::string_view(text).substr(first, last + 1 - first), INT_MIN, INT_MAX);
}

}  // namespace

ChordEditorSide::ChordEditorSide(Arranger& arranger)
    : arranger_(arranger), editing_(arranger.Song().Chords) {}

int ChordEditorSide::MeasureLength() const { return arranger_.Engine().MeasureLength; }

int ChordEditorSide::Measures() const {
  return song::ShownMeasures(arranger_.Song().Chords, MeasureLength());
}

bool ChordEditorSide::Stopped() const {
  engine::Sequencer& engine = arranger_.Engine();
  return !engine.StylePlaying() && engine.SongState == 0;
}

void ChordEditorSide::OpenAt(int measure) {
  Select(measure, 1);
  editing_.Modified = false;
}

void ChordEditorSide::Select(int measure, int column) {
  editing_.Measure = std::clamp(measure, 1, Measures());
  editing_.Column = std::clamp(column, 1, std::max(1, MeasureLength() / song::kRecordBytes));
  if (view_ != nullptr) view_->ShowChords();
}

void ChordEditorSide::Written() {
  if (view_ == nullptr) return;
  view_->ShowChords();
  view_->BringToFront();
}

void ChordEditorSide::Refused(const char* message) {
  if (message != nullptr) arranger_.Dialogs().Inform(message);
  if (view_ != nullptr) view_->ShowChords();
}

void ChordEditorSide::SetRoot(int pitchClass) {
  const int lowest = config::ComputeControlKeyNotes(arranger_.Settings()).SectionFirst;
  editing_.SetRoot(perform::FingeredRootNote(perform::PitchClass(pitchClass), lowest), MeasureLength());
  Written();
}

bool ChordEditorSide::SetType(int type) {
  if (!editing_.SetType(type, MeasureLength())) return false;
  Written();
  return true;
}

bool ChordEditorSide::SetFunction(EditorFunction function, const EditorFields& fields) {
  const config::ControlKeyNotes keys = config::ComputeControlKeyNotes(arranger_.Settings());
  int code = 0;
  int parameter = 0;
  switch (function) {
    case EditorFunction::Intro:
      code = keys.Intro;
      break;
    case EditorFunction::FillIn:
      code = keys.FillIn;
      break;
    case EditorFunction::ToExtended:
      code = keys.ToExtended;
      break;
    case EditorFunction::ToBasic:
      code = keys.ToBasic;
      break;
    case EditorFunction::Ending:
      code = keys.Ending;
      break;
    case EditorFunction::Stop:
      code = song::kStopFunction;
      break;
    case EditorFunction::Tempo:
      code = song::kTempoFunction;
      parameter = std::clamp(fields.Tempo, engine::kMinFieldTempo, engine::kMaxFieldTempo);
      break;
    case EditorFunction::Loop:
      code = song::kLoopFunction;
      parameter = fields.LoopEnd ? 0 : song::LoopStartParameter(fields.LoopCount);
      break;
    case EditorFunction::Transpose:
      code = song::kTransposeFunction;
      parameter = song::TransposeParameter(fields.Semitones);
      break;
    case EditorFunction::SoloMute:
      code = song::kSoloMuteFunction;
      parameter = song::SoloMuteParameter(fields.SoloMute, fields.Channel);
      break;
  }
  if (code < song::kSoloMuteFunction) {
    // A style-part key: stored as recording stores it, only while "Play Chords" is off.
    if (arranger_.Options().PlayChords) {
      arranger_.Dialogs().Inform(kPlayChordsKeepsPartsOut);
      return false;
    }
    if (code < 1) return false;  // the settings give this part no key
    parameter = song::kPartKeyParameter;
  }
  editing_.WriteFunction(static_cast<uint8_t>(code), static_cast<uint8_t>(parameter), MeasureLength());
  Written();
  return true;
}

void ChordEditorSide::CutChord() {
  editing_.CutChord(MeasureLength());
  Written();
}

void ChordEditorSide::CutFunction() {
  editing_.CutFunction(MeasureLength());
  Written();
}

void ChordEditorSide::CutBeat() {
  editing_.CutBeat(MeasureLength());
  Written();
}

void ChordEditorSide::PasteBeat() {
  editing_.PasteBeat(MeasureLength());
  Written();
}

void ChordEditorSide::InsertMeasure() {
  if (arranger_.Song().Chords.Empty()) {
    CreateNewMeasures();
    return;
  }
  Refused(editing_.InsertMeasure(MeasureLength()));
}

bool ChordEditorSide::CreateNewMeasures() {
  const std::optional<std::string> typed =
      arranger_.Dialogs().AskText(song::kCreateNewMeasuresCaption, song::kHowManyMeasuresPrompt, "0");
  if (!typed) return false;
  const std::optional<int> count = TypedInteger(*typed);
  if (!count) {
    arranger_.Dialogs().Inform("'" + *typed + "' is not a valid integer value");
    return false;
  }
  if (*count == 0) return false;
  if (const char* refused = editing_.CreateMeasures(*count, MeasureLength())) {
    Refused(refused);
    return false;
  }
  if (view_ != nullptr) view_->ShowChords();
  return true;
}

void ChordEditorSide::DeleteMeasure() { Refused(editing_.DeleteMeasure(MeasureLength())); }

void ChordEditorSide::InsertBeat() { Refused(editing_.InsertBeat(MeasureLength())); }

void ChordEditorSide::DeleteBeat() { Refused(editing_.DeleteBeat(MeasureLength())); }

bool ChordEditorSide::CopyMeasures(int first, int last, int destination) {
  const char* refused = editing_.CopyMeasures(first, last, destination, MeasureLength());
  Refused(refused);
  return refused == nullptr;
}

void ChordEditorSide::Undo() {
  editing_.Undo();
  Select(editing_.Measure, editing_.Column);
}

bool ChordEditorSide::StartEditMode() {
  if (!Stopped()) return false;
  editMode_ = true;
  if (view_ != nullptr) view_->ShowEditMode(true);
  return true;
}

void ChordEditorSide::EndEditMode() {
  if (!editMode_) return;
  editMode_ = false;
  if (view_ != nullptr) view_->ShowEditMode(false);
}

void ChordEditorSide::Leave() {
  if (editMode_ || !editing_.Modified) return;
  const int length = arranger_.Song().Chords.Length;
  arranger_.Song().Range.SetToMeasure((length - song::kSongStart) / MeasureLength());
  editing_.Modified = false;
}

std::optional<std::string> ChordEditorSide::Chart() {
  song::Song& song = arranger_.Song();
  if (!song.RequireSong(arranger_.Dialogs())) return std::nullopt;
  const config::ControlKeyNotes keys = config::ComputeControlKeyNotes(arranger_.Settings());
  return song::ChartOfSong(song.Chords, song.Memo, keys, keys.SectionFirst);
}

bool ChordEditorSide::PasteChart(const std::string& text) {
  song::ChartReading reading;
  reading.Keys = config::ComputeControlKeyNotes(arranger_.Settings());
  reading.LowestAccompanimentKey = reading.Keys.SectionFirst;
  reading.MeasureLength = MeasureLength();
  reading.DefaultTempo = arranger_.Tempo();
  auto read = song::SongFromChart(text, reading);
  if (const auto* error = std::get_if<std::string>(&read)) {
    arranger_.Dialogs().Inform(kChartNotPasted + *error);
    return false;
  }
  song::Song& song = arranger_.Song();
  if (!song.Chords.Empty() && !arranger_.Dialogs().Ask(kReplaceChordsQuestion)) return false;
  if (!Stopped()) arranger_.Stop();
  const song::ChartSong& pasted = std::get<song::ChartSong>(read);
  editing_.Replace(pasted.Chords);
  arranger_.SetTempo(pasted.Chords.Header().Tempo);
  const std::pair<const std::optional<std::string>*, std::string*> memo[] = {
      {&pasted.Memo.Title, &song.Memo.Title},
      {&pasted.Memo.Subtitle, &song.Memo.Subtitle},
      {&pasted.Memo.Author, &song.Memo.Author},
      {&pasted.Memo.Copyright, &song.Memo.Copyright}};
  for (const auto& [given, field] : memo)
    if (*given) *field = **given;
  Select(1, 1);
  return true;
}

bool ChordEditorSide::TakesChordButtons() const {
  return editMode_ || (shown_ && arranger_.SongOptions().Edit);
}

void ChordEditorSide::TakeChord(int root, int type) {
  if (!TakesChordButtons()) return;
  EndEditMode();
  editing_.WriteChord(root, type, MeasureLength());
  Written();
}

void ChordEditorSide::TakeFunction(int code) {
  if (!TakesChordButtons()) return;
  EndEditMode();
  if (code < 1 || code > 250) return;
  if (arranger_.Options().PlayChords) {
    arranger_.Dialogs().Inform(kPlayChordsKeepsPartsOut);
    return;
  }
  editing_.WriteFunction(static_cast<uint8_t>(code), song::kPartKeyParameter, MeasureLength());
  Written();
}

}  // namespace kalo::app
