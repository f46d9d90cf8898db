// The Style-Creator side: "Work on all styles", the same repair or volume normalization done to every
// style of a folder, each saved over its own file.

#include <filesystem>

#include "app/arranger.h"
#include "app/style_creator_side.h"
#include "host/file_store.h"
#include "host/folder_listing.h"
#include "styles/style_file.h"

namespace kalo::app {

namespace {

const char* Verb(StyleWork work) {
  return work == StyleWork::Repair ? "repaired" : "brought to the target volume";
}

}  // namespace

std::string WorkOnAllStylesQuestion(StyleWork work, int styles, const std::string& folder) {
  const std::string what = work == StyleWork::Repair ? "Repair" : "Normalize the volume of";
  return what + " all " + std::to_string(styles) + " styles in " + folder + " ? Each is saved over its file.";
}

std::optional<std::string> StyleCreatorSide::WorkOnStyle(const std::filesystem::path& path, StyleWork work) {
  styles::TGen& gen = Gen();
  const std::string name = host::PrintableName(path.filename().string());
  const host::FileRead read = host::ReadRegularFile(path, styles::kMaxStyleFileBytes + 1);
  if (!read.Ok()) return read.Error;
  if (read.Longer) return name + ": it holds more than a style can";
  if (const std::string problem = styles::StyleBytesProblem(read.Bytes); !problem.empty())
    return name + ": " + problem;
  if (gen.LoadStyleFromBytes(path.string(), read.Bytes) != styles::LoadOutcome::Loaded)
    return name + ": it could not be loaded";
  if (work == StyleWork::Repair) {
    if (auto error = RepairCurrentStyle()) return name + ": " + *error;
  } else {
    gen.NormalizeVolume();
  }
  styles::Style& style = gen.CurrentStyle();
  if (auto error =
          host::WriteFileSafely(path, styles::SerializeStyleFile(style.Header, style.Parts, style.Stream())))
    return *error;
  style.Modified = false;
  gen.StyleLoaded = true;
  return std::nullopt;
}

AllStylesReport StyleCreatorSide::WorkOnAllStyles(const std::string& folder, StyleWork work) {
  styles::TGen& gen = Gen();
  AllStylesReport report;
  if (a_.Engine().SongState > 0 || recording_) return report;
  const host::FolderListing listing = host::ListFolder(folder);
  if (!listing.Error.empty()) {
    a_.Dialogs().Inform("Styles not worked on: " + listing.Error);
    return report;
  }
  std::vector<std::filesystem::path> files;
  for (const std::string& name : listing.Files)
    if (styles::HasExtension(name, ".VXS")) files.push_back(std::filesystem::path(folder) / name);
  if (files.empty()) {
    a_.Dialogs().Inform("No style file (.vxs) in " + host::PrintableName(folder));
    return report;
  }
  const int total = static_cast<int>(files.size());
  if (!a_.Dialogs().Ask(WorkOnAllStylesQuestion(work, total, host::PrintableName(folder)))) return report;
  styles::Style& style = gen.CurrentStyle();
  const bool unsaved = style.HasMaterial() && (style.Modified || !gen.StyleLoaded);
  if (unsaved && !a_.Dialogs().Ask(styles::kReplaceWorkQuestion)) return report;
  // What is replaced was agreed to: the loads below must not ask to save it.
  style.Modified = false;
  const std::string previous = unsaved ? std::string() : gen.CurrentStylePath;
  a_.Stop();

  for (int i = 0; i < total; ++i) {
    const std::filesystem::path& path = files[static_cast<size_t>(i)];
    if (!a_.Dialogs().Progress(path.filename().string(), i, total)) {
      report.Stopped = true;
      break;
    }
    if (auto failed = WorkOnStyle(path, work)) {
      report.Failed.push_back(*failed);
      gen.CurrentStyle().Modified = false;  // a style half worked on is dropped, not saved
    } else {
      ++report.Saved;
    }
  }
  a_.Dialogs().Progress({}, total, total);
  if (!previous.empty()) {
    const host::FileRead read = host::ReadRegularFile(previous, styles::kMaxStyleFileBytes);
    if (read.Ok()) gen.LoadStyleFromBytes(previous, read.Bytes);
  }

  std::string text = std::to_string(report.Saved) + " of " + std::to_string(total) + " styles " + Verb(work);
  if (report.Stopped) text += " (stopped)";
  if (!report.Failed.empty()) {
    text += "; left as they were:";
    for (const std::string& line : report.Failed) text += "\n" + line;
  }
  a_.Dialogs().Inform(text);
  return report;
}

}  // namespace kalo::app
