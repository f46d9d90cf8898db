#pragma once
// The output step of a render: what it captured (the messages sent on "Midiout" and the tempo changes)
// written as an event list, Standard MIDI Files and WAV files. Every kind of render (a style over a
// chord chart, a song) ends in this one step, so that each writes every file type. Main thread.

#include <filesystem>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <vector>

#include "app/render_progress.h"
#include "config/settings.h"
#include "midi/captured_message.h"

namespace kalo::app {

enum class RenderFileType { kStandardMidiFile, kWave };

// The type a file name asks for by its extension, in any letter case: ".mid" or ".midi" a Standard
// MIDI File, ".wav" a WAV file; nullopt for anything else.
std::optional<RenderFileType> RenderFileTypeOf(const std::filesystem::path& path);

struct RenderTargets {
  std::string Events;                        // the event list's file; "-" standard output; empty none
  std::vector<std::filesystem::path> Files;  // Standard MIDI Files and WAV files, told by extension
};

// Why `targets` cannot be written, for a check before rendering: nothing to write, or a file whose
// type its name does not tell. Empty when they can.
std::string RenderTargetsProblem(const RenderTargets& targets);

// Where the output step writes besides its files.
struct RenderConsole {
  std::ostream& Out;  // the event list when it goes to standard output
  std::ostream& Err;  // failures and warnings, one "kalo render: ..." line each
  RenderProgress& Progress;
};

// The sample rate of rendered WAV files.
inline constexpr int kRenderSampleRate = 44100;

// Writes every target from `messages` (in the order sent, ticks at 24 per quarter note) and `tempo`
// (the tempo from tick 0 on, then each change). A WAV file is rendered offline through the built-in
// synthesizer with the soundfont of `settings` (its SoundFont key named when it is missing), as fast
// as the machine allows; a render that had to clip samples is reported. Every target is tried even
// when one fails; true when all were written.
bool WriteRenderTargets(const RenderTargets& targets, std::span<const midi::CapturedMessage> messages,
                        std::span<const midi::TempoChange> tempo, const config::Settings& settings,
                        const RenderConsole& console);

}  // namespace kalo::app
