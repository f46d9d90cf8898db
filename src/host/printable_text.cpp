#include "host/printable_text.h"

#include <algorithm>
#include <cstdio>

namespace kalo::host {

namespace {

void AppendEscaped(std::string& out, unsigned char byte) {
  char escaped[5];
  std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
  out += escaped;
}

// The length of the valid UTF-8 sequence of two or more bytes starting at text[at]; 0 when there
// is none (an ASCII byte, a stray or overlong byte, a sequence cut short).
size_t SequenceLength(std::string_view text, size_t at) {
  const auto lead = static_cast<unsigned char>(text[at]);
  size_t length = 0;
  unsigned char low = 0x80;
  unsigned char high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;   // overlong
    if (lead == 0xED) high = 0x9F;  // surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (at + length > text.size()) return 0;
  for (size_t i = 1; i < length; ++i) {
    const auto next = static_cast<unsigned char>(text[at + i]);
    if (next < (i == 1 ? low : 0x80) || next > (i == 1 ? high : 0xBF)) return 0;
  }
  return length;
}

}  // namespace

std::string PrintableText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    const auto byte = static_cast<unsigned char>(text[i]);
    const size_t sequence = byte >= 0x80 ? SequenceLength(text, i) : 0;
    // U+0080 to U+009F are C1 controls, which some terminals obey as commands.
    const bool c1 = sequence == 2 && byte == 0xC2 && static_cast<unsigned char>(text[i + 1]) < 0xA0;
    if (byte >= 0x20 && byte < 0x7F) {
      out += text[i];
    } else if (byte == '\n') {
      out += "\\n";
    } else if (byte == '\r') {
      out += "\\r";
    } else if (byte == '\t') {
      out += "\\t";
    } else if (sequence == 0 || c1) {
      for (size_t k = 0; k < std::max<size_t>(sequence, 1); ++k)
        AppendEscaped(out, static_cast<unsigned char>(text[i + k]));
    } else {
      out.append(text.substr(i, sequence));
    }
    i += std::max<size_t>(sequence, 1);
  }
  return out;
}

std::string PrintableName(const std::filesystem::path& path) {
  return "\"" + PrintableText(path.string()) + "\"";
}

}  // namespace kalo::host
