#pragma once
// Human- and machine-readable descriptions of an arrangement file, for the command line.

#include <string>

#include "config/settings.h"
#include "song/arrangement_file.h"

namespace kalo::song {

// Layout, header, length, measures, memo fields, style path, melody event count, then every beat
// record that holds a chord or a function ("<measure>:<beat> @<position> <chord> <function>"),
// with chord names and function texts; damaged bytes show as "invalid chord (root r, type t)" and
// "invalid function c/p" (in JSON: "valid":false), never as a chord they happen to name. Measures count in
// the header's measure length (4/4 when the header holds none of the metrum table); `keys` names the
// style-part functions.
std::string SongInfoText(const ParsedArrangement& song, const config::ControlKeyNotes& keys);
// The same as one JSON object.
std::string SongInfoJson(const ParsedArrangement& song, const config::ControlKeyNotes& keys);

}  // namespace kalo::song
