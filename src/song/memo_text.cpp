#include "song/memo_text.h"

#include <algorithm>
#include <array>

namespace kalo::song {

namespace {

// Windows-1252 bytes 0x80..0x9F; the five unassigned bytes keep their C1 code points.
constexpr std::array<char32_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

uint8_t ByteFor(char32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<uint8_t>(c);
  for (size_t i = 0; i < kHighControls.size(); ++i)
    if (kHighControls[i] == c) return static_cast<uint8_t>(0x80 + i);
  return '?';
}

// The next code point of UTF-8 text at `i` (advanced past it); a broken sequence gives '?' and
// consumes one byte.
char32_t NextCodePoint(const std::string& text, size_t& i) {
  const auto lead = static_cast<uint8_t>(text[i++]);
  if (lead < 0x80) return lead;
  int more = lead >= 0xF0 && lead < 0xF8 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : -1;
  if (more < 0 || i + static_cast<size_t>(more) > text.size()) return '?';
  char32_t c = lead & (0x3F >> more);
  for (int k = 0; k < more; ++k) {
    const auto next = static_cast<uint8_t>(text[i + static_cast<size_t>(k)]);
    if ((next & 0xC0) != 0x80) return '?';
    c = (c << 6) | (next & 0x3F);
  }
  i += static_cast<size_t>(more);
  return c;
}

struct Line {
  size_t Begin;
  size_t End;  // the line's text ends here; its break follows
};

std::vector<Line> SplitLines(const std::string& text) {
  std::vector<Line> lines;
  size_t begin = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n') continue;
    lines.push_back({begin, i});
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    begin = i + 1;
  }
  if (begin < text.size()) lines.push_back({begin, text.size()});
  return lines;
}

std::vector<uint8_t> FieldBytes(const std::string& field) {
  std::vector<uint8_t> bytes = EncodeFileText(field);
  std::replace_if(
      bytes.begin(), bytes.end(), [](uint8_t b) { return b == '\r' || b == '\n'; }, ' ');
  return bytes;
}

}  // namespace

std::string DecodeFileText(std::span<const uint8_t> bytes) {
  std::string out;
  for (uint8_t b : bytes) {
    if (b == 0) break;
    AppendUtf8(out, b >= 0x80 && b < 0xA0 ? kHighControls[b - 0x80] : char32_t{b});
  }
  return out;
}

std::vector<uint8_t> EncodeFileText(const std::string& text) {
  std::vector<uint8_t> out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) out.push_back(ByteFor(NextCodePoint(text, i)));
  return out;
}

std::string UnstorableCharacters(const std::string& text) {
  std::string found;
  for (size_t i = 0; i < text.size();) {
    const size_t begin = i;
    const char32_t c = NextCodePoint(text, i);
    const bool broken = c == '?' && text[begin] != '?';
    if (!broken && (c == '?' || ByteFor(c) != '?')) continue;
    // Broken UTF-8 is named by the replacement character.
    const std::string shown = broken ? "\xEF\xBF\xBD" : text.substr(begin, i - begin);
    if (found.find(shown) == std::string::npos) found += shown;
  }
  return found;
}

SongMemo MemoFromText(const std::string& text) {
  SongMemo memo;
  const std::vector<Line> lines = SplitLines(text);
  const size_t n = lines.size();
  if (n <= 3) {
    memo.Comments = text;
    return memo;
  }
  const auto field = [&](size_t i) { return text.substr(lines[i].Begin, lines[i].End - lines[i].Begin); };
  memo.Title = field(n - 4);
  memo.Subtitle = field(n - 3);
  memo.Author = field(n - 2);
  memo.Copyright = field(n - 1);
  memo.Comments = n > 4 ? text.substr(0, lines[n - 5].End) : std::string();
  return memo;
}

std::vector<uint8_t> MemoFileBytes(const SongMemo& memo, bool& shortened) {
  shortened = false;
  std::array<std::vector<uint8_t>, 4> fields = {FieldBytes(memo.Title), FieldBytes(memo.Subtitle),
                                                FieldBytes(memo.Author), FieldBytes(memo.Copyright)};
  size_t tail = 0;
  for (const auto& f : fields) tail += f.size() + 2;
  if (tail > kMemoBufferSize) {
    shortened = true;
    tail = 0;
    for (auto& f : fields) {
      f.resize(std::min<size_t>(f.size(), 255));
      tail += f.size() + 2;
    }
  }
  std::vector<uint8_t> out = EncodeFileText(memo.Comments);
  const size_t room = kMemoBufferSize - tail;  // for the comment text and its line break
  if (!out.empty() && out.size() + 2 > room) {
    shortened = true;
    out.resize(room >= 2 ? room - 2 : 0);
  }
  if (!out.empty()) out.insert(out.end(), {'\r', '\n'});
  for (const auto& f : fields) {
    out.insert(out.end(), f.begin(), f.end());
    out.insert(out.end(), {'\r', '\n'});
  }
  return out;
}

}  // namespace kalo::song
