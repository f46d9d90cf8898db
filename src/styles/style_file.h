#pragma once
// The style file (".vxs"): an optional version word, the style header, the part table and the event
// stream, little-endian and packed. Parsing is total: any bytes give a style (short files keep the
// reset values) and nothing outside the given bytes is read.

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "host/program_folder.h"
#include "styles/byte_io.h"
#include "styles/style.h"
#include "styles/style_records.h"

namespace kalo::styles {

// The version word in front of a style file lies in [kVersionWordLowest, kVersionWordLowest + 0xFFFF).
inline constexpr int32_t kVersionWordLowest = 0x02736F2A;
inline constexpr int32_t kVersionWordEnd = kVersionWordLowest + 0xFFFF;
inline bool IsVersionWord(int32_t value) { return value >= kVersionWordLowest && value < kVersionWordEnd; }

// The most bytes a style file can contribute: version word, header, part table, full stream.
inline constexpr size_t kMaxStyleFileBytes = 4 + kStyleHeaderSize + kPartTableSize + kStreamCapacity;

// The three blocks of a style as they stand in a file.
struct StyleImage {
  TStyleHeader Header;
  PartTable Parts{};
  std::vector<uint8_t> Stream;  // the stream's valid bytes, at most kStreamCapacity
};

struct ParsedStyleFile {
  std::optional<int32_t> VersionWord;
  StyleImage Image;
  // Why each part that could not be played was made empty (PartMend::None for the others).
  PartMends Mends{};
};

// Takes the header, part table and stream from `bytes` (from the reader's position on), each block
// from what is there, then empties the parts that cannot be played (MendPartOffsets). Header values
// are kept as stored. Shared by the style and the work file, whose blocks follow their own leading
// fields.
PartMends ReadStyleBlocks(std::span<const uint8_t> bytes, ByteReader& in, StyleImage& image);

// Writes the header, the part table and at most kStreamCapacity bytes of the stream.
void WriteStyleBlocks(const TStyleHeader& header, const PartTable& parts, std::span<const uint8_t> stream,
                      ByteWriter& writer);

// Reads a style file's bytes: decides the version word by value, then reads the blocks as
// ReadStyleBlocks does.
ParsedStyleFile ParseStyleFile(std::span<const uint8_t> bytes);

// Why bytes given as a style cannot be played as one: empty, shorter than a style's header and part
// table, or with no part a load would play. Empty when they can.
std::string StyleBytesProblem(std::span<const uint8_t> bytes);

// The bytes of a style file: version word kVersionWordLowest, header, part table, stream.
std::vector<uint8_t> SerializeStyleFile(const TStyleHeader& header, const PartTable& parts,
                                        std::span<const uint8_t> stream);

// Where a style asked for by name is found: the name itself; else the program's STYLES folder with
// the name's file name; else, when the lower-cased name contains "styles" at position p, the
// program folder joined with the name from p on (sub-folders kept). Both '\' and '/' separate
// folders in the name. Names were written where file names ignore case: below the program folder
// every component matches in any case (an exact spelling first). nullopt when no candidate exists.
std::optional<std::filesystem::path> FindStyleFile(const std::string& name,
                                                   const host::ProgramFolder& folder);

// The last component of a name whose folders are separated by '\' or '/'.
std::string FileNameOf(const std::string& name);
std::string ToLower(std::string text);
std::string ToUpper(std::string text);
// Whether `name` ends in `extension` (e.g. ".VXS"), ignoring case.
bool HasExtension(const std::string& name, const std::string& extension);

}  // namespace kalo::styles
