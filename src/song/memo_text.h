#pragma once
// The song memo as the arrangement file keeps it: one 8-bit text (Windows-1252, lines separated by
// CR LF) whose last four lines, when it has more than three, are the title, subtitle, author and
// copyright line; the lines before them are the comment text. In memory the memo is UTF-8.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "song/song.h"

namespace kalo::song {

// The memo buffer of a reader: longer memo blocks are read only this far.
inline constexpr size_t kMemoBufferSize = 1500;

// File text (up to its first NUL byte) as UTF-8; every byte has a character.
std::string DecodeFileText(std::span<const uint8_t> bytes);
// UTF-8 as file text; characters without a Windows-1252 byte (and broken UTF-8) become '?'.
std::vector<uint8_t> EncodeFileText(const std::string& text);
// The characters of UTF-8 text that file text cannot hold (each once, in order; broken UTF-8 as
// U+FFFD), which EncodeFileText would turn into '?'. Empty when the text is stored as it stands.
std::string UnstorableCharacters(const std::string& text);

// Splits a memo text into the fields. Lines end at CR LF, LF or CR; a line break at the very end
// starts no further line. With three lines or fewer the whole text is the comment text and the
// fields keep their empty values (copyright: its default).
SongMemo MemoFromText(const std::string& text);

// The file bytes of a memo: the comment text and a line break (when there are comments), then the
// four fields, each followed by CR LF; line breaks inside a field become blanks. At most
// kMemoBufferSize bytes: a longer memo loses the end of its comment text first, and only when the
// four lines alone do not fit is each field cut to 255 bytes. `shortened` tells whether anything
// was cut.
std::vector<uint8_t> MemoFileBytes(const SongMemo& memo, bool& shortened);

}  // namespace kalo::song
