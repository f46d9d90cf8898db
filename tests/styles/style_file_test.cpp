#include "styles/style_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <variant>

#include "styles/style.h"
#include "styles/style_test_support.h"
#include "styles/work_file.h"

namespace kalo::styles {
namespace {

using testing::MakePart;
using testing::MakeSampleStyle;

std::vector<uint8_t> Le32(int32_t value) {
  auto u = static_cast<uint32_t>(value);
  return {static_cast<uint8_t>(u), static_cast<uint8_t>(u >> 8), static_cast<uint8_t>(u >> 16),
          static_cast<uint8_t>(u >> 24)};
}

struct VersionCase {
  std::vector<uint8_t> FirstBytes;
  bool HasVersionWord;
};

TEST(StyleFile, TheVersionWordIsRecognisedByValueAlone) {
  const VersionCase cases[] = {
      {{0x2A, 0x6F, 0x73, 0x02}, true},           {Le32(kVersionWordLowest + 0xFFFE), true},
      {Le32(kVersionWordLowest + 0xFFFF), false}, {Le32(kVersionWordLowest - 1), false},
      {{0xFF, 0xFF, 0xFF, 0xFF}, false},
  };
  for (const auto& c : cases) {
    std::vector<uint8_t> file = c.FirstBytes;
    file.resize(4 + kStyleHeaderSize + kPartTableSize + 10, 0x11);
    const ParsedStyleFile parsed = ParseStyleFile(file);
    EXPECT_EQ(parsed.VersionWord.has_value(), c.HasVersionWord);
    // Without a version word the four bytes are the first channel set-up's first entries.
    if (!c.HasVersionWord) {
      EXPECT_EQ(parsed.Image.Header.Channels[0].Values[0], c.FirstBytes[0]);
    }
    EXPECT_EQ(parsed.Image.Stream.size(), c.HasVersionWord ? 10u : 14u);
  }
}

TEST(StyleFile, AShortFileKeepsTheResetValuesOfWhatIsMissing) {
  // Only the first channel set-up's first two bytes and nothing else.
  const ParsedStyleFile parsed = ParseStyleFile(std::vector<uint8_t>{7, 8});
  EXPECT_EQ(parsed.Image.Header.Channels[0].Values[0], 7);
  EXPECT_EQ(parsed.Image.Header.Channels[0].Values[1], 8);
  EXPECT_EQ(parsed.Image.Header.Channels[0].Values[2], kNotSet);
  EXPECT_EQ(parsed.Image.Header.Channels[15].Values[97], kNotSet);
  EXPECT_EQ(parsed.Image.Header.Tempo, 0);
  EXPECT_EQ(parsed.Image.Parts, PartTable{});
  EXPECT_TRUE(parsed.Image.Stream.empty());
}

struct PartOffsetCase {
  const char* What;
  TStylePart Part;
  int Number;
  PartMend Mend;  // None: the part stays
};

TEST(StyleFile, PartsThatCannotBePlayedAreMadeEmptyAndTheOthersStay) {
  const auto sample = MakeSampleStyle();
  const auto length = static_cast<int32_t>(sample.Stream.size());
  const PartOffsetCase cases[] = {
      {"start below 0", MakePart(1, 1, -1, 10), kBasic, PartMend::OutsideStream},
      {"end past stream length + 1", MakePart(1, 1, 0, length + 2), kBasic, PartMend::OutsideStream},
      {"start at the stream's end", MakePart(1, 1, length, length + 1), kExtended, PartMend::OutsideStream},
      {"huge end", MakePart(1, 1, 0, 0x7FFFFFFF), kToExtended, PartMend::OutsideStream},
      {"end before start", MakePart(1, 1, 20, 10), kIntro, PartMend::EndNotAfterStart},
      {"end equal to start", MakePart(1, 1, 20, 20), kEnding, PartMend::EndNotAfterStart},
      {"end at stream length + 1 plays to the end", MakePart(1, 1, 0, length + 1), kBasic, PartMend::None},
      {"an entry offset past the stream", MakePart(1, 1, 0, 10, {5, length + 1, 7}), kFillInBasic,
       PartMend::None},
      {"a negative entry offset", MakePart(1, 1, 0, 10, {-4, 5, 7}), kToBasic, PartMend::None},
  };
  for (const auto& c : cases) {
    auto style = sample;
    style.Parts[static_cast<size_t>(c.Number)] = c.Part;
    const ParsedStyleFile parsed = ParseStyleFile(style.FileBytes());
    PartMends expected{};
    expected[static_cast<size_t>(c.Number)] = c.Mend;
    EXPECT_EQ(parsed.Mends, expected) << c.What;
    EXPECT_EQ(parsed.Image.Parts[static_cast<size_t>(c.Number)].Exists(), c.Mend == PartMend::None) << c.What;
    if (c.Mend == PartMend::None) {
      EXPECT_EQ(parsed.Image.Parts[static_cast<size_t>(c.Number)], c.Part) << c.What;
    }
  }
}

// --- The file layouts, written out byte by byte -----------------------------------------------

void PutLe(std::vector<uint8_t>& bytes, size_t offset, int64_t value, int width) {
  for (int i = 0; i < width; ++i)
    bytes.at(offset + static_cast<size_t>(i)) = static_cast<uint8_t>(value >> (8 * i));
}

constexpr int32_t kLayoutStreamLength = 0x11000;

// Writes a header at `base` and the part table after it, field by field at the offsets of the layout,
// and gives each field's value to the records expected back. The values are distinct enough that a
// swapped, shifted or mis-sized field shows. The stream that follows is all delay bytes.
void Lay(std::vector<uint8_t>& file, size_t base, TStyleHeader& h, PartTable& parts) {
  auto put = [&](size_t offset, int width, int64_t value) { PutLe(file, base + offset, value, width); };
  for (size_t c = 0; c < 16; ++c) {
    for (size_t e = 0; e < 98; ++e) put(c * 98 + e, 1, h.Channels[c].Values[e] = (c * 37 + e * 3) % 251);
    put(1568 + c, 1, h.ChannelUsed[c] = c % 3 == 0 ? 1 : 0);
  }
  put(1584, 2, h.Tempo = 0x0123);
  put(1586, 2, h.IntroMeasures = -2);
  put(1588, 2, h.MeasureLength = -12);
  put(1590, 1, h.Converted = 2);
  put(1591, 1, h.SuppressControllers = 3);
  put(1592, 1, h.Override = 4);
  for (size_t p = 0; p < 8; ++p) {
    TStylePart& part = parts[p];
    const size_t at = 1593 + p * 66;
    put(at, 2, part.FirstMeasure = static_cast<int16_t>(p + 1));
    put(at + 2, 2, part.LastMeasure = static_cast<int16_t>(0x0200 + p));
    put(at + 4, 2, part.Beat = static_cast<int16_t>(0x0300 + p));
    for (size_t i = 0; i < 6; ++i)
      put(at + 6 + i, 1, part.Reserved[i] = static_cast<uint8_t>(0xA0 + p * 6 + i));
    put(at + 12, 4, part.StartOffset = static_cast<int32_t>(0x10203 + p * 0x101));
    put(at + 16, 4, part.EndOffset = part.StartOffset + 0x100 + static_cast<int32_t>(p));
    put(at + 20, 2, part.Variation = static_cast<uint16_t>(0xBE00 + p));
    for (size_t i = 0; i < 3; ++i)
      put(at + 22 + 4 * i, 4, part.EntryOffsets[i] = static_cast<int32_t>(0x11223344 + p * 16 + i));
    for (size_t c = 0; c < 16; ++c) {
      put(at + 34 + c, 1, part.Mute[c] = static_cast<uint8_t>(p * 16 + c));
      put(at + 50 + c, 1, part.CutNotes[c] = static_cast<uint8_t>(255 - p * 16 - c));
    }
  }
  std::fill(file.begin() + static_cast<ptrdiff_t>(base + 1593 + 528), file.end(), 0xF9);
}

TEST(FileLayout, AStyleFileWrittenByteByByteReadsEveryField) {
  std::vector<uint8_t> file(4 + 1593 + 528 + kLayoutStreamLength);
  StyleImage expected;
  PutLe(file, 0, 0x02736F2A + 7, 4);
  Lay(file, 4, expected.Header, expected.Parts);
  const ParsedStyleFile parsed = ParseStyleFile(file);
  EXPECT_EQ(parsed.VersionWord, 0x02736F2A + 7);
  EXPECT_EQ(parsed.Image.Header, expected.Header);
  EXPECT_EQ(parsed.Image.Parts, expected.Parts);
  EXPECT_EQ(parsed.Image.Stream, std::vector<uint8_t>(kLayoutStreamLength, 0xF9));
  EXPECT_EQ(parsed.Mends, PartMends{});
  // Written back, every field lands at its offset again (the version word is the writer's own).
  const auto written = SerializeStyleFile(parsed.Image.Header, parsed.Image.Parts, parsed.Image.Stream);
  EXPECT_EQ(ParseStyleFile(written).VersionWord, kVersionWordLowest);
  EXPECT_TRUE(written.size() == file.size() && std::equal(file.begin() + 4, file.end(), written.begin() + 4));
}

TEST(FileLayout, AWorkFileWrittenByteByByteReadsEveryField) {
  const int length = 8;  // Chordmemory bytes in use; the block holds four more
  std::vector<uint8_t> file(4 + (length + 4) + 1593 + 528 + kLayoutStreamLength);
  StyleImage expected;
  PutLe(file, 0, 0x0188, 2);  // end position
  PutLe(file, 2, length, 2);
  for (int i = 0; i < length + 4; ++i) file.at(4 + static_cast<size_t>(i)) = static_cast<uint8_t>(0x40 + i);
  Lay(file, length + 8, expected.Header, expected.Parts);
  const auto result = ParseWorkFile(file);
  ASSERT_TRUE(std::holds_alternative<ParsedWorkFile>(result));
  const ParsedWorkFile& parsed = std::get<ParsedWorkFile>(result);
  EXPECT_EQ(parsed.EndPosition, 0x0188);
  EXPECT_EQ(parsed.Chordmemory.Length, length);
  for (int i = 0; i < length + 4; ++i)
    EXPECT_EQ(parsed.Chordmemory.Bytes[static_cast<size_t>(i)], 0x40 + i) << i;
  EXPECT_EQ(parsed.Chordmemory.Bytes[length + 4], 0);  // past the block: the cleared Chordmemory
  EXPECT_EQ(parsed.Image.Header, expected.Header);
  EXPECT_EQ(parsed.Image.Parts, expected.Parts);
  EXPECT_EQ(parsed.Image.Stream, std::vector<uint8_t>(kLayoutStreamLength, 0xF9));
}

struct LookUpCase {
  const char* What;
  std::vector<std::string> Files;  // relative to the program folder
  std::string Name;
  bool NameInFolder;                 // the name is taken relative to the program folder
  std::optional<std::string> Found;  // relative to the program folder
};

TEST(StyleLookUp, FindsTheFileItselfThenInStylesThenBelowAFolderNamedStyles) {
  const LookUpCase cases[] = {
      {"the file itself", {"elsewhere/a.vxs"}, "elsewhere/a.vxs", true, "elsewhere/a.vxs"},
      {"STYLES first", {"STYLES/a.vxs", "styles/pop/a.vxs"}, R"(D:\styles\pop\a.vxs)", false, "STYLES/a.vxs"},
      {"sub-folder kept", {"styles/pop/a.vxs"}, R"(D:\old\styles\pop\a.vxs)", false, "styles/pop/a.vxs"},
      {"'/' and any case", {"STYLES/rock/b.vxs"}, "/mnt/c/My Styles/rock/b.vxs", false, "STYLES/rock/b.vxs"},
      {"'\\' and any case", {"STYLES/rock/b.vxs"}, R"(C:\My Styles\rock\b.vxs)", false, "STYLES/rock/b.vxs"},
      {"capitals", {"STYLES/Rock1.vxs"}, R"(STYLES\ROCK1.VXS)", false, "STYLES/Rock1.vxs"},
      {"any case", {"STYLES/Pop/Ballad.vxs"}, R"(D:\Styles\pop\ballad.vxs)", false, "STYLES/Pop/Ballad.vxs"},
      {"exact case first", {"STYLES/A.vxs", "STYLES/a.vxs"}, R"(C:\x\a.vxs)", false, "STYLES/a.vxs"},
      {"the other exact case", {"STYLES/A.vxs", "STYLES/a.vxs"}, R"(C:\x\A.vxs)", false, "STYLES/A.vxs"},
      {"no way up", {"STYLES/x.vxs", "b.vxs"}, R"(D:\styles\..\b.vxs)", false, std::nullopt},
      {"no candidate", {"STYLES/a.vxs"}, R"(D:\old\styles\pop\missing.vxs)", false, std::nullopt},
      {"an empty name", {}, "", false, std::nullopt},
  };
  for (const auto& c : cases) {
    testing::TGenBench bench;
    for (const std::string& file : c.Files) bench.WriteFile(file, {1, 2, 3});
    const std::string name = c.NameInFolder ? (bench.Root / c.Name).string() : c.Name;
    const auto found = FindStyleFile(name, bench.Folder);
    EXPECT_EQ(
        found ? std::optional(std::filesystem::relative(*found, bench.Root).generic_string()) : std::nullopt,
        c.Found)
        << c.What;
  }
}

}  // namespace
}  // namespace kalo::styles
