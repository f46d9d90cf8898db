#pragma once
// What a list of style files shows beside each name: the metre, the tempo and the number of tracks.
// Computed from the header alone (the first bytes of the file), so that a folder of styles is
// summarised without reading their streams.

#include <filesystem>
#include <optional>
#include <span>
#include <string>

namespace kalo::styles {

struct StyleSummary {
  std::string Metre;  // the metre caption a load shows: "4/4", "6/8", ...
  int Tempo = 0;      // the header's tempo in beats per minute, as stored
  int Tracks = 0;     // channels whose channel-used flag is set

  bool operator==(const StyleSummary&) const = default;
};

// The summary of a style file's bytes (with or without the version word). A short file summarises
// what its header holds: missing bytes read as the reset values, as a load reads them.
StyleSummary SummarizeStyle(std::span<const uint8_t> bytes);

// The summary of a style header: the metre a load shows, the tempo as stored, the used channels.
struct TStyleHeader;
StyleSummary SummarizeHeader(const TStyleHeader& header);

// The summary of the style file at path, reading only its header; nullopt when it cannot be read.
std::optional<StyleSummary> ReadStyleSummary(const std::filesystem::path& path);

// "4/4, 120 bpm, 8 tracks": the summary as one line of text.
std::string SummaryText(const StyleSummary& summary);

}  // namespace kalo::styles
