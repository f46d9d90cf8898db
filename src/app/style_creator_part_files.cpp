// The Style-Creator side: style parts to and from MIDI files, one part per file, and sets of them (every
// part of the style as its own file in one folder).

#include <algorithm>
#include <filesystem>

#include "app/arranger.h"
#include "app/style_creator_side.h"
#include "host/file_store.h"
#include "styles/style_stream.h"

namespace kalo::app {

namespace {

// The names a part's file may carry in a set: the name it is written under first.
std::vector<std::string> PartFileNames(int part) {
  std::vector<std::string> names{styles::ProposedPartFileName(part, false)};
  if (part == styles::kFillInBasic || part == styles::kFillInExtended)
    names.push_back(styles::ProposedPartFileName(part, true));
  return names;
}

// The measures up to the last one something sounds in: a part file may run on in silence (an Ending
// is written reached from the start, its song twice its length). Anything but a note start lying on a
// bar line (a note's end, a pedal or controller reset) belongs to the measure before it.
int SoundingMeasures(const styles::ImportedMaterial& material, int measureTicks) {
  int64_t last = 0;
  styles::ForEachMessage(material.Stream, 0, static_cast<int32_t>(material.Stream.size()),
                         [&](const styles::StreamMessage& m) {
                           const bool starts = (m.Status & 0xF0) == 0x90 && m.Data2 > 0;
                           last = std::max(last, !starts && m.Tick > 0 ? m.Tick - 1 : m.Tick);
                         });
  const int used = static_cast<int>(last / measureTicks) + 1;
  return std::min(used, material.Measures);
}

}  // namespace

bool StyleCreatorSide::ImportPartFromMidi(const std::string& path, std::optional<int> part) {
  styles::TGen& gen = Gen();
  if (a_.Engine().SongState > 0 || recording_ || gen.ImportedSong) return false;
  const host::FileRead read = host::ReadRegularFile(path, midi::kMaxReadableSmfBytes + 1);
  if (!read.Ok() || read.Longer) {
    a_.Dialogs().Inform("Style part not imported: " +
                        (read.Longer ? host::PrintableName(path) + ": it holds more than " +
                                           std::to_string(midi::kMaxReadableSmfBytes) + " bytes"
                                     : read.Error));
    return false;
  }
  // The part is read in the style's metre: its measures must line up with the style's.
  styles::ImportOptions options = Import;
  const bool fresh = !gen.CurrentStyle().HasMaterial();
  if (!fresh) options.DontGetMetrum = true;
  auto imported = styles::ImportMidiFile(read.Bytes, options, gen.CurrentMetre);
  if (auto* error = std::get_if<std::string>(&imported)) {
    a_.Dialogs().Inform("Style part not imported: " + host::PrintableName(path) + ": " + *error);
    return false;
  }
  const auto& material = std::get<styles::ImportedMaterial>(imported);
  if (material.Measures < 1) {
    a_.Dialogs().Inform("Style part not imported: " + host::PrintableName(path) + ": it holds no measure");
    return false;
  }
  const int target = part.value_or(gen.RunningPart) & 7;
  const styles::TStylePart was = gen.CurrentStyle().Parts[static_cast<size_t>(target)];
  if (gen.Playing) a_.Stop();
  int first = 1;
  if (fresh) {
    if (!gen.TakeImportedMaterial(path, material)) return false;
  } else {
    first = gen.AppendMaterial(material);
    // Material that no part plays (the rest of a long recording) fills the style: repairing it keeps
    // only the measures its parts play, which makes room when the player agrees.
    if (first < 1 && a_.Dialogs().Ask(kMakeRoomQuestion) && RepairStyle())
      first = gen.AppendMaterial(material);
    if (first < 1) {
      a_.Dialogs().Inform("Style part not imported: " + host::PrintableName(path) +
                          ": the style has no room left for it");
      return false;
    }
  }
  const int measures = SoundingMeasures(material, styles::TicksPerMeasure(gen.CurrentMetre.MeasureLength));
  styles::PartWindow window{first, first + measures - 1, 1, false, {}};
  if (was.Exists()) {
    window.Variation = was.HasVariationMarker();
    window.Mute = was.Mute;
  }
  // The part file plays in C already: it is not converted again.
  const int convertMode = Conversion.ConvertMode;
  Conversion.ConvertMode = 0;
  const bool cut = CutPart(target, window).has_value();
  Conversion.ConvertMode = convertMode;
  if (!cut) {
    a_.Dialogs().Inform("Style part not imported: " + host::PrintableName(path) + ": nothing to play in it");
    return false;
  }
  if (was.Exists()) gen.CurrentStyle().Parts[static_cast<size_t>(target)].CutNotes = was.CutNotes;
  gen.CurrentStyle().Loaded[static_cast<size_t>(target)] = {static_cast<int16_t>(window.First),
                                                            static_cast<int16_t>(window.Last)};
  gen.CurrentStyle().ComputeHoldOver();
  gen.CurrentStyle().Modified = true;
  return true;
}

int StyleCreatorSide::ExportPartSet(const std::string& folder) {
  const styles::TGen& gen = Gen();
  const styles::Style& style = gen.CurrentStyle();
  if (!style.HasMaterial() || gen.ImportedSong) return 0;
  // A set already in the folder is replaced as a whole, and only after the player agrees: files of
  // parts this style does not have would otherwise come back with the next set import.
  std::vector<std::filesystem::path> earlier;
  for (int p = 0; p < styles::kPartCount; ++p)
    for (const std::string& name : PartFileNames(p))
      if (host::PathExists(std::filesystem::path(folder) / name))
        earlier.push_back(std::filesystem::path(folder) / name);
  if (!earlier.empty() && !a_.Dialogs().Ask(ReplacePartSetQuestion(host::PrintableName(folder)))) return 0;
  if (auto error = host::CreateFolders(folder)) {
    a_.Dialogs().Inform("Style parts not exported: " + *error);
    return 0;
  }
  int written = 0;
  std::vector<std::filesystem::path> kept;
  for (int p = 0; p < styles::kPartCount; ++p) {
    const styles::TStylePart& record = style.Parts[static_cast<size_t>(p)];
    if (!record.Exists()) continue;
    const auto path =
        std::filesystem::path(folder) / styles::ProposedPartFileName(p, record.HasVariationMarker());
    if (!SavePartAsMidi(path.string(), p)) return written;  // the failure is shown already
    kept.push_back(path);
    ++written;
  }
  for (const std::filesystem::path& old : earlier) {
    if (std::find(kept.begin(), kept.end(), old) != kept.end()) continue;
    std::error_code error;
    if (!std::filesystem::remove(old, error) && error) {
      a_.Dialogs().Inform("Style parts exported, but " + host::PrintableName(old.string()) +
                          " of the earlier set is left: " + error.message());
      return written;
    }
  }
  a_.Dialogs().Inform(written == 0 ? std::string("No style part to export")
                                   : std::to_string(written) + " style parts exported to " +
                                         host::PrintableName(folder));
  return written;
}

int StyleCreatorSide::ImportPartSet(const std::string& folder) {
  int read = 0;
  for (int p = 0; p < styles::kPartCount; ++p) {
    for (const std::string& name : PartFileNames(p)) {
      const auto path = std::filesystem::path(folder) / name;
      if (!host::PathExists(path)) continue;
      if (!ImportPartFromMidi(path.string(), p)) return read;  // the failure is shown already
      ++read;
      break;
    }
  }
  a_.Dialogs().Inform(read == 0 ? "No style part file found in " + host::PrintableName(folder)
                                : std::to_string(read) + " style parts imported from " +
                                      host::PrintableName(folder));
  return read;
}

}  // namespace kalo::app
