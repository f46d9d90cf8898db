#include "styles/style_summary.h"

#include "config/settings.h"
#include "host/file_store.h"
#include "styles/byte_io.h"
#include "styles/style_file.h"
#include "styles/style_records.h"

namespace kalo::styles {

namespace {

// The version word and the header: all a summary needs.
constexpr size_t kSummaryBytes = 4 + kStyleHeaderSize;

}  // namespace

StyleSummary SummarizeStyle(std::span<const uint8_t> bytes) {
  ByteReader in(bytes);
  int32_t first = 0;
  const size_t start = in.ReadI32(first) && IsVersionWord(first) ? 4 : 0;
  return SummarizeHeader(DecodeHeaderPrefix(bytes.subspan(start)));
}

StyleSummary SummarizeHeader(const TStyleHeader& header) {
  StyleSummary summary;
  summary.Metre = config::kMetrumNames[MetrumIndexFor(MetreOf(header.MeasureLength))];
  summary.Tempo = header.Tempo;
  for (int c = 0; c < kChannelCount; ++c) summary.Tracks += header.Used(c) ? 1 : 0;
  return summary;
}

std::optional<StyleSummary> ReadStyleSummary(const std::filesystem::path& path) {
  const auto bytes = host::ReadFilePrefix(path, kSummaryBytes);
  if (!bytes) return std::nullopt;
  return SummarizeStyle(*bytes);
}

std::string SummaryText(const StyleSummary& summary) {
  return summary.Metre + ", " + std::to_string(summary.Tempo) + " bpm, " + std::to_string(summary.Tracks) +
         (summary.Tracks == 1 ? " track" : " tracks");
}

}  // namespace kalo::styles
