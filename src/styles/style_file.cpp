#include "styles/style_file.h"

#include <algorithm>
#include <cctype>

#include "host/path_lookup.h"
#include "styles/byte_io.h"

namespace kalo::styles {

PartMends ReadStyleBlocks(std::span<const uint8_t> bytes, ByteReader& in, StyleImage& image) {
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
  return MendPartOffsets(image.Parts, static_cast<int32_t>(stream.size()));
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
  parsed.Mends = ReadStyleBlocks(bytes, in, parsed.Image);
  return parsed;
}

std::string StyleBytesProblem(std::span<const uint8_t> bytes) {
  constexpr size_t kLeast = kStyleHeaderSize + kPartTableSize;
  if (bytes.empty()) return "an empty file, not a style";
  if (bytes.size() < kLeast)
    return std::to_string(bytes.size()) + " bytes, too short for a style (at least " +
           std::to_string(kLeast) + " bytes: the header and the part table)";
  const ParsedStyleFile style = ParseStyleFile(bytes);
  bool anyPart = false;
  for (const TStylePart& part : style.Image.Parts) anyPart = anyPart || part.Exists();
  if (!anyPart || HasBrokenBasic(style.Image.Parts, style.Image.Stream))
    return "not a style: no part of it can be played";
  return {};
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

// The components of a name whose folders are separated by '\' or '/'.
std::vector<std::string> Components(const std::string& name) {
  std::vector<std::string> parts(1);
  for (char c : name) {
    if (c == '\\' || c == '/') {
      parts.emplace_back();
    } else {
      parts.back() += c;
    }
  }
  return parts;
}

}  // namespace

std::optional<std::filesystem::path> FindStyleFile(const std::string& name,
                                                   const host::ProgramFolder& folder) {
  if (name.empty()) return std::nullopt;
  if (host::IsRegularFile(name)) return std::filesystem::path(name);
  const std::string fileName = FileNameOf(name);
  if (!fileName.empty()) {
    if (auto found = host::FindIgnoringCase(folder.Data(), {folder.Styles().filename().string(), fileName}))
      return found;
  }
  const size_t p = ToLower(name).find("styles");
  if (p != std::string::npos) return host::FindIgnoringCase(folder.Data(), Components(name.substr(p)));
  return std::nullopt;
}

}  // namespace kalo::styles
