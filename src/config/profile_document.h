#pragma once
// The text of a profile (INI) file, read as the Windows profile functions read it and kept line by
// line: setting a value changes that value alone, and every other byte of the file stays as it was
// (comments, blank lines, keys and sections of others, their order, line ends, the text encoding).

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kalo::config {

class ProfileDocument {
 public:
  // The text encoding of the file, kept when it is written again. UTF-16 files (as Windows editors
  // save them) are recognised by their byte-order mark.
  enum class Encoding { Utf8, Utf8WithMark, Utf16Le, Utf16Be };

  ProfileDocument() = default;

  // The document held in bytes, or nullopt when they are no profile: UTF-16 text with an odd byte or
  // a broken character, or text with a line that is not blank but no line that is a key
  // ("name=value"), a section ("[name]") or a comment (";" or "#" first).
  static std::optional<ProfileDocument> Parse(std::span<const uint8_t> bytes);

  // The value of key in section: from the first key line of that name, in file order, in any section
  // of that name (names are compared without regard to ASCII case and blanks around them); blanks
  // around the value and one pair of enclosing double quotes removed. nullopt when there is none.
  std::optional<std::string> Value(std::string_view section, std::string_view key) const;

  // The keys that stand before any section header, as written (blanks around removed), in file order:
  // no section holds them, so Value never reads them.
  std::vector<std::string> KeysOutsideSections() const;

  // Sets key in section. The line Value reads is changed in place (its spelling of the key, the
  // blanks after "=" and its line end kept); otherwise a line is added after the last line that is
  // not blank in the first section of that name, or at the end of the document under a new section
  // header. Line breaks in value become blanks; a value that would not read back as it is (blanks at
  // either end, or enclosed in double quotes) is written in double quotes.
  void SetValue(std::string_view section, std::string_view key, std::string_view value);

  // Removes every section of that name (compared as Value compares it): its header and all lines up
  // to the next section header, as the profile functions delete a section.
  void RemoveSection(std::string_view section);

  // The document in its encoding.
  std::vector<uint8_t> Bytes() const;
  Encoding TextEncoding() const { return encoding_; }

 private:
  enum class Kind { Blank, Other, Comment, Section, Key };
  struct Line {
    std::string Text;  // without its line end; UTF-8 in a UTF-16 document
    std::string End;   // "\r\n", "\n", or "" for a last line without one
    Kind Type = Kind::Other;
    std::string Name;    // a section's or a key's name in lower case, blanks around removed
    size_t Section = 0;  // the section a line belongs to: its header's index + 1; 0 before any
  };

  Line AddedLine(std::string text) const;
  // Classifies every line and finds which section each belongs to.
  void Index();
  // The index of the line Value(section, key) reads.
  std::optional<size_t> Find(std::string_view section, std::string_view key) const;

  std::vector<Line> lines_;
  Encoding encoding_ = Encoding::Utf8;
  std::string newLine_ = "\n";  // the end of added lines: the document's first line end
};

}  // namespace kalo::config
