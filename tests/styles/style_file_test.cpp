#include "styles/style_file.h"

#include <gtest/gtest.h>

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

struct MetreCase {
  int16_t Stored;
  int MeasureLength;
  bool Eighth;
  const char* Metrum;
};

TEST(StyleRecords, StoredMeasureLengthsGiveTheirMetre) {
  const MetreCase cases[] = {
      {16, 16, false, "4/4"}, {0, 16, false, "4/4"},      {-12, 12, true, "6/8"},    {12, 12, false, "3/4"},
      {4, 4, false, "1/4"},   {-4, 4, true, "1/8"},       {24, 24, false, "6/4"},    {-16, 16, true, "4/4"},
      {7, 16, false, "4/4"},  {-32768, 16, false, "4/4"}, {32767, 16, false, "4/4"}, {-7, 16, false, "4/4"},
  };
  for (const auto& c : cases) {
    const Metre metre = MetreOf(c.Stored);
    EXPECT_EQ(metre.MeasureLength, c.MeasureLength) << c.Stored;
    EXPECT_EQ(metre.EighthNotes, c.Eighth) << c.Stored;
    EXPECT_STREQ(config::kMetrumNames[MetrumIndexFor(metre)], c.Metrum) << c.Stored;
  }
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

TEST(StyleFile, TheWriterPutsTheLowestVersionWordInFront) {
  const auto bytes = MakeSampleStyle().FileBytes();
  ASSERT_GE(bytes.size(), 4u);
  EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 4),
            (std::vector<uint8_t>{0x2A, 0x6F, 0x73, 0x02}));
  EXPECT_EQ(bytes.size(), 4 + kStyleHeaderSize + kPartTableSize + MakeSampleStyle().Stream.size());
}

TEST(StyleFile, EveryFieldSurvivesAWriteAndARead) {
  TStyleHeader header;
  for (int c = 0; c < kChannelCount; ++c)
    for (size_t e = 0; e < kChannelSetupSize; ++e)
      header.Channels[static_cast<size_t>(c)].Values[e] = static_cast<uint8_t>((c * 98 + e) % 256);
  for (int c = 0; c < kChannelCount; ++c) header.ChannelUsed[static_cast<size_t>(c)] = c % 2;
  header.Tempo = 97;
  header.IntroMeasures = -3;
  header.MeasureLength = -12;
  header.Converted = 1;
  header.SuppressControllers = 1;
  header.Override = 0;
  std::vector<uint8_t> stream(3000);
  for (size_t i = 0; i < stream.size(); ++i) stream[i] = static_cast<uint8_t>(i * 7);
  PartTable parts{};
  for (int p = 0; p < kPartCount; ++p) {
    TStylePart& part = parts[static_cast<size_t>(p)];
    part.FirstMeasure = static_cast<int16_t>(p + 1);
    part.LastMeasure = static_cast<int16_t>(p + 300);
    part.Beat = static_cast<int16_t>(p % 4 + 1);
    part.Reserved = {1, 2, 3, 4, 5, static_cast<uint8_t>(p)};
    part.StartOffset = p * 100;
    part.EndOffset = p * 100 + 99;
    part.Variation = p == 4 ? kVariationMarker : static_cast<uint16_t>(0x1234 + p);
    part.EntryOffsets = {p * 100 + 10, p * 100 + 20, p * 100 + 30};
    for (int c = 0; c < kChannelCount; ++c) {
      part.Mute[static_cast<size_t>(c)] = static_cast<uint8_t>((p + c) % 3);
      part.CutNotes[static_cast<size_t>(c)] = static_cast<uint8_t>((p * c) % 5);
    }
  }
  const ParsedStyleFile parsed = ParseStyleFile(SerializeStyleFile(header, parts, stream));
  EXPECT_EQ(parsed.VersionWord, kVersionWordLowest);
  EXPECT_EQ(parsed.Image.Header, header);
  EXPECT_EQ(parsed.Image.Parts, parts);
  EXPECT_EQ(parsed.Image.Stream, stream);
  EXPECT_EQ(parsed.Mends, PartMends{});
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
      {"start past the stream", MakePart(1, 1, length + 5, length + 9), kExtended, PartMend::OutsideStream},
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

// Expected values of every field, distinct enough that a swapped, shifted or mis-sized field shows.
uint8_t SetupByte(int channel, int entry) { return static_cast<uint8_t>((channel * 37 + entry * 3) % 251); }
int32_t PartStart(int part) { return 0x10203 + part * 0x101; }
constexpr int32_t kLayoutStreamLength = 0x11000;

// Writes a header at `base` and the part table right after it, at the offsets of the layout.
void WriteBlocks(std::vector<uint8_t>& file, size_t base) {
  for (int c = 0; c < 16; ++c) {
    for (int e = 0; e < 98; ++e) file.at(base + static_cast<size_t>(c * 98 + e)) = SetupByte(c, e);
    file.at(base + 1568 + static_cast<size_t>(c)) = static_cast<uint8_t>(c % 3 == 0 ? 1 : 0);
  }
  PutLe(file, base + 1584, 0x0123, 2);  // tempo
  PutLe(file, base + 1586, -2, 2);      // intro measures
  PutLe(file, base + 1588, -12, 2);     // measure length
  file.at(base + 1590) = 2;             // converted
  file.at(base + 1591) = 3;             // suppress controllers
  file.at(base + 1592) = 4;             // override
  for (int p = 0; p < 8; ++p) {
    const size_t at = base + 1593 + static_cast<size_t>(p) * 66;
    PutLe(file, at + 0, p + 1, 2);
    PutLe(file, at + 2, 0x0200 + p, 2);
    PutLe(file, at + 4, 0x0300 + p, 2);
    for (int i = 0; i < 6; ++i)
      file.at(at + 6 + static_cast<size_t>(i)) = static_cast<uint8_t>(0xA0 + p * 6 + i);
    PutLe(file, at + 12, PartStart(p), 4);
    PutLe(file, at + 16, PartStart(p) + 0x100 + p, 4);
    PutLe(file, at + 20, 0xBE00 + p, 2);
    for (int i = 0; i < 3; ++i) PutLe(file, at + 22 + static_cast<size_t>(i) * 4, 0x11223344 + p * 16 + i, 4);
    for (int c = 0; c < 16; ++c) {
      file.at(at + 34 + static_cast<size_t>(c)) = static_cast<uint8_t>(p * 16 + c);
      file.at(at + 50 + static_cast<size_t>(c)) = static_cast<uint8_t>(255 - p * 16 - c);
    }
  }
  const size_t stream = base + 1593 + 528;
  for (size_t i = stream; i < file.size(); ++i) file[i] = static_cast<uint8_t>(0xF8 + i % 8);
}

void ExpectBlocks(const StyleImage& image, const PartMends& mends, size_t streamStart) {
  const TStyleHeader& h = image.Header;
  for (int c = 0; c < 16; ++c) {
    for (int e = 0; e < 98; ++e)
      ASSERT_EQ(h.Channels[static_cast<size_t>(c)].Values[static_cast<size_t>(e)], SetupByte(c, e))
          << c << "/" << e;
    EXPECT_EQ(h.ChannelUsed[static_cast<size_t>(c)], c % 3 == 0 ? 1 : 0) << "used " << c;
  }
  EXPECT_EQ(h.Tempo, 0x0123);
  EXPECT_EQ(h.IntroMeasures, -2);
  EXPECT_EQ(h.MeasureLength, -12);
  EXPECT_EQ(h.Converted, 2);
  EXPECT_EQ(h.SuppressControllers, 3);
  EXPECT_EQ(h.Override, 4);
  EXPECT_EQ(mends, PartMends{});
  for (int p = 0; p < 8; ++p) {
    const TStylePart& part = image.Parts[static_cast<size_t>(p)];
    EXPECT_EQ(part.FirstMeasure, p + 1) << "part " << p;
    EXPECT_EQ(part.LastMeasure, 0x0200 + p) << "part " << p;
    EXPECT_EQ(part.Beat, 0x0300 + p) << "part " << p;
    for (int i = 0; i < 6; ++i)
      EXPECT_EQ(part.Reserved[static_cast<size_t>(i)], 0xA0 + p * 6 + i) << "part " << p;
    EXPECT_EQ(part.StartOffset, PartStart(p)) << "part " << p;
    EXPECT_EQ(part.EndOffset, PartStart(p) + 0x100 + p) << "part " << p;
    EXPECT_EQ(part.Variation, 0xBE00 + p) << "part " << p;
    for (int i = 0; i < 3; ++i)
      EXPECT_EQ(part.EntryOffsets[static_cast<size_t>(i)], 0x11223344 + p * 16 + i) << "part " << p;
    for (int c = 0; c < 16; ++c) {
      EXPECT_EQ(part.Mute[static_cast<size_t>(c)], p * 16 + c) << "part " << p;
      EXPECT_EQ(part.CutNotes[static_cast<size_t>(c)], 255 - p * 16 - c) << "part " << p;
    }
  }
  ASSERT_EQ(image.Stream.size(), static_cast<size_t>(kLayoutStreamLength));
  EXPECT_EQ(image.Stream.front(), 0xF8 + streamStart % 8);
}

TEST(FileLayout, AStyleFileWrittenByteByByteReadsEveryField) {
  std::vector<uint8_t> file(4 + 1593 + 528 + kLayoutStreamLength);
  PutLe(file, 0, 0x02736F2A + 7, 4);
  WriteBlocks(file, 4);
  const ParsedStyleFile parsed = ParseStyleFile(file);
  EXPECT_EQ(parsed.VersionWord, 0x02736F2A + 7);
  ExpectBlocks(parsed.Image, parsed.Mends, 4 + 1593 + 528);
}

TEST(FileLayout, AWorkFileWrittenByteByByteReadsEveryField) {
  const int length = 8;  // Chordmemory bytes in use; the block holds four more
  std::vector<uint8_t> file(4 + (length + 4) + 1593 + 528 + kLayoutStreamLength);
  PutLe(file, 0, 0x0188, 2);  // end position
  PutLe(file, 2, length, 2);
  for (int i = 0; i < length + 4; ++i) file.at(4 + static_cast<size_t>(i)) = static_cast<uint8_t>(0x40 + i);
  WriteBlocks(file, length + 8);
  const auto result = ParseWorkFile(file);
  ASSERT_TRUE(std::holds_alternative<ParsedWorkFile>(result));
  const ParsedWorkFile& parsed = std::get<ParsedWorkFile>(result);
  EXPECT_EQ(parsed.EndPosition, 0x0188);
  EXPECT_EQ(parsed.Chordmemory.Length, length);
  for (int i = 0; i < length + 4; ++i)
    EXPECT_EQ(parsed.Chordmemory.Bytes[static_cast<size_t>(i)], 0x40 + i) << i;
  EXPECT_EQ(parsed.Chordmemory.Bytes[length + 4], 0);  // past the block: the cleared Chordmemory
  ExpectBlocks(parsed.Image, parsed.Mends, length + 8 + 1593 + 528);
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
      {"an existing file is used as it is", {"elsewhere/a.vxs"}, "elsewhere/a.vxs", true, "elsewhere/a.vxs"},
      {"the STYLES folder comes first",
       {"STYLES/a.vxs", "styles/pop/a.vxs"},
       "D:\\old\\styles\\pop\\a.vxs",
       false,
       "STYLES/a.vxs"},
      {"the sub-folder below styles is kept",
       {"styles/pop/a.vxs"},
       "D:\\old\\styles\\pop\\a.vxs",
       false,
       "styles/pop/a.vxs"},
      {"any case of styles, '/' separated",
       {"STYLES/rock/b.vxs"},
       "/mnt/c/My Styles/rock/b.vxs",
       false,
       "STYLES/rock/b.vxs"},
      {"any case of styles, '\\' separated",
       {"STYLES/rock/b.vxs"},
       "C:\\Music\\Styles\\rock\\b.vxs",
       false,
       "STYLES/rock/b.vxs"},
      {"a name written in capitals", {"STYLES/Rock1.vxs"}, "STYLES\\ROCK1.VXS", false, "STYLES/Rock1.vxs"},
      {"every folder below styles in any case",
       {"STYLES/Pop/Ballad.vxs"},
       "D:\\old\\Styles\\pop\\ballad.vxs",
       false,
       "STYLES/Pop/Ballad.vxs"},
      {"an exact match before one in another case",
       {"STYLES/A.vxs", "STYLES/a.vxs"},
       "C:\\x\\a.vxs",
       false,
       "STYLES/a.vxs"},
      {"the other exact match", {"STYLES/A.vxs", "STYLES/a.vxs"}, "C:\\x\\A.vxs", false, "STYLES/A.vxs"},
      {"no way up out of the program folder",
       {"STYLES/x.vxs", "b.vxs"},
       "D:\\styles\\..\\b.vxs",
       false,
       std::nullopt},
      {"no candidate", {"STYLES/a.vxs"}, "D:\\old\\styles\\pop\\missing.vxs", false, std::nullopt},
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
