#include "styles/structure_file.h"

#include <charconv>
#include <string>

namespace kalo::styles {

namespace {

// The section of each part number, without its "_1" or "_2".
constexpr std::array<const char*, kPartCount> kSections = {
    "Intro", "Basic", "Extended", "Ending", "FillBasic", "FillExtended", "ToExtended", "ToBasic"};

int IntegerValue(const config::ProfileDocument& document, const std::string& section, const char* key) {
  const auto text = document.Value(section, key);
  if (!text) return 0;
  int value = 0;
  const auto [end, error] = std::from_chars(text->data(), text->data() + text->size(), value);
  return error == std::errc() && end == text->data() + text->size() ? value : 0;
}

}  // namespace

StructureCut ReadStructure(const config::ProfileDocument& document, bool styleB) {
  StructureCut cut;
  if (!styleB) {
    if (const auto muting = document.Value("Channels", "Muting"); muting && muting->size() >= kChannelCount) {
      std::array<bool, kChannelCount> muted{};
      for (size_t c = 0; c < kChannelCount; ++c) muted[c] = (*muting)[c] == '0';
      cut.Muted = muted;
    }
  }
  const std::string suffix = styleB ? "_2" : "_1";
  for (size_t p = 0; p < kPartCount; ++p) {
    const std::string section = kSections[p] + suffix;
    cut.Start[p] = IntegerValue(document, section, "Start");
    cut.End[p] = IntegerValue(document, section, "End");
  }
  return cut;
}

}  // namespace kalo::styles
