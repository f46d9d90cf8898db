#pragma once
// The structure file "Style.src" in the program's folder: an INI file that says which measures of a
// recording form each part, for two layouts of material ("Style A": sections ending in "_1", "Style B":
// "_2"), and which channels Style A mutes. Pure.

#include <array>
#include <optional>

#include "config/profile_document.h"
#include "styles/style_records.h"

namespace kalo::styles {

inline constexpr const char* kStructureFileName = "Style.src";

struct StructureCut {
  // Style A only: key "Muting" of section "Channels", one character per channel, "0" muting it.
  std::optional<std::array<bool, kChannelCount>> Muted;
  // Per part number: keys "Start" and "End" of its section (0 when missing or not a number).
  std::array<int, kPartCount> Start{};
  std::array<int, kPartCount> End{};
};

// The order in which a structure file's parts are cut.
inline constexpr std::array<int, kPartCount> kStructureCutOrder = {
    kBasic, kExtended, kEnding, kFillInBasic, kFillInExtended, kToExtended, kToBasic, kIntro};

StructureCut ReadStructure(const config::ProfileDocument& document, bool styleB);

}  // namespace kalo::styles
