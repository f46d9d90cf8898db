// TGen: loading and saving style and work files.

#include <algorithm>
#include <filesystem>

#include "host/file_store.h"
#include "styles/style_creator.h"
#include "styles/work_file.h"

namespace kalo::styles {

namespace {

std::string FolderOf(const std::string& path) { return std::filesystem::path(path).parent_path().string(); }

bool IsWantMore(const std::string& name) { return ToLower(FileNameOf(name)) == kWantMoreStyleName; }

std::string DoubledAmpersands(const std::string& text) {
  std::string out;
  for (char c : text) {
    out += c;
    if (c == '&') out += '&';
  }
  return out;
}

}  // namespace

bool TGen::PrepareLoad(bool byDialog) {
  if (context_.Host.Recording()) return false;
  if (ImportedSong && style_.HasMaterial()) {
    if (!context_.Dialogs.Ask(kReplaceSongQuestion)) return false;
    ImportedSong = false;
    style_.SetLength(0);
  }
  if (byDialog && !StyleMode && style_.HasMaterial() && !context_.Dialogs.Ask(kReplaceWorkQuestion))
    return false;
  return true;
}

LoadOutcome TGen::LoadStyleByDialog() {
  if (!EnsureBuffers()) return LoadOutcome::Failed;
  if (!PrepareLoad(true)) return LoadOutcome::Refused;
  const std::string initial = HasExtension(CurrentStylePath, ".vxs") ? FileNameOf(CurrentStylePath) : "*.VXS";
  auto chosen = context_.Dialogs.AskOpenFile(
      {"Open style ...", "Styles (*.vxs)|*.vxs", "VXS", initial, context_.Settings.StyleDir});
  if (!chosen || !HasExtension(*chosen, ".VXS")) return LoadOutcome::Cancelled;
  context_.Settings.StyleDir = FolderOf(*chosen);
  return LoadStyleFile(*chosen);
}

LoadOutcome TGen::LoadStyleByName(const std::string& name) {
  if (!EnsureBuffers()) return LoadOutcome::Failed;
  if (IsWantMore(name)) return LoadStyleFile(name);
  if (context_.Host.Recording()) return LoadOutcome::Refused;
  auto found = FindStyleFile(name, context_.Folder);
  if (!found) {
    context_.Dialogs.Inform(kStyleNotFoundMessage);
    return LoadOutcome::NotFound;
  }
  if (!PrepareLoad(false)) return LoadOutcome::Refused;
  return LoadStyleFile(found->string());
}

LoadOutcome TGen::LoadStyleFile(const std::string& path) {
  // The "want more" entry of the style list is a link: it leaves the current style alone.
  if (IsWantMore(path)) {
    StopPlaying();
    context_.WebLinks.OpenWebPage(kMoreStylesUrl);
    return LoadOutcome::WebPage;
  }
  const host::FileRead read = host::ReadRegularFile(path, kMaxStyleFileBytes);
  if (read.Missing) {
    context_.Dialogs.Inform(kStyleNotFoundMessage);
    return LoadOutcome::NotFound;
  }
  if (!read.Ok()) {
    context_.Dialogs.Inform("Style not loaded: " + read.Error);
    return LoadOutcome::Failed;
  }
  return LoadStyleFromBytes(path, read.Bytes);
}

LoadOutcome TGen::LoadStyleFromBytes(const std::string& path, std::span<const uint8_t> bytes) {
  if (!EnsureBuffers()) return LoadOutcome::Failed;
  return TakeLoadedImage(path, ParseStyleFile(bytes).Image, nullptr);
}

LoadOutcome TGen::TakeLoadedImage(const std::string& path, const StyleImage& image,
                                  const ParsedWorkFile* work) {
  const bool isStyle = work == nullptr;
  const TChannelSetup keptChannel1 = style_.Header.Channels[0];
  if (!ResetStyle()) return LoadOutcome::Refused;
  if (isStyle) {
    context_.Host.SetSaveStyleName(path);
  } else {
    context_.Host.UnmuteAllChannels();
    context_.Host.ClearChordmemory();
    context_.Host.SetRestoreOriginalEnabled(false);
  }
  ResetControls();
  if (work != nullptr) {
    RecordedEndPosition = work->EndPosition;
    context_.Host.SetGoToEndEnabled(work->EndPosition > 0);
    context_.Host.LoadChordmemory(work->Chordmemory);
  }

  const uint8_t keyboardChannel = context_.Mixer.KeyboardChannel();
  context_.Mixer.SetKeyboardChannel(0);
  keyboardChannelMoved_ = false;
  ApplyHeader(image.Header, keptChannel1);
  if (!isStyle) style_.Header.Converted = 0;

  TakePartsAndStream(image);
  if (isStyle) {
    // Checked before a part is selected, so that the play window never holds offsets of the
    // discarded table.
    if (HasBrokenBasic(style_.Parts, style_.Stream())) {
      style_.Parts = PartTable{};
      style_.SetLength(255);
    }
  } else {
    EndOffset = style_.Length();
    context_.Host.SetSetButtonEnabled(false);
  }
  StyleMode = isStyle;
  context_.Host.SetStyleMode(isStyle);
  SelectFirstExistingPart(true);
  if (isStyle) {
    ShowStyleCaptions(path);
    CurrentStylePath = path;
    StyleLoaded = true;
  } else {
    CurrentOffset = 0;
    context_.Display.SetStyleCreatorCaption(ToUpper(FileNameOf(path)) + "  -  " + host::kApplicationTitle);
  }
  StopPlaying();
  style_.ComputeHoldOver();
  CopyToLoadedSlot();
  context_.Host.SetRestoreOriginalEnabled(true);

  if (isStyle && context_.Options.SoloOnChannel1) {
    context_.Host.SelectChannelOneActive();
    const uint8_t volume = static_cast<uint8_t>(std::min(TargetVolume + 20, 127));
    auto& setup = style_.Header.Channels[0].Values;
    for (auto [controller, value] : {std::pair<uint8_t, uint8_t>{7, volume}, {10, 64}, {91, 64}, {93, 32}}) {
      setup[controller] = value;
      context_.Mixer.SetLiveController(0, controller, value);
    }
  }
  if (isStyle && context_.Settings.NVDef) NormalizeVolume();
  if (!keyboardChannelMoved_) context_.Mixer.SetKeyboardChannel(keyboardChannel);
  return LoadOutcome::Loaded;
}

void TGen::TakePartsAndStream(const StyleImage& image) {
  style_.Parts = image.Parts;
  std::copy(image.Stream.begin(), image.Stream.end(), style_.Buffer().begin());
  style_.SetLength(static_cast<int32_t>(image.Stream.size()));
  for (int p = 0; p < kPartCount; ++p)
    style_.Loaded[static_cast<size_t>(p)] = {style_.Parts[static_cast<size_t>(p)].FirstMeasure,
                                             style_.Parts[static_cast<size_t>(p)].LastMeasure};
}

void TGen::ApplyHeader(const TStyleHeader& fileHeader, const TChannelSetup& keptChannel1) {
  TStyleHeader& header = style_.Header;
  header = fileHeader;
  if (ToUpper(FileNameOf(context_.Settings.Patch)).find("SC-") != std::string::npos) {
    for (auto& setup : header.Channels)
      if (setup.Values[0] >= 63 && setup.Values[0] <= 254) setup.Values[0] = 0;
    uint8_t& drumProgram = header.Channels[9].Values[kProgramEntry];
    if (drumProgram >= 63 && drumProgram <= 254 && drumProgram != 128) drumProgram = 0;
  }
  ApplyChannelSetups(true);
  GiveBackChannel1(keptChannel1);

  if (context_.Options.TempoDetection && header.Tempo >= kLowestDetectedTempo &&
      header.Tempo <= kHighestDetectedTempo)
    context_.Host.SetTempo(header.Tempo);
  const Metre metre = MetreOf(header.MeasureLength);
  if (context_.Options.IntroDetection) {
    int measure = context_.Settings.PlayIntro ? header.IntroMeasures * (metre.EighthNotes ? 2 : 1) : 1;
    if (measure < -500 || measure > 500) measure = 1;
    context_.Host.SetRecordStartMeasure(measure);
  }
  int& quantize = context_.Settings.Quantize;
  if (metre.EighthNotes && quantize >= 0 && quantize < 5) quantize += 5;
  if (!metre.EighthNotes && quantize >= 5 && quantize < config::kQuantizeCount) quantize -= 5;
  // The stored value stays as it is (a save writes it back); only the metre played is mended.
  CurrentMetre = metre;
  // A metre counted in eighth notes plays in eighth-note beats: twice the beats of 24 ticks.
  BeatTicks = metre.EighthNotes ? 12 : 24;
  BeatsPerMeasure = TicksPerMeasure(metre.MeasureLength) / BeatTicks;
  context_.Settings.Metrum = MetrumIndexFor(metre);
  context_.Host.SetMeasureLength(metre.MeasureLength);
  if (header.Override != 0) {
    header.SuppressControllers = 0;
    header.Override = 0;
  }
}

void TGen::GiveBackChannel1(const TChannelSetup& kept) {
  TStyleHeader& header = style_.Header;
  int target = 0;
  if (header.Used(0)) {
    target = -1;
    for (int c = 1; c < kChannelCount && target < 0; ++c)
      if (!header.Used(c)) target = c;
    if (target < 0) return;  // the style uses every channel
    context_.Mixer.SetKeyboardChannel(static_cast<uint8_t>(target));
    keyboardChannelMoved_ = true;
  }
  auto& values = header.Channels[static_cast<size_t>(target)].Values;
  std::copy_n(kept.Values.begin(), kPressureEntry, values.begin());
  context_.Mixer.ApplyChannelSetup(static_cast<uint8_t>(target), AppliedEntries(target), true);
}

void TGen::SelectFirstExistingPart(bool chase) {
  int chosen = StartPart();
  for (int p = StartPart(); p <= kToExtended; ++p) {
    if (style_.Parts[static_cast<size_t>(p)].Exists()) {
      chosen = p;
      break;
    }
  }
  RunningPart = chosen;
  SelectPart(chosen);
  const TStylePart& part = style_.Parts[static_cast<size_t>(chosen)];
  if (chase && chosen != kIntro && part.Exists() && part.StartOffset > 0)
    ChaseControllers(0, part.StartOffset);
}

void TGen::ShowStyleCaptions(const std::string& path) {
  const std::string file = FileNameOf(path);
  ShowNameInCaptions(file.size() >= 4 ? file.substr(0, file.size() - 4) : "");
}

void TGen::ShowNameInCaptions(const std::string& stem) {
  std::string name = DoubledAmpersands(ToUpper(stem));
  if (style_.Parts[kFillInBasic].HasVariationMarker()) name += " / Var.Basic";
  if (style_.Parts[kFillInExtended].HasVariationMarker()) name += " / Var.Extended";
  context_.Display.SetKeyboardCaption("Keyboard  -  " + name);
  context_.Display.SetStyleManagerCaption(name + "  -  Style-Manager");
  context_.Display.SetStyleLabel(ToLower(name));
}

void TGen::CopyToLoadedSlot() {
  BufferSlot& loaded = style_.Slots[Style::kCopyAsLoadedSlot];
  const auto count = static_cast<size_t>(std::clamp(style_.Length(), 0, kStreamAllocation));
  std::copy_n(style_.Buffer().begin(), count, loaded.Data.begin());
  loaded.Length = style_.Length();
}

bool TGen::SaveStyle(const std::string& path) {
  if (!EnsureBuffers()) return false;
  const std::string target = host::WithFileType(path, ".vxs");
  const auto bytes = SerializeStyleFile(style_.Header, style_.Parts, style_.Stream());
  if (auto error = host::WriteFileSafely(target, bytes)) {
    context_.Dialogs.Inform("Style not saved: " + *error);
    return false;
  }
  style_.Modified = false;
  CurrentStylePath = target;
  context_.Host.SetSaveStyleName(target);
  return true;
}

bool TGen::MayLoadWork() {
  if (context_.Host.Recording()) return false;
  return !(style_.HasMaterial() || !context_.Host.ChordmemoryEmpty()) ||
         context_.Dialogs.Ask(kReplaceChordsQuestion);
}

LoadOutcome TGen::LoadWorkFileByDialog() {
  if (!EnsureBuffers()) return LoadOutcome::Failed;
  if (!MayLoadWork()) return LoadOutcome::Refused;
  const std::string folder = WorkFolder.empty() ? context_.Settings.Dir : WorkFolder;
  auto chosen = context_.Dialogs.AskOpenFile(
      {"Load Work-File ...", "Work-Files (*.vxw)|*.vxw", "VXW", "*.VXW", folder});
  if (!chosen || !HasExtension(*chosen, ".VXW")) return LoadOutcome::Cancelled;
  WorkFolder = FolderOf(*chosen);
  return ReadWorkFile(*chosen);
}

LoadOutcome TGen::LoadWorkFile(const std::string& path) {
  if (!EnsureBuffers()) return LoadOutcome::Failed;
  if (!MayLoadWork()) return LoadOutcome::Refused;
  return ReadWorkFile(path);
}

LoadOutcome TGen::ReadWorkFile(const std::string& path) {
  const host::FileRead read = host::ReadRegularFile(path, kMaxWorkFileBytes);
  if (!read.Ok()) {
    context_.Dialogs.Inform("Work-File not loaded: " + read.Error);
    return LoadOutcome::Failed;
  }
  return LoadWorkFromBytes(path, read.Bytes);
}

LoadOutcome TGen::LoadWorkFromBytes(const std::string& path, std::span<const uint8_t> bytes) {
  if (!EnsureBuffers()) return LoadOutcome::Failed;
  auto result = ParseWorkFile(bytes);
  if (auto* message = std::get_if<std::string>(&result)) {
    context_.Dialogs.Inform(*message);
    return LoadOutcome::Failed;
  }
  const ParsedWorkFile& parsed = std::get<ParsedWorkFile>(result);
  return TakeLoadedImage(path, parsed.Image, &parsed);
}

bool TGen::SaveWorkFile(const std::string& path) {
  if (!EnsureBuffers()) return false;
  const std::string target = host::WithFileType(path, ".vxw");
  auto bytes = SerializeWorkFile(RecordedEndPosition, context_.Host.CurrentChordmemory(), style_.Header,
                                 style_.Parts, style_.Stream());
  if (!bytes) {
    context_.Dialogs.Inform("Work-File not saved: the Chordmemory is too long.");
    return false;
  }
  if (auto error = host::WriteFileSafely(target, *bytes)) {
    context_.Dialogs.Inform("Work-File not saved: " + *error);
    return false;
  }
  return true;
}

}  // namespace kalo::styles
