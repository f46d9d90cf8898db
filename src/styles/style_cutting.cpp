// TGen: taking imported material, and cutting it into parts.

#include <algorithm>
#include <climits>
#include <cstdint>

#include "host/display.h"
#include "styles/style_creator.h"
#include "styles/style_stream.h"

namespace kalo::styles {

std::string AvailableMeasuresMessage(int measures) {
  return "Measures 1 - " + std::to_string(measures) + " available for stylecreating !";
}

bool TGen::TakeImportedMaterial(const std::string& name, const ImportedMaterial& material) {
  if (!EnsureBuffers() || material.Stream.size() > static_cast<size_t>(kStreamCapacity)) return false;
  const TChannelSetup keptChannel1 = style_.Header.Channels[0];
  if (!ResetStyle()) return false;
  ImportedSong = false;
  StyleLoaded = false;
  CurrentStylePath.clear();
  context_.Host.SetSaveStyleName({});  // the material has no style file yet
  ResetControls();

  const uint8_t keyboardChannel = context_.Mixer.KeyboardChannel();
  context_.Mixer.SetKeyboardChannel(0);
  keyboardChannelMoved_ = false;
  ApplyHeader(material.Header, keptChannel1);
  // The material plays in the tempo it was written in.
  const int tempo = style_.Header.Tempo;
  if (tempo >= kLowestDetectedTempo && tempo <= kHighestDetectedTempo) context_.Host.SetTempo(tempo);
  StyleImage image;
  image.Stream = material.Stream;
  TakePartsAndStream(image);
  RecordedEndPosition = material.EndPosition;
  BuildQuarterNoteIndex(material.EndPosition);
  context_.Host.SetGoToEndEnabled(material.EndPosition > 0);

  EndOffset = style_.Length();
  CurrentOffset = 0;
  StyleMode = true;
  context_.Host.SetStyleMode(true);
  context_.Display.SetStyleCreatorCaption(ToUpper(FileNameOf(name)) + "  -  " + host::kApplicationTitle);
  // The style in the making is named after its material, not after the style it replaced.
  const std::string file = FileNameOf(name);
  ShowNameInCaptions(file.substr(0, std::min(file.size(), file.rfind('.'))));
  StopPlaying();
  style_.ComputeHoldOver();
  CopyToLoadedSlot();
  context_.Host.SetRestoreOriginalEnabled(true);
  if (!keyboardChannelMoved_) context_.Mixer.SetKeyboardChannel(keyboardChannel);
  return true;
}

int TGen::AppendMaterial(const ImportedMaterial& material) {
  if (!EnsureBuffers() || !style_.HasMaterial() || material.Stream.empty()) return 0;
  const int measureLength = CurrentMetre.MeasureLength;
  const int measureTicks = TicksPerMeasure(measureLength);
  if (measureTicks <= 0) return 0;
  const int64_t ticks = TicksIn(style_.Stream(), 0, style_.Length());
  const int64_t measuresBefore = (ticks + measureTicks - 1) / measureTicks;
  std::vector<uint8_t> tail;
  AppendDelays(tail, ticks, measuresBefore * measureTicks, 24);
  tail.insert(tail.end(), material.Stream.begin(), material.Stream.end());
  const int64_t length = int64_t{style_.Length()} + static_cast<int64_t>(tail.size());
  const int64_t measures = measuresBefore + material.Measures;
  if (length > kStreamCapacity || 4 + measures * measureLength > INT16_MAX) return 0;
  std::copy(tail.begin(), tail.end(), style_.Buffer().begin() + style_.Length());
  style_.SetLength(static_cast<int32_t>(length));
  RecordedEndPosition = static_cast<int16_t>(4 + measures * measureLength);
  BuildQuarterNoteIndex(RecordedEndPosition);
  context_.Host.SetGoToEndEnabled(true);
  EndOffset = style_.Length();
  style_.ComputeHoldOver();
  CopyToLoadedSlot();
  style_.Modified = true;
  return static_cast<int>(measuresBefore) + 1;
}

int TGen::MaterialMeasures() const {
  const int measureLength = CurrentMetre.MeasureLength;
  if (RecordedEndPosition > 4) return (RecordedEndPosition - 4 + measureLength - 1) / measureLength;
  const int64_t ticks = TicksIn(style_.Stream(), 0, style_.Length());
  const int measureTicks = TicksPerMeasure(measureLength);
  return static_cast<int>((ticks + measureTicks - 1) / measureTicks);
}

bool TGen::CutPart(int part, const PartWindow& cut) {
  if (part < 0 || part >= kPartCount || !style_.Allocated() || !style_.HasMaterial()) return false;
  const int measures = MaterialMeasures();
  if (cut.First < 1 || cut.First > measures) return false;
  const int last = std::min(cut.Last == 0 ? measures : std::max(cut.Last, cut.First), measures);
  const int beat = std::clamp(cut.Beat, 1, std::max(1, BeatsPerMeasure));
  const int32_t length = style_.Length();
  const int32_t start = Locate(cut.First - 1, beat) + 1;
  const int32_t end = std::min(Locate(last, beat), length);
  if (start >= length || end <= start) return false;

  TStylePart& record = style_.Parts[static_cast<size_t>(part)];
  record.FirstMeasure = static_cast<int16_t>(cut.First);
  record.LastMeasure = static_cast<int16_t>(last);
  record.Beat = static_cast<int16_t>(beat);
  record.StartOffset = start;
  record.EndOffset = end;
  for (int entry = 0; entry < 3; ++entry)
    record.EntryOffsets[static_cast<size_t>(entry)] = std::min(Locate(cut.First - 1, entry + 2) + 1, end);
  const bool fill = part == kFillInBasic || part == kFillInExtended;
  record.Variation = fill && cut.Variation ? kVariationMarker : 0;
  record.Mute = cut.Mute;
  style_.Modified = true;
  style_.ComputeHoldOver();
  return true;
}

void TGen::ClearPart(int part) {
  if (part < 0 || part >= kPartCount) return;
  style_.Parts[static_cast<size_t>(part)] = TStylePart{};
  style_.Modified = true;
  style_.ComputeHoldOver();
}

void TGen::SwitchStyleMode(bool on) {
  StyleMode = on;
  context_.Host.SetStyleMode(on);
}

void TGen::SetMaterialMetre(const Metre& metre) {
  CurrentMetre = metre;
  BeatsPerMeasure = metre.MeasureLength / 4;
  style_.Header.MeasureLength = StoredMeasureLength(metre);
  context_.Settings.Metrum = MetrumIndexFor(metre);
  context_.Host.SetMeasureLength(metre.MeasureLength);
}

void TGen::TakeStreamAsLoaded() {
  CopyToLoadedSlot();
  context_.Host.SetRestoreOriginalEnabled(true);
}

bool TGen::AlignDelaysToBeats() {
  if (!style_.Allocated()) return false;
  const int beatTicks = CurrentMetre.EighthNotes ? 12 : 24;
  std::vector<uint8_t> laid;
  laid.reserve(static_cast<size_t>(style_.Length()) + 64);
  int64_t time = 0;
  int64_t laidTime = 0;
  const auto stream = style_.Stream();
  for (int32_t offset = 0; offset < style_.Length();) {
    const uint8_t byte = stream[static_cast<size_t>(offset)];
    if (IsDelayByte(byte)) {
      time += DelayTicks(byte);
      ++offset;
    } else if (IsStatusByte(byte) && offset + 3 <= style_.Length()) {
      AppendDelays(laid, laidTime, time, beatTicks);
      laidTime = time;
      laid.insert(laid.end(), stream.begin() + offset, stream.begin() + offset + 3);
      offset += 3;
    } else {
      ++offset;
    }
  }
  AppendDelays(laid, laidTime, time, beatTicks);
  if (laid.size() > static_cast<size_t>(kStreamCapacity)) return false;
  std::copy(laid.begin(), laid.end(), style_.Buffer().begin());
  std::fill(style_.Buffer().begin() + static_cast<std::ptrdiff_t>(laid.size()), style_.Buffer().end(), 0);
  style_.SetLength(static_cast<int32_t>(laid.size()));
  WriteOffset = style_.Length();
  BuildQuarterNoteIndex(RecordedEndPosition);
  return true;
}

}  // namespace kalo::styles
