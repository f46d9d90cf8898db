#include "styles/style_file.h"

#include <algorithm>
#include <cctype>
#include <system_error>

#include "styles/byte_io.h"
#include "styles/style.h"

namespace kalo::styles {

void ReadStyleBlocks(std::span<const uint8_t> bytes, ByteReader& in, StyleImage& image,
                     unsigned& emptiedParts, bool& headerMended) {
  auto take = [&](size_t count) {
    const size_t start = in.Position();
    const size_t n = std::min(count, in.Remaining());
    in.Seek(start + n);
    return bytes.subspan(start, n);
  };
  image.Header = DecodeHeaderPrefix(take(kStyleHeaderSize));
  image.Parts = DecodePartTablePrefix(take(kPartTableSize));
  const auto stream = take(static_cast<size_t>(kStreamCapacity));
  image.Stream.assign(stream.begin(), stream.end());
  headerMended = MendHeaderValues(image.Header);
  emptiedParts = MendPartOffsets(image.Parts, static_cast<int32_t>(stream.size()));
}

void WriteStyleBlocks(const TStyleHeader& header, const PartTable& parts, std::span<const uint8_t> stream,
                      ByteWriter& writer) {
  EncodeHeader(header, writer);
  EncodePartTable(parts, writer);
  writer.WriteBytes(stream.first(std::min(stream.size(), static_cast<size_t>(kStreamCapacity))));
}

ParsedStyleFile ParseStyleFile(std::span<const uint8_t> bytes) {
  ParsedStyleFile parsed;
  ByteReader in(bytes);
  int32_t first = 0;
  if (in.ReadI32(first) && IsVersionWord(first)) {
    parsed.VersionWord = first;
  } else {
    in.Seek(0);
  }
  ReadStyleBlocks(bytes, in, parsed.Image, parsed.EmptiedParts, parsed.HeaderMended);
  return parsed;
}

std::vector<uint8_t> SerializeStyleFile(const TStyleHeader& header, const PartTable& parts,
                                        std::span<const uint8_t> stream) {
  std::vector<uint8_t> out;
  out.reserve(4 + kStyleHeaderSize + kPartTableSize + stream.size());
  ByteWriter writer(out);
  writer.WriteI32(kVersionWordLowest);
  WriteStyleBlocks(header, parts, stream, writer);
  return out;
}

std::string ToLower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

std::string ToUpper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

std::string FileNameOf(const std::string& name) {
  const size_t slash = name.find_last_of("\\/");
  return slash == std::string::npos ? name : name.substr(slash + 1);
}

bool HasExtension(const std::string& name, const std::string& extension) {
  return name.size() >= extension.size() &&
         ToLower(name.substr(name.size() - extension.size())) == ToLower(extension);
}

namespace {

bool IsFile(const std::filesystem::path& path) {
  std::error_code error;
  return std::filesystem::is_regular_file(path, error);
}

std::string WithSlashes(std::string text) {
  std::replace(text.begin(), text.end(), '\\', '/');
  return text;
}

}  // namespace

std::optional<std::filesystem::path> FindStyleFile(const std::string& name,
                                                   const host::ProgramFolder& folder) {
  if (name.empty()) return std::nullopt;
  if (IsFile(name)) return std::filesystem::path(name);
  const std::string fileName = FileNameOf(name);
  if (!fileName.empty() && IsFile(folder.Styles() / fileName)) return folder.Styles() / fileName;
  const size_t p = ToLower(name).find("styles");
  if (p != std::string::npos) {
    const std::string rest = WithSlashes(name.substr(p));  // "styles/pop/a.vxs"
    const auto asWritten = folder.Path() / rest;
    if (IsFile(asWritten)) return asWritten;
    // The program's own folder is spelt "STYLES"; keep the sub-folders below it.
    const std::string below = rest.size() > 6 ? rest.substr(7) : std::string();
    if (!below.empty() && IsFile(folder.Styles() / below)) return folder.Styles() / below;
  }
  return std::nullopt;
}

}  // namespace kalo::styles
