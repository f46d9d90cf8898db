#include "app/style_creator_side.h"

#include <algorithm>

#include "app/arranger.h"
#include "config/profile_document.h"
#include "engine/chord_transposer.h"
#include "host/file_store.h"
#include "midi/midi_status.h"
#include "perform/chord.h"
#include "perform/chord_recognizer.h"
#include "styles/keyboard_style_markers.h"
#include "styles/style_stream.h"

namespace kalo::app {

namespace {

constexpr int kTicksPerBeat = 24;
// How long the Style-Creator waits for the external device when it cannot start it.
constexpr int16_t kRecordStartWait = 2000;

styles::Metre MetreOfMetrum(int metrum) {
  const int index = std::clamp(metrum, 0, config::kMetrumCount - 1);
  return {config::kMetrumLengths[index], index >= 6};
}

}  // namespace

void RecordingPanel::New() {
  First.fill(1);
  Last.fill(0);
}

void RecordingPanel::Shift(int step) {
  for (int& first : First) first = std::max(1, first + step);
  for (int& last : Last) last = std::max(0, last + step);
}

StyleCreatorSide::StyleCreatorSide(Arranger& session) : a_(session), events_(session.Gen()) {}

styles::TGen& StyleCreatorSide::Gen() { return a_.Gen(); }

int64_t StyleCreatorSide::MeasureTicks() const {
  return styles::TicksPerMeasure(a_.Gen().CurrentMetre.MeasureLength);
}

std::array<uint8_t, styles::kChannelCount> StyleCreatorSide::MainWindowMutes() const {
  std::array<uint8_t, styles::kChannelCount> mutes{};
  for (size_t c = 0; c < mutes.size(); ++c) mutes[c] = a_.HandMuted[c] ? 1 : 0;
  return mutes;
}

styles::RootShifts StyleCreatorSide::Shifts() const {
  // The player's root note for each pitch class is the one fingered recognition gives, an octave
  // lower in the accompaniment when it lies below the section's first C.
  const int lowest = config::ComputeControlKeyNotes(a_.Settings()).SectionFirst;
  const int sectionC = engine::SectionCFor(lowest);
  styles::RootShifts shifts{};
  for (int pc = 0; pc < 12; ++pc) {
    const int root = perform::FingeredRootNote(pc, lowest);
    const bool adjust = a_.Settings().Adjust;
    shifts[static_cast<size_t>(pc)] = pc + (!adjust && root < sectionC ? -12 : 0);
  }
  return shifts;
}

std::vector<styles::TimedChord> StyleCreatorSide::ChordsOfChart(const perform::ChordChart& chart) {
  std::vector<styles::TimedChord> chords;
  for (const perform::ChartItem& item : chart.Items)
    if (item.What == perform::ChartItem::Kind::kChord)
      chords.push_back({int64_t{item.Beat} * kTicksPerBeat, item.RootPitchClass, item.Type});
  return chords;
}

// --- Import --------------------------------------------------------------------------------------------

bool StyleCreatorSide::ImportMidiFile(const std::string& path) {
  const host::FileRead read = host::ReadRegularFile(path, midi::kMaxReadableSmfBytes + 1);
  if (!read.Ok() || read.Longer) {
    a_.Dialogs().Inform("MIDI file not imported: " +
                        (read.Longer ? host::PrintableName(path) + ": it holds more than " +
                                           std::to_string(midi::kMaxReadableSmfBytes) + " bytes"
                                     : read.Error));
    return false;
  }
  return ImportMidiBytes(path, read.Bytes);
}

bool StyleCreatorSide::ImportMidiBytes(const std::string& name, std::span<const uint8_t> bytes) {
  styles::TGen& gen = Gen();
  if (a_.Engine().SongState > 0 || recording_) return false;
  if (gen.CurrentStyle().HasMaterial() && !gen.StyleLoaded && !a_.Dialogs().Ask(styles::kReplaceWorkQuestion))
    return false;
  auto imported = styles::ImportMidiFile(bytes, Import, MetreOfMetrum(a_.Settings().Metrum));
  if (auto* error = std::get_if<std::string>(&imported)) {
    a_.Dialogs().Inform("MIDI file not imported: " + host::PrintableName(name) + ": " + *error);
    return false;
  }
  if (gen.Playing) a_.Stop();
  styles::ImportedMaterial& material = std::get<styles::ImportedMaterial>(imported);
  if (!gen.TakeImportedMaterial(name, material)) return false;
  material.Stream.clear();  // the style holds it now
  lastImport_ = std::move(material);
  a_.Dialogs().Inform(styles::AvailableMeasuresMessage(lastImport_.Measures));
  return true;
}

bool StyleCreatorSide::NewStyle(const std::string& path) {
  a_.Settings().Metrum = 2;
  return ImportMidiFile(path);
}

std::vector<PartReport> StyleCreatorSide::CutPartsFromMarkers() {
  std::vector<PartReport> reports;
  const int64_t measureTicks = MeasureTicks();
  for (const styles::MarkedSection& section : styles::PartsFromMarkers(
           lastImport_.Markers, lastImport_.Measures * measureTicks, static_cast<int>(measureTicks))) {
    styles::PartWindow window;
    window.First = section.First;
    window.Last = section.Last;
    window.Mute = MainWindowMutes();
    if (auto report = CutPart(section.Part, window)) reports.push_back(*report);
  }
  return reports;
}

// --- Recording -----------------------------------------------------------------------------------------

void StyleCreatorSide::RecordFromMidiIn(bool cutFromPanel) {
  engine::Sequencer& engine = a_.Engine();
  engine::SequencerClock& clock = a_.Clock();
  styles::TGen& gen = Gen();
  if (engine.SongState > 0 || recording_) return;
  if (!engine.StylePlaying() && clock.StartWait > 1000) {
    clock.StartWait = 0;
    return;
  }
  if (gen.CurrentStyle().HasMaterial() && !gen.StyleLoaded && !a_.Dialogs().Ask(styles::kReplaceWorkQuestion))
    return;
  gen.SwitchStyleMode(false);
  remembered_[0] = a_.Options().TransmitControllers;
  remembered_[1] = a_.Options().SlaveMode;
  remembered_[2] = a_.Options().MasterMode;
  a_.SetTransmitControllers(false);
  if (a_.Options().SlaveMode) a_.SetSlaveMode(false);
  a_.Display().SetStyleCreatorPosition("1:1");
  if (!gen.ResetStyle()) return;
  gen.StyleLoaded = false;
  a_.StyleControls.SaveStyleName.clear();  // the recording has no style file yet
  gen.ResetControls();
  gen.SetMaterialMetre(MetreOfMetrum(Panel.Metrum));
  gen.BeginAppend();
  a_.Display().SetBeatIndicator(kRecordingIndicatorColour, "R");
  a_.StyleControls.RestoreOriginal = false;
  if (engine.StylePlaying() || clock.ClockState != 0) {
    midi::TMidiOutput& clickout = a_.Devices().Clickout();
    if (clickout.IsOpen()) clickout.PutShortMessage(midi::kMidiStart);
  } else {
    clock.StartWait = kRecordStartWait;
  }
  // The sequencer's clock times the recording: the input lets it through while recording.
  a_.Midi().Switches().ClockPassThrough.store(true);
  recording_ = true;
  cutAfterRecording_ = cutFromPanel;
  clockSeen_ = false;
  recordedTicks_ = 0;
}

void StyleCreatorSide::RecordFromMainWindow() {
  RecordFromMidiIn(false);
  if (recording_) a_.Dialogs().Inform(kReadyToRecordMessage);
}

void StyleCreatorSide::Capture(uint8_t status, uint8_t data1, uint8_t data2) {
  if (!recording_) return;
  styles::TGen& gen = Gen();
  // The external device runs once anything of it comes in (its Start does not reach the capture): the
  // wait for its start is over, and its first notes are recorded.
  a_.Clock().StartWait = 0;
  if (status == midi::kMidiClock) {
    // The first clock marks where the first tick begins (a slave starts playing on it, and a master
    // sends the downbeat's notes with it); every later one ends a tick. Counted as a tick of its own,
    // it would record the whole take one tick late.
    if (!clockSeen_) {
      clockSeen_ = true;
      return;
    }
    gen.AppendTick();
    if (++recordedTicks_ % kTicksPerBeat == 0) {
      const int beats = recordedTicks_ / kTicksPerBeat;
      const int perMeasure = std::max(1, gen.CurrentMetre.MeasureLength / 4);
      a_.Display().SetStyleCreatorPosition(std::to_string(beats / perMeasure + 1) + ":" +
                                           std::to_string(beats % perMeasure + 1));
    }
  } else if (status < midi::kSysexStatus) {
    gen.AppendMessage(status, data1, data2);
  }
}

void StyleCreatorSide::TransportStopped() {
  if (recording_) FinishRecording();
}

void StyleCreatorSide::FinishRecording() {
  recording_ = false;
  // The wait for the external device ends with the recording: a wait left pending would swallow the
  // next press of a play button.
  a_.Clock().StartWait = 0;
  styles::TGen& gen = Gen();
  styles::Style& style = gen.CurrentStyle();
  const int beats = (recordedTicks_ + kTicksPerBeat - 1) / kTicksPerBeat;
  gen.FinishAppend(beats * 4 + 4);
  gen.AlignDelaysToBeats();
  const midi::ControllerMemory& memory = a_.Midi().Controllers();
  for (int c = 0; c < styles::kChannelCount; ++c) {
    for (uint8_t entry : styles::kAppliedEntries) {
      const uint8_t value = memory.Value(c, entry);
      if (value != midi::ControllerMemory::kNeverSet)
        style.Header.Channels[static_cast<size_t>(c)].Values[entry] = value;
    }
  }
  a_.StyleControls.GoToEnd = true;
  a_.HandMuted.fill(false);
  a_.Engine().ChannelMute.fill(0);
  gen.SwitchStyleMode(true);
  gen.TakeStreamAsLoaded();
  a_.SetTransmitControllers(remembered_[0]);
  a_.Midi().Switches().ClockPassThrough.store(a_.Options().SlaveMode);
  if (remembered_[1]) a_.SetSlaveMode(true);
  a_.Options().MasterMode = remembered_[2];
  if (style.HasMaterial() && !clockSeen_) a_.Dialogs().Inform(kNoClockMessage);

  bool cut = false;
  if (cutAfterRecording_) {
    a_.SetTempo(Panel.Tempo);
    style.Header.Tempo = static_cast<int16_t>(Panel.Tempo);
    for (int p = 0; p < styles::kPartCount; ++p) {
      const int first = Panel.First[static_cast<size_t>(p)];
      const int last = Panel.Last[static_cast<size_t>(p)];
      if (first < 1 || last < 1) continue;
      styles::PartWindow window{first, std::max(first, last), 1, false, MainWindowMutes()};
      cut = CutPart(p, window).has_value() || cut;
    }
    if (cut) {
      gen.CurrentStylePath = "*.VXS";
      a_.Dialogs().Inform(kPartsCreatedMessage);
    } else {
      gen.SwitchStyleMode(false);
    }
    style.Modified = true;
  }
  if (!cut && style.HasMaterial())
    a_.Dialogs().Inform(styles::AvailableMeasuresMessage(gen.MaterialMeasures()));
  if (gen.Playing) a_.Stop();
}

// --- Parts -------------------------------------------------------------------------------------------

bool StyleCreatorSide::SetPart() {
  styles::TGen& gen = Gen();
  styles::PartWindow window{gen.FirstMeasure, gen.LastMeasure, gen.BeatBox, gen.VariationPrepared,
                            MainWindowMutes()};
  return CutPart(gen.RunningPart, window).has_value();
}

std::optional<PartReport> StyleCreatorSide::CutPart(int part, const styles::PartWindow& window) {
  styles::TGen& gen = Gen();
  if (!gen.StyleMode) gen.SwitchStyleMode(true);
  if (!gen.CutPart(part, window)) return std::nullopt;
  const styles::TStylePart& record = gen.CurrentStyle().Parts[static_cast<size_t>(part)];
  PartReport report{part, record.FirstMeasure, record.LastMeasure, record.Beat, {}, {}, false};
  if (!styles::SkipsPart(Conversion, part) && Conversion.ConvertMode > 0) {
    report.Converted = true;
    report.Conversion = ConvertMeasures(record.FirstMeasure, record.LastMeasure);
    report.Chords = ChordsOf(record.FirstMeasure, record.LastMeasure);
  }
  return report;
}

void StyleCreatorSide::ClearPart() { Gen().ClearPart(Gen().RunningPart); }

styles::ConversionReport StyleCreatorSide::ConvertMeasures(int first, int last) {
  styles::ConversionReport total;
  styles::TGen& gen = Gen();
  styles::Style& style = gen.CurrentStyle();
  if (Conversion.ConvertMode <= 0 || !style.HasMaterial()) return total;
  const int measures = gen.MaterialMeasures();
  last = std::min(last <= 0 ? measures : last, measures);
  first = std::max(first, 1);
  auto& converted = style.ConvertedMeasures;
  if (static_cast<int>(converted.size()) < measures) converted.resize(static_cast<size_t>(measures), false);
  const int64_t ticks = MeasureTicks();
  for (int m = first; m <= last;) {
    if (converted[static_cast<size_t>(m - 1)]) {
      ++m;
      continue;
    }
    int end = m;
    while (end < last && !converted[static_cast<size_t>(end)]) ++end;
    const int64_t from = (m - 1) * ticks;
    const int64_t to = end * ticks;
    const std::vector<styles::TimedChord> chords = ChordsOf(m, end);
    const styles::ConversionReport report = styles::ConvertToBaseChord(
        style.Buffer(), style.Length(), from, to, chords, Shifts(), Conversion.ConvertMode);
    total.NotesConverted += report.NotesConverted;
    total.NotesSeen += report.NotesSeen;
    for (int k = m; k <= end; ++k) converted[static_cast<size_t>(k - 1)] = true;
    m = end + 1;
  }
  if (total.NotesConverted > 0) {
    style.Header.Converted = 1;
    style.Modified = true;
  }
  return total;
}

styles::ConversionReport StyleCreatorSide::ConvertMeasuresToStyle() {
  return ConvertMeasures(Gen().FirstMeasure, Gen().LastMeasure);
}

styles::ConversionReport StyleCreatorSide::ConvertAllToStyle() { return ConvertMeasures(1, 0); }

styles::ConversionReport StyleCreatorSide::ConvertPart() {
  const styles::TGen& gen = Gen();
  const styles::TStylePart& part = gen.CurrentStyle().Parts[static_cast<size_t>(gen.RunningPart & 7)];
  if (!part.Exists()) return {};
  return ConvertMeasures(part.FirstMeasure, std::max(part.FirstMeasure, part.LastMeasure));
}

std::vector<styles::TimedChord> StyleCreatorSide::ChordsOf(int first, int last) const {
  const int64_t ticks = MeasureTicks();
  const int64_t from = (std::max(first, 1) - 1) * ticks;
  const int64_t to = int64_t{last} * ticks;
  if (!GivenChords.empty()) {
    // The chord in force at the first measure, and those that follow inside the measures.
    std::vector<styles::TimedChord> chords;
    for (const styles::TimedChord& chord : GivenChords) {
      if (chord.Tick >= to) break;
      if (chord.Tick <= from) chords.clear();
      chords.push_back(chord);
    }
    return chords;
  }
  // The chords are found in the material as it was recorded or imported, before any conversion.
  const styles::BufferSlot& original = a_.Gen().CurrentStyle().Slots[styles::Style::kCopyAsLoadedSlot];
  const std::span<const uint8_t> source(
      original.Data.data(),
      static_cast<size_t>(std::clamp<int32_t>(original.Length, 0, styles::kStreamCapacity)));
  return styles::FindChords(source, from, to, static_cast<int>(ticks), Conversion);
}

std::vector<styles::TimedChord> StyleCreatorSide::GenerateChords() const {
  const styles::TGen& gen = a_.Gen();
  return ChordsOf(gen.FirstMeasure, gen.LastMeasure > 0 ? gen.LastMeasure : gen.MaterialMeasures());
}

void StyleCreatorSide::ShowGeneratedChords() {
  const std::vector<styles::TimedChord> chords = GenerateChords();
  const int64_t beatTicks = Gen().CurrentMetre.EighthNotes ? kTicksPerBeat / 2 : kTicksPerBeat;
  const int64_t measureTicks = std::max<int64_t>(1, MeasureTicks());
  std::string text = chords.empty() ? "No chords found" : "Chords found:";
  for (const styles::TimedChord& chord : chords) {
    text += "\n" + std::to_string(chord.Tick / measureTicks + 1) + ":" +
            std::to_string(chord.Tick % measureTicks / beatTicks + 1) + "  " +
            perform::ChordName(chord.RootPitchClass, chord.Type);
  }
  a_.Dialogs().Inform(text);
}

void StyleCreatorSide::SetMetrum(int index) {
  Panel.Metrum = std::clamp(index, 0, config::kMetrumCount - 1);
  Gen().SetMaterialMetre(MetreOfMetrum(Panel.Metrum));
}

bool StyleCreatorSide::QuickStyle() {
  styles::TGen& gen = Gen();
  if (!gen.CurrentStyle().HasMaterial()) return false;
  a_.Stop();
  ConvertAllToStyle();
  for (int p = 0; p < styles::kPartCount; ++p) gen.ClearPart(p);
  gen.RunningPart = styles::kBasic;
  const int first = std::max(1, gen.FirstMeasure);
  styles::PartWindow window{first, first + gen.LoopLength() - 1, 1, false, MainWindowMutes()};
  return CutPart(styles::kBasic, window).has_value();
}

bool StyleCreatorSide::ReadStructureFile() {
  if (structure_) return true;
  const auto bytes = host::ReadFilePrefix(a_.Folder().Path() / styles::kStructureFileName, 1 << 20);
  if (!bytes) return false;
  structure_ = config::ProfileDocument::Parse(*bytes);
  return structure_.has_value();
}

bool StyleCreatorSide::CutFromStructureFile(bool styleB) {
  if (!Gen().CurrentStyle().HasMaterial() || !ReadStructureFile()) return false;
  CutFromStructure(*structure_, styleB);
  return true;
}

std::vector<PartReport> StyleCreatorSide::CutFromStructure(const config::ProfileDocument& document,
                                                           bool styleB) {
  std::vector<PartReport> reports;
  styles::TGen& gen = Gen();
  if (!gen.CurrentStyle().HasMaterial()) return reports;
  const styles::StructureCut cut = styles::ReadStructure(document, styleB);
  if (cut.Muted)
    for (int c = 0; c < styles::kChannelCount; ++c)
      a_.SetChannelMute(c, (*cut.Muted)[static_cast<size_t>(c)]);
  a_.Stop();
  // Every part is cleared, To Basic too: a part the file does not name must not keep offsets of an
  // earlier cut.
  for (int p = 0; p < styles::kPartCount; ++p) gen.ClearPart(p);
  Conversion.WindowBeats = 1;
  Conversion.Mode = styles::kModeValues[3];
  Conversion.ConvertMode = 5;
  ConvertAllToStyle();
  gen.CurrentStyle().Modified = true;
  gen.BeatBox = 1;
  for (int part : styles::kStructureCutOrder) {
    const int start = cut.Start[static_cast<size_t>(part)];
    if (start < 1) continue;
    styles::PartWindow window{start, std::max(start, cut.End[static_cast<size_t>(part)]), 1, false,
                              MainWindowMutes()};
    if (auto report = CutPart(part, window)) reports.push_back(*report);
  }
  a_.Stop();
  return reports;
}

int StyleCreatorSide::Restore() {
  styles::TGen& gen = Gen();
  if (!gen.CurrentStyle().HasMaterial()) return 0;
  gen.SwitchStyleMode(true);
  int cut = 0;
  for (int p = 0; p < styles::kPartCount; ++p) {
    const styles::LoadedMeasures loaded = gen.CurrentStyle().Loaded[static_cast<size_t>(p)];
    if (loaded.First < 1 || loaded.Last < 1) continue;
    // The part keeps its flags; only its place in the material is cut again.
    const styles::TStylePart record = gen.CurrentStyle().Parts[static_cast<size_t>(p)];
    styles::PartWindow window{loaded.First, std::max(loaded.First, loaded.Last), 1,
                              record.HasVariationMarker(), record.Mute};
    if (CutPart(p, window)) ++cut;
  }
  return cut;
}

bool StyleCreatorSide::RestoreOriginal(bool ask) { return Gen().UndoAllConversions(ask); }

bool StyleCreatorSide::ClearStyle(bool ask) {
  styles::TGen& gen = Gen();
  const auto& parts = gen.CurrentStyle().Parts;
  if (std::none_of(parts.begin(), parts.end(), [](const styles::TStylePart& p) { return p.Exists(); }))
    return false;
  if (ask && !a_.Dialogs().Ask(kClearStyleQuestion)) return false;
  a_.Stop();
  for (int p = 0; p < styles::kPartCount; ++p) gen.ClearPart(p);
  gen.ResetControls();
  gen.SwitchStyleMode(false);
  gen.StyleLoaded = false;
  return true;
}

// --- Flags and levels ----------------------------------------------------------------------------------

void StyleCreatorSide::SetCutNotes(int channel, bool on) {
  Gen().SetCutNotes(Gen().RunningPart, channel, on);
}

bool StyleCreatorSide::CutNotesToAllParts(int channel, bool on) {
  if (!a_.Dialogs().Ask(kCutNotesToAllQuestion)) return false;
  Gen().CutNotesToAllParts(channel, on);
  return true;
}

bool StyleCreatorSide::MutingToAllParts() {
  if (!a_.Dialogs().Ask(kMutingToAllQuestion)) return false;
  Gen().MutingToAllParts(a_.HandMuted);
  return true;
}

void StyleCreatorSide::VolumeOffset(int step) { Gen().ChangeLevels(7, step); }

void StyleCreatorSide::ReverbOffset(int step) { Gen().ChangeLevels(91, step); }

void StyleCreatorSide::NormalizeVolume() {
  Gen().NormalizeVolume();
  Gen().CurrentStyle().Modified = true;
}

void StyleCreatorSide::TransposeChannel(int channel, int semitones) {
  Gen().TransposeChannel(channel - 1, semitones);
}

void StyleCreatorSide::SoundNote(const styles::EditorNote& note) {
  a_.SendGenerated(static_cast<uint8_t>(midi::kNoteOn | note.Channel), static_cast<uint8_t>(note.Note),
                   static_cast<uint8_t>(std::max(1, note.Velocity)));
}

void StyleCreatorSide::ReleaseNote(const styles::EditorNote& note) {
  a_.SendGenerated(static_cast<uint8_t>(midi::kControlChange | note.Channel), 123, 0);
}

// --- Playing -----------------------------------------------------------------------------------------

void StyleCreatorSide::PlayButton() {
  styles::TGen& gen = Gen();
  if (!gen.CurrentStyle().HasMaterial()) return;
  engine::SequencerClock& clock = a_.Clock();
  if (!a_.Engine().StylePlaying() && clock.StartWait > 1000) {
    clock.StartWait = 0;
    return;
  }
  a_.Display().SetStyleCreatorPosition("1:1");
  // The material is heard in the key in which styles are stored.
  a_.Chords().SetChord(styles::kExportRoot, 1, perform::kUntransposed);
  a_.Engine().Book.Clear();
  if (gen.StyleMode && gen.CurrentStyle().Parts[static_cast<size_t>(gen.RunningPart & 7)].Exists()) {
    a_.Engine().PlayPart(gen.RunningPart);
  } else {
    a_.Play();
  }
}

bool StyleCreatorSide::WaitsForChord() const {
  const styles::TGen& gen = a_.Gen();
  return a_.Options().StartOnChord && !gen.Playing && gen.StyleMode && gen.CurrentStyle().HasMaterial() &&
         a_.Engine().SongState == 0;
}

void StyleCreatorSide::Play() { a_.Engine().StartStyle(); }

void StyleCreatorSide::Step(int direction) {
  if (direction < 0) {
    Gen().MeasureBack();
  } else {
    Gen().MeasureForward();
  }
}

}  // namespace kalo::app
