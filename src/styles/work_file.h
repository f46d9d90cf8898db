#pragma once
// The work file (".vxw"): the Style-Creator's work in progress. Layout, little-endian and packed:
// i16 end position of the recorded material (0 = none), i16 Chordmemory length L, L + 4 Chordmemory
// bytes, the style header, the part table, the event stream (the rest of the file). No version word.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "song/chordmemory.h"
#include "styles/style_file.h"

namespace kalo::styles {

// A work file carries the song's Chordmemory.
using song::kChordmemoryBufferSize;
using song::kEmptyChordmemoryLength;

inline constexpr size_t kMaxWorkFileBytes =
    4 + kChordmemoryBufferSize + kStyleHeaderSize + kPartTableSize + kStreamCapacity;

// Shown when a work file's Chordmemory length is negative or its block would not fit the
// Chordmemory buffer; nothing is loaded then.
inline constexpr const char* kDamagedWorkFileMessage = "Work-File is damaged !";

struct ParsedWorkFile {
  int16_t EndPosition = 0;  // position grid, 4 = measure 1 beat 1; 0 = none
  // The Chordmemory as a cleared one overwritten with the file's L + 4 bytes (or what of them is there).
  song::Chordmemory Chordmemory = song::Chordmemory::Cleared();
  StyleImage Image;
  PartMends Mends{};
};

// A parsed work file, or the reason it is refused (kDamagedWorkFileMessage).
std::variant<ParsedWorkFile, std::string> ParseWorkFile(std::span<const uint8_t> bytes);

// The bytes of a work file. The Chordmemory block is chordmemory.Length + 4 bytes of
// chordmemory.Bytes; nullopt when that length is negative or the block would not fit the buffer.
std::optional<std::vector<uint8_t>> SerializeWorkFile(int16_t endPosition,
                                                      const song::Chordmemory& chordmemory,
                                                      const TStyleHeader& header, const PartTable& parts,
                                                      std::span<const uint8_t> stream);

}  // namespace kalo::styles
