// The style library of styles/: every source compiles, loads through the
// style loader with all its parts kept, and follows the rules by which patterns are written in C.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "host/file_store.h"
#include "styles/style_source.h"
#include "styles/style_stream.h"
#include "styles/style_test_support.h"

namespace kalo::styles {
namespace {

struct LibraryStyle {
  std::filesystem::path Path;
  CompiledStyle Style;
};

const std::vector<LibraryStyle>& Library() {
  static const std::vector<LibraryStyle> library = [] {
    std::vector<LibraryStyle> out;
    for (const auto& entry : std::filesystem::directory_iterator(KALO_STYLE_LIBRARY_DIR))
      if (entry.path().extension() == ".style") out.push_back({entry.path(), {}});
    std::sort(out.begin(), out.end(), [](auto& a, auto& b) { return a.Path < b.Path; });
    for (LibraryStyle& style : out) {
      const auto text = host::ReadFilePrefix(style.Path, 1 << 20).value_or(std::vector<uint8_t>{});
      style.Style =
          CompileStyleSource(std::string_view(reinterpret_cast<const char*>(text.data()), text.size()));
    }
    return out;
  }();
  return library;
}

std::vector<uint8_t> FileBytes(const CompiledStyle& style) {
  return SerializeStyleFile(style.Image.Header, style.Image.Parts, style.Image.Stream);
}

TEST(StyleLibrary, EverySourceCompilesAndLoadsWithAllItsParts) {
  for (const LibraryStyle& entry : Library()) {
    const std::string name = entry.Path.filename().string();
    const CompiledStyle& style = entry.Style;
    ASSERT_TRUE(style.Ok()) << FormatSourceErrors(name, style.Errors);
    EXPECT_EQ(style.Name, entry.Path.stem().string()) << name;
    const auto bytes = FileBytes(style);

    testing::TGenBench bench;
    ASSERT_EQ(bench.Gen.LoadStyleFromBytes(style.Name + ".vxs", bytes), LoadOutcome::Loaded) << name;
    const Style& loaded = bench.Gen.CurrentStyle();
    EXPECT_EQ(loaded.Parts, style.Image.Parts) << name;
    EXPECT_TRUE(loaded.Header.Used(9)) << name << ": no drums on channel 10";
    const int measureTicks = TicksPerMeasure(MetreOf(loaded.Header.MeasureLength).MeasureLength);
    for (int p = 0; p < kPartCount; ++p) {
      const TStylePart& part = loaded.Parts[p];
      ASSERT_TRUE(part.Exists()) << name << ": " << kPartNames[p];
      EXPECT_EQ(TicksIn(loaded.Stream(), part.StartOffset, part.EndOffset),
                (part.LastMeasure - part.FirstMeasure + 1) * measureTicks)
          << name << ": " << kPartNames[p];
      for (int c = 0; c < kChannelCount; ++c)
        EXPECT_EQ(loaded.HoldOver[p][c], 1) << name << ": " << kPartNames[p] << " " << c;
    }
  }
}

// Pitched notes are scale tones of C major, so that the chord tables move them to every chord type;
// the bass (a bass program) plays C on the first beat of every measure; the other pitched channels
// stay below C5, leaving the register above to the right hand.
TEST(StyleLibrary, PatternsAreWrittenInCForTheChordTables) {
  constexpr bool kScaleOfC[12] = {true,  false, true,  false, true,  true,
                                  false, true,  false, true,  false, true};
  for (const LibraryStyle& entry : Library()) {
    const CompiledStyle& style = entry.Style;
    ASSERT_TRUE(style.Ok());
    const std::string name = entry.Path.filename().string();
    const int measureTicks = TicksPerMeasure(MetreOf(style.Image.Header.MeasureLength).MeasureLength);
    const auto& channels = style.Image.Header.Channels;
    for (int p = 0; p < kPartCount; ++p) {
      const TStylePart& part = style.Image.Parts[p];
      const int measures = part.LastMeasure - part.FirstMeasure + 1;
      std::vector<bool> bassOnC(static_cast<size_t>(measures), false);
      bool hasBass = false;
      ForEachMessage(style.Image.Stream, part.StartOffset, part.EndOffset, [&](const StreamMessage& m) {
        const int channel = m.Status & 0x0F;
        if ((m.Status & 0xF0) != 0x90 || m.Data2 == 0 || channel == 9) return;
        const std::string where = name + ": " + std::string(kPartNames[p]) + " tick " +
                                  std::to_string(m.Tick) + " channel " + std::to_string(channel + 1);
        EXPECT_TRUE(kScaleOfC[m.Data1 % 12]) << where << " plays " << int{m.Data1};
        const int program = channels[channel].Values[kProgramEntry];
        if (program >= 32 && program <= 39) {
          hasBass = true;
          if (m.Tick % measureTicks == 0 && m.Data1 % 12 == 0)
            bassOnC[static_cast<size_t>(m.Tick / measureTicks)] = true;
        } else {
          EXPECT_LT(m.Data1, 72) << where;
        }
      });
      EXPECT_TRUE(hasBass) << name << ": " << kPartNames[p];
      for (int m = 0; m < measures; ++m)
        EXPECT_TRUE(bassOnC[static_cast<size_t>(m)]) << name << ": " << kPartNames[p] << " measure " << m + 1;
    }
  }
}

}  // namespace
}  // namespace kalo::styles
