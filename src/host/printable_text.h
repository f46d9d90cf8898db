#pragma once
// Text taken from input (file names, chart tokens, titles) made safe to print on a terminal or in a
// message: nothing in it can start a new line, move the cursor, retitle the terminal or otherwise
// reach the terminal as a command.

#include <filesystem>
#include <string>
#include <string_view>

namespace kalo::host {

// text with every control character written out: \n, \r and \t as such, other C0 characters, DEL,
// C1 characters (U+0080 to U+009F) and bytes that are not part of valid UTF-8 as \xNN per byte.
// Printable UTF-8 (accents, "♯", "Δ") and the backslash stay as they are.
std::string PrintableText(std::string_view text);

// The path in double quotes, written as PrintableText writes it, so that a name cannot split or forge
// a line of a message.
std::string PrintableName(const std::filesystem::path& path);

}  // namespace kalo::host
