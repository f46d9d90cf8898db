#pragma once
// What every command does with the files and texts it is given: read inputs whole or refuse them with
// the reason, refuse an output that would overwrite an input or cannot be written before any work
// starts, and print every name and token from input escaped, so that no input can forge a line of a
// message or reach the terminal as a command.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/render_output.h"

namespace kalo::cli {

// Prints "<command>: <text>" as one line on standard error, with control characters in text written
// out (host::PrintableText).
void Say(std::string_view command, std::string_view text);

// The bytes of the regular file at path, whole. Anything else is refused after saying why: a file
// that cannot be read (with the system's reason), that is not a regular file, or that holds more
// than maxBytes (with its size; `what` names what it should have been, e.g. "a style file").
std::optional<std::vector<uint8_t>> ReadWholeInput(std::string_view command,
                                                   const std::filesystem::path& path, size_t maxBytes,
                                                   std::string_view what);

// A text given on the command line, or, when it starts with '@', the whole file named after it
// (refused as ReadWholeInput refuses, beyond kMaxArgumentFileBytes). `what` names the text in the
// messages ("the chart", "the melody").
inline constexpr size_t kMaxArgumentFileBytes = size_t{16} << 20;
std::optional<std::string> ArgumentText(std::string_view command, const std::string& given,
                                        std::string_view what);

// The style file at path, read whole; refused (nullopt, after saying why) when it is not a style
// that can be played.
std::optional<std::vector<uint8_t>> ReadStyleInput(std::string_view command,
                                                   const std::filesystem::path& path);

struct InputFile {
  std::filesystem::path Path;  // empty: not given
  std::string Role;            // "the song", "the style source", ...
};

struct OutputFile {
  std::filesystem::path Path;
  bool DeviceAllowed = false;  // a character device (/dev/null, a terminal) may take it
};

// Whether every output may be written, checked before the work starts: each can be created or
// replaced (host::OutputProblem), none is the same file (device and inode) as an input or as another
// output. Says the first problem and returns false.
bool OutputsUsable(std::string_view command, const std::vector<InputFile>& inputs,
                   const std::vector<OutputFile>& outputs);
// The same for the files of a render: the event list (a character device may take it; "-" is
// standard output) and every -o file.
bool RenderTargetsUsable(std::string_view command, const std::vector<InputFile>& inputs,
                         const app::RenderTargets& targets);

}  // namespace kalo::cli
