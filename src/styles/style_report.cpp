#include "styles/style_report.h"

#include <cstdio>
#include <sstream>

#include "config/settings.h"
#include "styles/style.h"
#include "styles/style_stream.h"

namespace kalo::styles {

namespace {

std::string Hex32(int32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<uint32_t>(value));
  return text;
}

// Channel numbers 1..16 of the channels whose flag is set, e.g. "1 10"; "-" for none.
std::string ChannelList(const std::array<uint8_t, kChannelCount>& flags, bool json) {
  std::string out;
  for (int c = 0; c < kChannelCount; ++c) {
    if (flags[static_cast<size_t>(c)] == 0) continue;
    if (!out.empty()) out += json ? "," : " ";
    out += std::to_string(c + 1);
  }
  if (json) return "[" + out + "]";
  return out.empty() ? "-" : out;
}

// Every delay byte from the part's start to its end offset inclusive: the delay byte at the end
// offset is the one with which the part reaches its last measure's end (a one-measure 4/4 part is
// 96 ticks).
int64_t PartTicks(const ParsedStyleFile& style, const TStylePart& part) {
  if (!part.Exists()) return 0;
  return TicksIn(style.Image.Stream, part.StartOffset, part.EndOffset + 1);
}

std::string MetreText(const Metre& metre) {
  return std::string(config::kMetrumNames[MetrumIndexFor(metre)]) +
         (metre.EighthNotes ? ", eighth-note beat" : "");
}

bool TempoDetected(int16_t tempo) { return tempo >= kLowestDetectedTempo && tempo <= kHighestDetectedTempo; }

const char* EmptiedText(PartMend mend) {
  switch (mend) {
    case PartMend::OutsideStream:
      return "empty (its offsets lie outside the stream)";
    case PartMend::EndNotAfterStart:
      return "empty (its end offset is not after its start offset)";
    case PartMend::None:
      break;
  }
  return "empty";
}

const char* EmptiedJson(PartMend mend) {
  switch (mend) {
    case PartMend::OutsideStream:
      return "\"outsideStream\"";
    case PartMend::EndNotAfterStart:
      return "\"endNotAfterStart\"";
    case PartMend::None:
      break;
  }
  return "null";
}

}  // namespace

std::string StyleInfoText(const ParsedStyleFile& style) {
  const TStyleHeader& h = style.Image.Header;
  const Metre metre = MetreOf(h.MeasureLength);
  const bool broken = HasBrokenBasic(style.Image.Parts, style.Image.Stream);
  std::ostringstream out;
  out << "version word: " << (style.VersionWord ? Hex32(*style.VersionWord) : "none") << '\n';
  out << "tempo: " << h.Tempo;
  if (!TempoDetected(h.Tempo))
    out << " (not taken by Tempo Detection: outside " << kLowestDetectedTempo << " to "
        << kHighestDetectedTempo << ")";
  out << '\n';
  out << "measure length: " << h.MeasureLength;
  if (StoredMeasureLength(metre) == h.MeasureLength) {
    out << " (" << MetreText(metre) << ")\n";
  } else {
    out << ", played as " << metre.MeasureLength << " (" << MetreText(metre) << ")\n";
  }
  out << "intro measures: " << h.IntroMeasures << '\n';
  out << "flags: converted " << int{h.Converted} << ", suppress controllers " << int{h.SuppressControllers}
      << ", override " << int{h.Override} << '\n';
  out << "stream length: " << style.Image.Stream.size() << '\n';
  out << "used channels: " << ChannelList(h.ChannelUsed, false) << '\n';
  for (int c = 0; c < kChannelCount; ++c) {
    if (!h.Used(c)) continue;
    const auto& values = h.Channels[static_cast<size_t>(c)].Values;
    out << "  channel " << c + 1 << ":";
    if (values[kProgramEntry] != kNotSet) out << " program " << int{values[kProgramEntry]};
    if (values[kPressureEntry] != kNotSet) out << " pressure " << int{values[kPressureEntry]};
    bool any = false;
    for (int n = 0; n < kProgramEntry; ++n) {
      if (values[static_cast<size_t>(n)] == kNotSet) continue;
      out << (any ? " " : " controllers ") << n << "=" << int{values[static_cast<size_t>(n)]};
      any = true;
    }
    if (!any && values[kProgramEntry] == kNotSet && values[kPressureEntry] == kNotSet) out << " nothing set";
    out << '\n';
  }
  if (broken)
    out << "no part plays: the byte at the start offset of Basic is 0, so a load treats the style as broken "
           "and drops its part table\n";
  for (int p = 0; p < kPartCount; ++p) {
    const TStylePart& part = style.Image.Parts[static_cast<size_t>(p)];
    out << "part " << kPartNames[static_cast<size_t>(p)] << ": ";
    if (!part.Exists()) {
      out << EmptiedText(style.Mends[static_cast<size_t>(p)]) << '\n';
      continue;
    }
    out << "measures " << part.FirstMeasure << "-" << part.LastMeasure << ", beat " << part.Beat
        << ", offsets " << part.StartOffset << "-" << part.EndOffset << ", entry offsets "
        << part.EntryOffsets[0] << " " << part.EntryOffsets[1] << " " << part.EntryOffsets[2]
        << ", variation " << (part.HasVariationMarker() ? "yes" : "no") << ", muted "
        << ChannelList(part.Mute, false) << ", cut notes " << ChannelList(part.CutNotes, false) << ", "
        << PartTicks(style, part) << " ticks\n";
  }
  return out.str();
}

std::string StyleInfoJson(const ParsedStyleFile& style) {
  const TStyleHeader& h = style.Image.Header;
  const Metre metre = MetreOf(h.MeasureLength);
  const bool broken = HasBrokenBasic(style.Image.Parts, style.Image.Stream);
  std::ostringstream out;
  out << "{\"versionWord\":" << (style.VersionWord ? std::to_string(*style.VersionWord) : "null")
      << ",\"tempo\":" << h.Tempo << ",\"tempoDetected\":" << (TempoDetected(h.Tempo) ? "true" : "false")
      << ",\"storedMeasureLength\":" << h.MeasureLength << ",\"measureLength\":" << metre.MeasureLength
      << ",\"metre\":\"" << config::kMetrumNames[MetrumIndexFor(metre)]
      << "\",\"eighthNoteBeat\":" << (metre.EighthNotes ? "true" : "false")
      << ",\"introMeasures\":" << h.IntroMeasures << ",\"converted\":" << int{h.Converted}
      << ",\"suppressControllers\":" << int{h.SuppressControllers} << ",\"override\":" << int{h.Override}
      << ",\"streamLength\":" << style.Image.Stream.size() << ",\"broken\":" << (broken ? "true" : "false")
      << ",\"channels\":[";
  bool first = true;
  for (int c = 0; c < kChannelCount; ++c) {
    if (!h.Used(c)) continue;
    const auto& values = h.Channels[static_cast<size_t>(c)].Values;
    out << (first ? "" : ",") << "{\"channel\":" << c + 1 << ",\"setup\":[";
    for (size_t e = 0; e < kChannelSetupSize; ++e) out << (e ? "," : "") << int{values[e]};
    out << "]}";
    first = false;
  }
  out << "],\"parts\":[";
  for (int p = 0; p < kPartCount; ++p) {
    const TStylePart& part = style.Image.Parts[static_cast<size_t>(p)];
    out << (p ? "," : "") << "{\"name\":\"" << kPartNames[static_cast<size_t>(p)]
        << "\",\"exists\":" << (part.Exists() ? "true" : "false")
        << ",\"plays\":" << (part.Exists() && !broken ? "true" : "false")
        << ",\"emptiedBecause\":" << EmptiedJson(style.Mends[static_cast<size_t>(p)])
        << ",\"firstMeasure\":" << part.FirstMeasure << ",\"lastMeasure\":" << part.LastMeasure
        << ",\"beat\":" << part.Beat << ",\"startOffset\":" << part.StartOffset
        << ",\"endOffset\":" << part.EndOffset << ",\"entryOffsets\":[" << part.EntryOffsets[0] << ","
        << part.EntryOffsets[1] << "," << part.EntryOffsets[2]
        << "],\"variation\":" << (part.HasVariationMarker() ? "true" : "false")
        << ",\"muted\":" << ChannelList(part.Mute, true)
        << ",\"cutNotes\":" << ChannelList(part.CutNotes, true) << ",\"ticks\":" << PartTicks(style, part)
        << "}";
  }
  out << "]}\n";
  return out.str();
}

std::string StyleEventsText(const ParsedStyleFile& style, std::optional<int> part) {
  int32_t begin = 0;
  auto end = static_cast<int32_t>(style.Image.Stream.size());
  if (part) {
    const TStylePart& record = style.Image.Parts[static_cast<size_t>(*part)];
    begin = record.StartOffset;
    end = record.EndOffset;
  }
  std::ostringstream out;
  ForEachMessage(style.Image.Stream, begin, end, [&](const StreamMessage& m) {
    out << m.Tick << ' ' << int{m.Status} << ' ' << int{m.Data1} << ' ' << int{m.Data2} << '\n';
  });
  return out.str();
}

}  // namespace kalo::styles
