// The Style-Creator side: the style played as a song, to test it, to save it as a MIDI file and to
// repair it.

#include <algorithm>

#include "app/arranger.h"
#include "app/style_creator_side.h"
#include "host/file_store.h"
#include "styles/style_file.h"

namespace kalo::app {

namespace {

// The file "Repair style" plays the style into: the program's file name with this extension.
constexpr const char* kRepairScratchExtension = ".VX$";

}  // namespace

std::optional<StyleSongRender> StyleCreatorSide::RenderWholeStyle() {
  styles::TGen& gen = Gen();
  styles::Style& style = gen.CurrentStyle();
  if (!style.HasMaterial() || gen.ImportedSong) return std::nullopt;
  const auto keys = config::ComputeControlKeyNotes(a_.Settings());
  const auto song =
      styles::WholeStyleSong(style.Parts, gen.CurrentMetre.MeasureLength, keys, a_.Settings().PlayIntro);
  if (!song) return std::nullopt;
  for (int p = 0; p < styles::kPartCount; ++p) {
    const styles::TStylePart& part = style.Parts[static_cast<size_t>(p)];
    if (part.Exists()) style.Loaded[static_cast<size_t>(p)] = {part.FirstMeasure, part.LastMeasure};
  }
  return RenderStyleSong(a_.Settings(), a_.Folder(), style, *song, a_.Tempo());
}

bool StyleCreatorSide::TestStyle() {
  styles::TGen& gen = Gen();
  styles::Style& style = gen.CurrentStyle();
  if (!style.HasMaterial() || gen.ImportedSong) return false;
  if (testFlag_) a_.Song().Chords.Clear();
  testFlag_ = false;
  const auto keys = config::ComputeControlKeyNotes(a_.Settings());
  const auto song =
      styles::WholeStyleSong(style.Parts, gen.CurrentMetre.MeasureLength, keys, a_.Settings().PlayIntro);
  if (!song) return false;
  a_.Stop();
  song::Song& target = a_.Song();
  target.Chords = song->Chords;
  target.Range.SetFromMeasure(1);
  target.Range.SetToMeasure(song->ToMeasure);
  for (int p = 0; p < styles::kPartCount; ++p) {
    const styles::TStylePart& part = style.Parts[static_cast<size_t>(p)];
    if (part.Exists()) style.Loaded[static_cast<size_t>(p)] = {part.FirstMeasure, part.LastMeasure};
  }
  // The cut material is a style now: Play plays the song over it.
  gen.StyleLoaded = true;
  gen.SwitchStyleMode(true);
  testFlag_ = true;
  a_.Play();
  return true;
}

bool StyleCreatorSide::ExportSong(const std::string& path, const styles::StyleSong& song) {
  const StyleSongRender render =
      RenderStyleSong(a_.Settings(), a_.Folder(), Gen().CurrentStyle(), song, a_.Tempo());
  std::optional<std::string> error;
  if (!render.Error.empty()) {
    error = render.Error;
  } else {
    error = WriteStyleSongMidi(path, render);
  }
  if (error) {
    a_.Dialogs().Inform("MIDI file not saved: " + host::PrintableName(path) + ": " + *error);
    return false;
  }
  return true;
}

bool StyleCreatorSide::SaveStyleAsMidi(const std::string& path) {
  const styles::TGen& gen = Gen();
  const styles::Style& style = gen.CurrentStyle();
  if (!style.HasMaterial() || gen.ImportedSong) return false;
  const auto song =
      styles::WholeStyleSong(style.Parts, gen.CurrentMetre.MeasureLength,
                             config::ComputeControlKeyNotes(a_.Settings()), a_.Settings().PlayIntro);
  return song && ExportSong(path, *song);
}

bool StyleCreatorSide::SavePartAsMidi(const std::string& path, std::optional<int> part) {
  const styles::TGen& gen = Gen();
  const styles::Style& style = gen.CurrentStyle();
  if (!style.HasMaterial() || gen.ImportedSong) return false;
  const auto song =
      styles::PartSong(style.Parts, part.value_or(gen.RunningPart), gen.CurrentMetre.MeasureLength,
                       config::ComputeControlKeyNotes(a_.Settings()));
  return song && ExportSong(path, *song);
}

std::string StyleCreatorSide::ProposedPartFileName() const {
  const styles::TGen& gen = a_.Gen();
  const int part = gen.RunningPart & 7;
  return styles::ProposedPartFileName(
      part, gen.CurrentStyle().Parts[static_cast<size_t>(part)].HasVariationMarker());
}

bool StyleCreatorSide::RepairStyle() {
  const auto error = RepairCurrentStyle();
  if (error) a_.Dialogs().Inform("Style not repaired: " + *error);
  return !error;
}

std::optional<std::string> StyleCreatorSide::RepairCurrentStyle() {
  styles::TGen& gen = Gen();
  const auto render = RenderWholeStyle();
  if (!render) return "it has no part to play";
  if (!render->Error.empty()) return render->Error;
  const auto scratch = a_.Folder().WithExtension(kRepairScratchExtension);
  if (auto error = WriteStyleSongMidi(scratch, *render)) return *error;
  const host::FileRead read = host::ReadRegularFile(scratch, midi::kMaxReadableSmfBytes);
  if (!read.Ok()) return "cannot read " + read.Error;
  auto imported = styles::ImportMidiFile(read.Bytes, {}, gen.CurrentMetre);
  if (auto* error = std::get_if<std::string>(&imported)) return *error;
  // The parts keep their flags; the header keeps what the file does not carry.
  const styles::PartTable flags = gen.CurrentStyle().Parts;
  const styles::TStyleHeader header = gen.CurrentStyle().Header;
  const auto layout = PartsPlayed(render->Capture, styles::TicksPerMeasure(gen.CurrentMetre.MeasureLength));
  gen.CurrentStyle().Modified = false;
  if (!gen.TakeImportedMaterial(gen.CurrentStylePath, std::get<styles::ImportedMaterial>(imported)))
    return "the played style does not fit into a style";
  styles::TStyleHeader& repaired = gen.CurrentStyle().Header;
  repaired.IntroMeasures = header.IntroMeasures;
  repaired.SuppressControllers = header.SuppressControllers;
  repaired.Tempo = header.Tempo;
  const int convertMode = Conversion.ConvertMode;
  Conversion.ConvertMode = 0;  // the material plays in C already
  for (int pass = 0; pass < 2; ++pass) {
    for (int p = 0; p < styles::kPartCount; ++p) {
      const styles::LoadedMeasures where = layout[static_cast<size_t>(p)];
      const styles::TStylePart& was = flags[static_cast<size_t>(p)];
      if (where.First < 1 || !was.Exists()) continue;
      CutPart(p, {where.First, where.Last, 1, was.HasVariationMarker(), was.Mute});
      gen.CurrentStyle().Parts[static_cast<size_t>(p)].CutNotes = was.CutNotes;
      gen.CurrentStyle().Loaded[static_cast<size_t>(p)] = where;
    }
  }
  Conversion.ConvertMode = convertMode;
  gen.CurrentStyle().ComputeHoldOver();
  gen.CurrentStyle().Modified = true;
  gen.StyleLoaded = true;
  return std::nullopt;
}

}  // namespace kalo::app
