#pragma once
// Human- and machine-readable descriptions of a style file, for the command line.

#include <optional>
#include <string>

#include "styles/style_file.h"

namespace kalo::styles {

// Version word, tempo, metre, intro measures, flags, used channels with their set-ups, every part,
// stream length; one item per line.
std::string StyleInfoText(const ParsedStyleFile& style);
// The same as one JSON object.
std::string StyleInfoJson(const ParsedStyleFile& style);
// Every channel message of the stream, or of part `part` (start to end offset), one line
// "<tick> <status> <data1> <data2>" in decimal, ticks counted from the start of the range.
std::string StyleEventsText(const ParsedStyleFile& style, std::optional<int> part);

}  // namespace kalo::styles
