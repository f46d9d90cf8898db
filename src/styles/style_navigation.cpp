// TGen: walking through the material by measures, the loop of step-by-step work and the bookmarks.

#include <algorithm>

#include "midi/midi_status.h"
#include "styles/style_creator.h"

namespace kalo::styles {

namespace {

constexpr int kMeasureLimit = 999;

}  // namespace

int TGen::MeasureAt(int offset) const {
  const int length = CurrentMetre.MeasureLength;
  return (Position - offset) / length + 1;
}

int TGen::MovingMeasure() const {
  // A position that playing left has counted the first beat of its measure already; one that a
  // move placed at a measure's start has not.
  return MeasureAt(atMeasureStart_ ? 4 : 8);
}

void TGen::SetFirstMeasure(int measure) {
  FirstMeasure = std::max(1, measure);
  StartOffset = Locate(FirstMeasure - 1, BeatBox) + 1;
  StartPosition = (FirstMeasure - 1) * CurrentMetre.MeasureLength + 4;
}

void TGen::SetLastMeasure(int measure) {
  LastMeasure = std::max(0, measure);
  const int32_t end = LastMeasure > 0 ? Locate(LastMeasure, BeatBox) : 0;
  EndOffset = end < 2 ? kNoLimit : std::min(end, style_.Length());
}

void TGen::LoopStart() { SetFirstMeasure(MeasureAt(4)); }

void TGen::LoopEnd() { SetLastMeasure(MeasureAt(4)); }

void TGen::MoveTo(int measureIndex, int32_t located) {
  const int32_t old = CurrentOffset;
  StopPlaying();
  CurrentOffset = std::max(0, located + 1);
  if (CurrentOffset > old) {
    ChaseControllers(old, CurrentOffset);
  } else {
    for (uint8_t c = 0; c < kChannelCount; ++c) context_.Player.Send(midi::kPitchBend | c, 0, 64);
  }
  Position = measureIndex * CurrentMetre.MeasureLength + 4;
  atMeasureStart_ = true;
  // The position display shows where the next play begins.
  context_.Display.SetStyleCreatorPosition(std::to_string(measureIndex + 1) + ":1");
}

void TGen::MeasureForward() {
  // Right after an import nothing has played yet: the move starts from the start of the material.
  if (!style_.HasMaterial()) return;
  const int m = StyleMode && LastMeasure >= FirstMeasure ? FirstMeasure : MovingMeasure();
  const int32_t located = Locate(m, 1);
  if (located + 1 >= style_.Length()) return;
  if (StyleMode && m + 1 < kMeasureLimit) {
    const int distance = LastMeasure - FirstMeasure;
    const bool keep = LastMeasure > 0 && LastMeasure < kMeasureLimit && LastMeasure >= FirstMeasure;
    SetFirstMeasure(m + 1);
    if (keep) SetLastMeasure(FirstMeasure + distance);
  }
  MoveTo(m, located);
}

void TGen::MeasureBack() {
  if (!style_.HasMaterial()) return;
  const int m = StyleMode && LastMeasure >= FirstMeasure ? FirstMeasure : MovingMeasure();
  if (m < 2) return;
  const int32_t located = Locate(m - 2, 1);
  if (StyleMode && FirstMeasure > 1) {
    const int distance = LastMeasure - FirstMeasure;
    const bool keep = LastMeasure >= 2 && LastMeasure >= FirstMeasure;
    SetFirstMeasure(m - 1);
    if (keep) SetLastMeasure(FirstMeasure + distance);
  }
  MoveTo(m - 2, located);
}

void TGen::GoToEnd() {
  const int end = RecordedEndPosition;
  if (end <= 4) return;
  const int length = CurrentMetre.MeasureLength;
  if (StyleMode) {
    SetFirstMeasure(std::max(1, (end - 8) / length - (LoopLength() - 1)));
    SetLastMeasure(0);
  }
  Position = std::max(4, end - 4 * length);
  MeasureForward();
}

void TGen::SetLoopMeasures(int measures) { LoopMeasuresLess1 = std::clamp(measures, 1, 8) - 1; }

void TGen::ToggleMultiply() { LoopFactor = LoopFactor == 1 ? 2 : 1; }

void TGen::PreparePart(int part, bool variation) {
  if (part < 0 || part >= kPartCount || !style_.HasMaterial()) return;
  if (part == kIntro) Position = 4;
  if (part == kEnding) GoToEnd();
  const int k = (Position - 4) / CurrentMetre.MeasureLength;
  if (!StyleMode) {
    StyleMode = true;
    context_.Host.SetStyleMode(true);
  }
  RunningPart = part;
  const bool fill = part == kFillInBasic || part == kFillInExtended;
  VariationPrepared = fill && variation;
  SetFirstMeasure(part == kIntro ? 2 : k + 1);
  const bool oneMeasure = part > kEnding && !VariationPrepared;
  SetLastMeasure(oneMeasure ? FirstMeasure : FirstMeasure + LoopLength() - 1);
}

void TGen::ShiftLoop(bool forward) {
  if (!StyleMode || !style_.HasMaterial()) return;
  const int n = LoopLength() - 1;
  const int f = LastMeasure == 0 ? MovingMeasure() : FirstMeasure;
  SetFirstMeasure(forward ? f + n + 3 : f - n + 1);
  SetLastMeasure(0);
  MeasureBack();
}

void TGen::SetSongWindow(int startMeasure, int startBeat, int stopMeasure) {
  SongStartMeasure = std::clamp(startMeasure, 1, kMeasureLimit);
  SongStartBeat = std::clamp(startBeat, 1, std::max(1, BeatsPerMeasure));
  SongStopMeasure = std::clamp(stopMeasure, 0, kMeasureLimit);
}

void TGen::BeginSongWindow() {
  const int length = CurrentMetre.MeasureLength;
  // The stop measure's start ends the window; one at or before the start measure cannot stop it.
  const int32_t end = SongStopMeasure > SongStartMeasure ? Locate(SongStopMeasure - 1, 1) : 0;
  EndOffset = end < 2 ? kNoLimit : std::min(end, style_.Length());
  const int32_t start = Locate(SongStartMeasure - 1, SongStartBeat) + 1;
  StartOffset = std::max(0, start);
  StartPosition = (SongStartMeasure - 1) * length + 4;
  const int measure = std::max(0, (Position - 4) / length);
  const int32_t resume = measure > 0 ? Locate(measure, 1) + 1 : 0;
  if (resume > StartOffset && resume < std::min(EndOffset, style_.Length())) {
    CurrentOffset = resume;
    Position = measure * length + 4;
  } else {
    Locate(SongStartMeasure - 1, SongStartBeat);  // the slot of the window's start
    CurrentOffset = StartOffset;
    Position = StartPosition;
  }
}

void TGen::BookmarkClick(bool recording) {
  auto& marks = style_.Bookmarks;
  int& cursor = style_.BookmarkCursor;
  cursor = cursor >= Style::kBookmarkCount ? 1 : cursor + 1;
  if (recording) {
    marks[static_cast<size_t>(cursor - 1)] = static_cast<int16_t>(MeasureAt(4));
    return;
  }
  if (!StyleMode) return;
  for (int tries = 0; tries < Style::kBookmarkCount; ++tries) {
    const int16_t mark = marks[static_cast<size_t>(cursor - 1)];
    if (mark > 0) {
      SetFirstMeasure(mark);
      SetLastMeasure(0);
      return;
    }
    cursor = cursor >= Style::kBookmarkCount ? 1 : cursor + 1;
  }
}

}  // namespace kalo::styles
