#include "styles/work_file.h"

#include <algorithm>

#include "styles/byte_io.h"
#include "styles/style_file.h"

namespace kalo::styles {

namespace {

// Lengths below 4 (shorter than the head record) are harmless: the block is still length + 4 bytes.
bool ChordmemoryLengthFits(int length) {
  return length >= 0 && static_cast<size_t>(length) + 4 <= kChordmemoryBufferSize;
}

}  // namespace

std::variant<ParsedWorkFile, std::string> ParseWorkFile(std::span<const uint8_t> bytes) {
  ParsedWorkFile parsed;
  ByteReader in(bytes);
  if (!in.ReadI16(parsed.EndPosition)) return parsed;
  int16_t length = 0;
  if (!in.ReadI16(length)) return parsed;
  if (!ChordmemoryLengthFits(length)) return std::string(kDamagedWorkFileMessage);
  parsed.Chordmemory.Length = length;
  in.ReadSome(std::span<uint8_t>(parsed.Chordmemory.Bytes).first(static_cast<size_t>(length) + 4));

  parsed.Mends = ReadStyleBlocks(bytes, in, parsed.Image);
  return parsed;
}

std::optional<std::vector<uint8_t>> SerializeWorkFile(int16_t endPosition,
                                                      const song::Chordmemory& chordmemory,
                                                      const TStyleHeader& header, const PartTable& parts,
                                                      std::span<const uint8_t> stream) {
  if (!ChordmemoryLengthFits(chordmemory.Length)) return std::nullopt;
  std::vector<uint8_t> out;
  ByteWriter writer(out);
  writer.WriteI16(endPosition);
  writer.WriteI16(chordmemory.Length);
  writer.WriteBytes(
      std::span<const uint8_t>(chordmemory.Bytes).first(static_cast<size_t>(chordmemory.Length) + 4));
  WriteStyleBlocks(header, parts, stream, writer);
  return out;
}

}  // namespace kalo::styles
