#include "styles/style_song.h"

#include <algorithm>

namespace kalo::styles {

namespace {

int PartMeasures(const TStylePart& part) { return std::max(1, part.LastMeasure - part.FirstMeasure + 1); }

void WriteFunction(StyleSong& out, int position, const song::BeatRecord& function) {
  song::BeatRecord record = out.Chords.RecordAt(position);
  record.Function = function.Function;
  record.Parameter = function.Parameter;
  out.Chords.Write(position, record);
}

// A cleared Chordmemory with the song's chord in beat record 1 (and no STOP there).
StyleSong Begin(const PartTable& parts) {
  StyleSong out;
  out.Parts = parts;
  out.Chords.Write(song::kSongStart, {kExportRoot, 1, song::kNoFunction, 0});
  return out;
}

// STOP ends the song at `position`.
void Finish(StyleSong& out, int position, int measureLength) {
  WriteFunction(out, position, {0, 0, song::kStopFunction, 0});
  out.ToMeasure = (position - song::kSongStart) / measureLength + 1;
  out.Chords.Length = static_cast<int16_t>(std::min(position + measureLength, song::kChordmemoryWorkingSize));
}

}  // namespace

song::BeatRecord PartFunction(int part, const config::ControlKeyNotes& keys) {
  int key = 0;
  switch (part) {
    case kIntro:
      key = keys.Intro;
      break;
    case kEnding:
      key = keys.Ending;
      break;
    case kFillInBasic:
    case kFillInExtended:
      key = keys.FillIn;
      break;
    case kToExtended:
      key = keys.ToExtended;
      break;
    case kToBasic:
      key = keys.ToBasic;
      break;
    default:
      break;
  }
  if (key <= 0 || key > 250) return {};
  return {0, 0, static_cast<uint8_t>(key), song::kPartKeyParameter};
}

std::optional<StyleSong> WholeStyleSong(const PartTable& parts, int measureLength,
                                        const config::ControlKeyNotes& keys, bool intro) {
  if (measureLength <= 0) return std::nullopt;
  StyleSong out = Begin(parts);
  out.Intro = intro && parts[kIntro].Exists();
  int position = song::kSongStart;
  // The intro plays first, by "Intro ...": the parts follow it rather than play under it.
  if (out.Intro) {
    const int measures = PartMeasures(parts[kIntro]);
    out.Layout[kIntro] = {1, static_cast<int16_t>(measures)};
    position += measureLength * measures;
  }
  const int firstPart = position;
  for (int part : kExportOrder) {
    const TStylePart& record = parts[static_cast<size_t>(part)];
    if (!record.Exists()) continue;
    const int measures = PartMeasures(record);
    if (position + measureLength * measures >= song::kChordmemoryWorkingSize) break;
    WriteFunction(out, position, PartFunction(part, keys));
    const int first = (position - song::kSongStart) / measureLength + 1;
    out.Layout[static_cast<size_t>(part)] = {static_cast<int16_t>(first),
                                             static_cast<int16_t>(first + measures - 1)};
    position += measureLength * measures;
  }
  if (position == firstPart) return std::nullopt;
  Finish(out, position, measureLength);
  return out;
}

std::optional<StyleSong> PartSong(const PartTable& parts, int part, int measureLength,
                                  const config::ControlKeyNotes& keys) {
  if (part < 0 || part >= kPartCount || measureLength <= 0 || !parts[static_cast<size_t>(part)].Exists())
    return std::nullopt;
  StyleSong out = Begin(parts);
  int played = part;
  if (part == kExtended) {
    out.Parts[kBasic] = parts[kExtended];
    played = kBasic;
  } else if (part == kFillInExtended && !parts[kFillInExtended].HasVariationMarker()) {
    out.Parts[kFillInBasic] = parts[kFillInExtended];
    played = kFillInBasic;
  }
  const song::BeatRecord function = PartFunction(played, keys);
  WriteFunction(out, song::kSongStart, function);
  const int measures = PartMeasures(parts[static_cast<size_t>(part)]);
  int position = song::kSongStart + measureLength * measures;
  out.Layout[static_cast<size_t>(part)] = {1, static_cast<int16_t>(measures)};
  if (part == kEnding && function.Function != 0) {
    position += measureLength * measures;
    out.Intro = true;
    out.EndingPressOnce = true;
  }
  Finish(out, std::min(position, song::kChordmemoryWorkingSize - 4), measureLength);
  return out;
}

std::string ProposedPartFileName(int part, bool variation) {
  constexpr std::array<const char*, kPartCount> kSuffix = {"_i11", "_v11", "_v21", "_e11",
                                                           "_f12", "_f22", "_f11", "_f21"};
  std::string suffix = part >= 0 && part < kPartCount ? kSuffix[static_cast<size_t>(part)] : "_v11";
  if (variation && part == kFillInBasic) suffix = "_v31";
  if (variation && part == kFillInExtended) suffix = "_v41";
  return "sty1" + suffix + ".mid";
}

}  // namespace kalo::styles
