#include "styles/style_report.h"

#include <cstdio>
#include <sstream>

#include "config/settings.h"
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

int64_t PartTicks(const ParsedStyleFile& style, const TStylePart& part) {
  return TicksIn(style.Image.Stream, part.StartOffset, part.EndOffset);
}

}  // namespace

std::string StyleInfoText(const ParsedStyleFile& style) {
  const TStyleHeader& h = style.Image.Header;
  const Metre metre = MetreOf(h.MeasureLength);
  std::ostringstream out;
  out << "version word: " << (style.VersionWord ? Hex32(*style.VersionWord) : "none") << '\n';
  out << "tempo: " << h.Tempo << '\n';
  out << "measure length: " << metre.MeasureLength << " (" << config::kMetrumNames[MetrumIndexFor(metre)]
      << (metre.EighthNotes ? ", eighth-note beat" : "") << ")\n";
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
  for (int p = 0; p < kPartCount; ++p) {
    const TStylePart& part = style.Image.Parts[static_cast<size_t>(p)];
    out << "part " << kPartNames[static_cast<size_t>(p)] << ": ";
    if (!part.Exists()) {
      out << (style.Mends[static_cast<size_t>(p)] != PartMend::None
                  ? "empty (its offsets lie outside the stream)"
                  : "empty")
          << '\n';
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
  std::ostringstream out;
  out << "{\"versionWord\":" << (style.VersionWord ? std::to_string(*style.VersionWord) : "null")
      << ",\"tempo\":" << h.Tempo << ",\"measureLength\":" << metre.MeasureLength << ",\"metre\":\""
      << config::kMetrumNames[MetrumIndexFor(metre)]
      << "\",\"eighthNoteBeat\":" << (metre.EighthNotes ? "true" : "false")
      << ",\"introMeasures\":" << h.IntroMeasures << ",\"converted\":" << int{h.Converted}
      << ",\"suppressControllers\":" << int{h.SuppressControllers} << ",\"override\":" << int{h.Override}
      << ",\"streamLength\":" << style.Image.Stream.size() << ",\"channels\":[";
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
        << "\",\"exists\":" << (part.Exists() ? "true" : "false") << ",\"offsetsOutsideStream\":"
        << (style.Mends[static_cast<size_t>(p)] != PartMend::None ? "true" : "false")
        << ",\"firstMeasure\":" << part.FirstMeasure << ",\"lastMeasure\":" << part.LastMeasure
        << ",\"beat\":" << part.Beat << ",\"startOffset\":" << part.StartOffset
        << ",\"endOffset\":" << part.EndOffset << ",\"entryOffsets\":[" << part.EntryOffsets[0] << ","
        << part.EntryOffsets[1] << "," << part.EntryOffsets[2]
        << "],\"variation\":" << (part.HasVariationMarker() ? "true" : "false")
        << ",\"muted\":" << ChannelList(part.Mute, true)
        << ",\"cutNotes\":" << ChannelList(part.CutNotes, true)
        << ",\"ticks\":" << (part.Exists() ? PartTicks(style, part) : 0) << "}";
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
