#include "styles/keyboard_style_markers.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string>

namespace kalo::styles {

namespace {

struct MarkerName {
  const char* Name;  // lower case, without blanks
  MarkerPart Part;
};

constexpr std::array<MarkerName, 12> kMarkerNames = {{
    {"maina", {kBasic, 0}},
    {"mainb", {kExtended, 0}},
    {"fillinaa", {kFillInBasic, 0}},
    {"fillinbb", {kFillInExtended, 0}},
    {"fillinab", {kToExtended, 0}},
    {"fillinba", {kToBasic, 0}},
    {"introa", {kIntro, 0}},
    {"introb", {kIntro, 1}},
    {"introc", {kIntro, 2}},
    {"endinga", {kEnding, 0}},
    {"endingb", {kEnding, 1}},
    {"endingc", {kEnding, 2}},
}};

std::string Folded(std::string_view text) {
  std::string out;
  for (char c : text)
    if (!std::isspace(static_cast<unsigned char>(c)))
      out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

}  // namespace

std::optional<MarkerPart> PartOfMarker(std::string_view marker) {
  const std::string folded = Folded(marker);
  for (const MarkerName& name : kMarkerNames)
    if (folded == name.Name) return name.Part;
  return std::nullopt;
}

std::vector<MarkedSection> PartsFromMarkers(const std::vector<ImportMarker>& markers, int64_t materialTicks,
                                            int measureTicks) {
  std::array<std::optional<MarkedSection>, kPartCount> chosen;
  std::array<int, kPartCount> preference{};
  for (size_t i = 0; i < markers.size() && measureTicks > 0; ++i) {
    const auto part = PartOfMarker(markers[i].Text);
    if (!part) continue;
    const int64_t from = markers[i].Tick;
    const int64_t to = i + 1 < markers.size() ? markers[i + 1].Tick : materialTicks;
    // Whole measures: a section starts on the bar line at or after its marker and ends at the last bar
    // line before the next section.
    const int64_t first = (from + measureTicks - 1) / measureTicks;
    const int64_t end = to / measureTicks;
    if (end <= first) continue;
    auto& slot = chosen[static_cast<size_t>(part->Part)];
    if (slot && preference[static_cast<size_t>(part->Part)] <= part->Preference) continue;
    slot = MarkedSection{part->Part, static_cast<int>(first + 1), static_cast<int>(end), markers[i].Text};
    preference[static_cast<size_t>(part->Part)] = part->Preference;
  }
  std::vector<MarkedSection> sections;
  for (const auto& slot : chosen)
    if (slot) sections.push_back(*slot);
  return sections;
}

}  // namespace kalo::styles
