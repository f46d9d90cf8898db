#include "config/profile_document.h"

#include <algorithm>
#include <initializer_list>

namespace kalo::config {

namespace {

constexpr uint32_t kReplacementCharacter = 0xFFFD;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

void AppendUtf8(uint32_t code, std::string& out) {
  auto put = [&](uint32_t byte) { out += static_cast<char>(byte); };
  if (code < 0x80) {
    put(code);
  } else if (code < 0x800) {
    put(0xC0 | code >> 6);
    put(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    put(0xE0 | code >> 12);
    put(0x80 | (code >> 6 & 0x3F));
    put(0x80 | (code & 0x3F));
  } else {
    put(0xF0 | code >> 18);
    put(0x80 | (code >> 12 & 0x3F));
    put(0x80 | (code >> 6 & 0x3F));
    put(0x80 | (code & 0x3F));
  }
}

// UTF-16 text (after its mark) as UTF-8; nullopt for an odd byte or a lone surrogate, which only a
// damaged file holds and which could not be written back as they were.
std::optional<std::string> FromUtf16(std::span<const uint8_t> bytes, bool bigEndian) {
  if (bytes.size() % 2 != 0) return std::nullopt;
  auto unit = [&](size_t at) -> uint32_t {
    return bigEndian ? static_cast<uint32_t>(bytes[at] << 8 | bytes[at + 1])
                     : static_cast<uint32_t>(bytes[at] | bytes[at + 1] << 8);
  };
  std::string out;
  out.reserve(bytes.size() / 2);
  for (size_t i = 0; i < bytes.size(); i += 2) {
    uint32_t code = unit(i);
    if (code >= 0xDC00 && code < 0xE000) return std::nullopt;
    if (code >= 0xD800 && code < 0xDC00) {
      if (i + 3 >= bytes.size()) return std::nullopt;
      const uint32_t low = unit(i + 2);
      if (low < 0xDC00 || low >= 0xE000) return std::nullopt;
      code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
      i += 2;
    }
    AppendUtf8(code, out);
  }
  return out;
}

// The code point of UTF-8 text at `at`, which moves past it; a byte that starts no valid sequence
// gives U+FFFD (it cannot be stored in a UTF-16 file).
uint32_t NextCodePoint(std::string_view text, size_t& at) {
  const auto first = static_cast<uint8_t>(text[at]);
  const size_t length = first < 0x80                    ? 1
                        : first >= 0xC2 && first < 0xE0 ? 2
                        : first >= 0xE0 && first < 0xF0 ? 3
                        : first >= 0xF0 && first < 0xF5 ? 4
                                                        : 0;
  if (length == 1) {
    ++at;
    return first;
  }
  if (length == 0 || at + length > text.size()) {
    ++at;
    return kReplacementCharacter;
  }
  uint32_t code = first & (0x7Fu >> length);
  for (size_t k = 1; k < length; ++k) {
    const auto next = static_cast<uint8_t>(text[at + k]);
    if ((next & 0xC0) != 0x80) {
      ++at;
      return kReplacementCharacter;
    }
    code = code << 6 | (next & 0x3Fu);
  }
  static constexpr uint32_t kLowest[] = {0, 0, 0x80, 0x800, 0x10000};
  if (code < kLowest[length] || (code >= 0xD800 && code < 0xE000) || code > 0x10FFFF) {
    ++at;
    return kReplacementCharacter;
  }
  at += length;
  return code;
}

void AppendUtf16(std::string_view text, bool bigEndian, std::vector<uint8_t>& out) {
  auto put = [&](uint32_t unit) {
    const auto high = static_cast<uint8_t>(unit >> 8);
    const auto low = static_cast<uint8_t>(unit & 0xFF);
    out.push_back(bigEndian ? high : low);
    out.push_back(bigEndian ? low : high);
  };
  for (size_t at = 0; at < text.size();) {
    uint32_t code = NextCodePoint(text, at);
    if (code >= 0x10000) {
      code -= 0x10000;
      put(0xD800 + (code >> 10));
      put(0xDC00 + (code & 0x3FF));
    } else {
      put(code);
    }
  }
}

bool StartsWith(std::span<const uint8_t> bytes, std::initializer_list<uint8_t> mark) {
  return bytes.size() >= mark.size() && std::equal(mark.begin(), mark.end(), bytes.begin());
}

}  // namespace

std::optional<ProfileDocument> ProfileDocument::Parse(std::span<const uint8_t> bytes) {
  ProfileDocument document;
  std::string text;
  if (StartsWith(bytes, {0xEF, 0xBB, 0xBF})) {
    document.encoding_ = Encoding::Utf8WithMark;
    text.assign(bytes.begin() + 3, bytes.end());
  } else if (StartsWith(bytes, {0xFF, 0xFE}) || StartsWith(bytes, {0xFE, 0xFF})) {
    const bool bigEndian = bytes[0] == 0xFE;
    document.encoding_ = bigEndian ? Encoding::Utf16Be : Encoding::Utf16Le;
    std::optional<std::string> decoded = FromUtf16(bytes.subspan(2), bigEndian);
    if (!decoded) return std::nullopt;
    text = std::move(*decoded);
  } else {
    text.assign(bytes.begin(), bytes.end());
  }

  for (size_t start = 0; start < text.size();) {
    Line line;
    const size_t end = std::min(text.find('\n', start), text.size());
    line.Text = text.substr(start, end - start);
    if (end < text.size()) {
      line.End = "\n";
      if (!line.Text.empty() && line.Text.back() == '\r') {
        line.Text.pop_back();
        line.End = "\r\n";
      }
    }
    start = end + 1;
    if (document.lines_.empty() && !line.End.empty()) document.newLine_ = line.End;
    document.lines_.push_back(std::move(line));
  }
  document.Index();

  bool anything = false;
  bool understood = false;
  for (const Line& line : document.lines_) {
    anything = anything || line.Type != Kind::Blank;
    understood =
        understood || line.Type == Kind::Comment || line.Type == Kind::Section || line.Type == Kind::Key;
  }
  if (anything && !understood) return std::nullopt;
  return document;
}

ProfileDocument::Line ProfileDocument::AddedLine(std::string text) const {
  Line line;
  line.Text = std::move(text);
  line.End = newLine_;
  return line;
}

void ProfileDocument::Index() {
  size_t section = 0;
  for (size_t i = 0; i < lines_.size(); ++i) {
    Line& line = lines_[i];
    const std::string_view text = Trim(line.Text);
    line.Name.clear();
    line.Type = Kind::Other;
    if (text.empty()) {
      line.Type = Kind::Blank;
    } else if (text.find('\0') != std::string_view::npos) {
      // Only a damaged file holds NUL: such a line is kept but never read.
    } else if (text.front() == ';' || text.front() == '#') {
      line.Type = Kind::Comment;
    } else if (text.front() == '[') {
      const size_t close = text.find(']');
      if (close != std::string_view::npos) {
        line.Type = Kind::Section;
        line.Name = Lower(Trim(text.substr(1, close - 1)));
        section = i + 1;
      }
    } else if (const size_t equals = text.find('='); equals != std::string_view::npos) {
      const std::string_view name = Trim(text.substr(0, equals));
      if (!name.empty()) {
        line.Type = Kind::Key;
        line.Name = Lower(name);
      }
    }
    line.Section = section;
  }
}

std::optional<size_t> ProfileDocument::Find(std::string_view section, std::string_view key) const {
  const std::string sectionName = Lower(Trim(section));
  const std::string keyName = Lower(Trim(key));
  for (size_t i = 0; i < lines_.size(); ++i) {
    const Line& line = lines_[i];
    if (line.Type == Kind::Key && line.Section > 0 && line.Name == keyName &&
        lines_[line.Section - 1].Name == sectionName)
      return i;
  }
  return std::nullopt;
}

std::optional<std::string> ProfileDocument::Value(std::string_view section, std::string_view key) const {
  const std::optional<size_t> at = Find(section, key);
  if (!at) return std::nullopt;
  // A bare CR inside a line reads as the blank SetValue would store for it, so that a value read and
  // written back reads the same.
  std::string text = lines_[*at].Text.substr(lines_[*at].Text.find('=') + 1);
  std::replace(text.begin(), text.end(), '\r', ' ');
  std::string_view value = Trim(text);
  if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
    value = value.substr(1, value.size() - 2);
  return std::string(value);
}

std::vector<std::string> ProfileDocument::KeysOutsideSections() const {
  std::vector<std::string> keys;
  for (const Line& line : lines_) {
    if (line.Type == Kind::Key && line.Section == 0)
      keys.emplace_back(Trim(std::string_view(line.Text).substr(0, line.Text.find('='))));
  }
  return keys;
}

void ProfileDocument::SetValue(std::string_view section, std::string_view key, std::string_view value) {
  std::string stored(value);
  for (char& c : stored) {
    if (c == '\r' || c == '\n' || c == '\0') c = ' ';
  }
  if (!stored.empty() && (IsBlank(stored.front()) || IsBlank(stored.back()) ||
                          (stored.size() >= 2 && stored.front() == '"' && stored.back() == '"')))
    stored = '"' + stored + '"';

  if (const std::optional<size_t> at = Find(section, key)) {
    std::string& text = lines_[*at].Text;
    size_t valueStart = text.find('=') + 1;
    while (valueStart < text.size() && IsBlank(text[valueStart])) ++valueStart;
    text = text.substr(0, valueStart) + stored;
    return;
  }

  const std::string sectionName = Lower(Trim(section));
  size_t at = lines_.size();
  auto header = std::find_if(lines_.begin(), lines_.end(), [&](const Line& line) {
    return line.Type == Kind::Section && line.Name == sectionName;
  });
  if (header == lines_.end()) {
    if (!lines_.empty() && lines_.back().End.empty()) lines_.back().End = newLine_;
    lines_.push_back(AddedLine("[" + std::string(section) + "]"));
    at = lines_.size();
  } else {
    at = static_cast<size_t>(header - lines_.begin()) + 1;
    for (size_t i = at; i < lines_.size() && lines_[i].Type != Kind::Section; ++i) {
      if (lines_[i].Type != Kind::Blank) at = i + 1;
    }
    if (lines_[at - 1].End.empty()) lines_[at - 1].End = newLine_;
  }
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), AddedLine(std::string(key) + "=" + stored));
  Index();
}

void ProfileDocument::RemoveSection(std::string_view section) {
  const std::string sectionName = Lower(Trim(section));
  std::vector<Line> kept;
  bool removing = false;
  for (Line& line : lines_) {
    if (line.Type == Kind::Section) removing = line.Name == sectionName;
    if (!removing) kept.push_back(std::move(line));
  }
  lines_ = std::move(kept);
  Index();
}

std::vector<uint8_t> ProfileDocument::Bytes() const {
  std::string text;
  for (const Line& line : lines_) text += line.Text + line.End;
  std::vector<uint8_t> out;
  if (encoding_ == Encoding::Utf16Le || encoding_ == Encoding::Utf16Be) {
    const bool bigEndian = encoding_ == Encoding::Utf16Be;
    out.push_back(bigEndian ? 0xFE : 0xFF);
    out.push_back(bigEndian ? 0xFF : 0xFE);
    AppendUtf16(text, bigEndian, out);
    return out;
  }
  out.reserve(text.size() + 3);
  if (encoding_ == Encoding::Utf8WithMark) {
    for (const uint8_t byte : {0xEF, 0xBB, 0xBF}) out.push_back(byte);
  }
  out.insert(out.end(), text.begin(), text.end());
  return out;
}

}  // namespace kalo::config
