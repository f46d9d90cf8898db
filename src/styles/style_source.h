#pragma once
// The style source: a style written as text (header, channel set-ups, and per part its measures as
// step patterns per channel), and its compiler, which turns it into the three blocks of a style file.
// The README's "Writing styles" describes the notation. Compiling is deterministic: the same text
// always gives the same blocks, and so, through SerializeStyleFile, the same file bytes.

#include <string>
#include <string_view>
#include <vector>

#include "styles/style_file.h"

namespace kalo::styles {

struct SourceError {
  int Line = 0;  // 1-based line of the source
  std::string Message;

  bool operator==(const SourceError&) const = default;
};

struct CompiledStyle {
  std::string Name;                 // from the "style" line: the style's file name without ".vxs"
  StyleImage Image;                 // meaningful only when Errors is empty
  std::vector<SourceError> Errors;  // every mistake found, in line order

  bool Ok() const { return Errors.empty(); }
};

// Layout of the compiled stream: first the channel set-ups of the used channels as channel messages
// (bank, bank fine, program, then the other set controllers, then pressure), then the parts in part
// order, each over whole measures from its first byte to the next part's first byte. Inside a part,
// the events of a tick follow the delay bytes that reach it, note-offs before note-ons; delay runs
// are broken at every beat (every eighth in eighth-note metres), so that each beat and the entry
// offsets of beats 2 to 4 begin exactly at a byte. A note that lasts to the end of its part ends
// one tick earlier, so that every note of a part ends inside it (hold-over 1 on every channel).
CompiledStyle CompileStyleSource(std::string_view text);

// "<file>:<line>: <message>", one error a line.
std::string FormatSourceErrors(std::string_view file, const std::vector<SourceError>& errors);

}  // namespace kalo::styles
