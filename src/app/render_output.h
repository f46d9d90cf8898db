#pragma once
// The output step of a render: what it captured (the messages sent on "Midiout", the tempo and metre)
// written as an event list, Standard MIDI Files and sound files (WAV, FLAC, Ogg Vorbis). Every kind of render
// (a style over a chord chart, a song) ends in this one step, so that each writes every file type. Main
// thread.

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <vector>

#include "app/offline_driver.h"
#include "app/render_progress.h"
#include "config/settings.h"
#include "midi/captured_message.h"

namespace kalo::app {

enum class RenderFileType { kStandardMidiFile, kWave, kFlac, kOgg };

// The type a file name asks for by its extension, in any letter case: ".mid" or ".midi" a Standard
// MIDI File, ".wav", ".flac" or ".ogg" sound; nullopt for anything else.
std::optional<RenderFileType> RenderFileTypeOf(const std::filesystem::path& path);

struct RenderTargets {
  std::string Events;                        // the event list's file; "-" standard output; empty none
  std::vector<std::filesystem::path> Files;  // Standard MIDI Files and sound files, told by extension
};

// Why `targets` cannot be written, for a check before rendering: nothing to write, or a file whose
// type its name does not tell or that KALO cannot write. Empty when they can.
std::string RenderTargetsProblem(const RenderTargets& targets);

// What a render played, as the output step writes it.
struct RenderedMusic {
  // The messages sent on "Midiout", in the order sent, ticks at 24 per quarter note.
  std::span<const midi::CapturedMessage> Messages;
  std::span<const midi::TempoChange> Tempo;  // the tempo from tick 0 on, then each change
  // The metre from tick 0 on, then each change; empty for 4/4 throughout.
  std::span<const midi::TimeSignatureChange> TimeSignatures;
  int64_t EndTick = -1;  // where the music ends; -1: at the last message
};

// The music of an offline run: what it sent on "Midiout", its tempo and metre, its ticks.
RenderedMusic MusicOf(const OfflineCapture& capture);

// The name of each channel's track in a Standard MIDI File: "Drums" for channel 10, else the General
// MIDI name of the first program the channel was given (empty where it was given none).
std::array<std::string, 16> InstrumentTrackNames(std::span<const midi::CapturedMessage> messages);

// Where the output step writes besides its files.
struct RenderConsole {
  std::ostream& Out;  // the event list when it goes to standard output
  std::ostream& Err;  // failures and warnings, one "kalo render: ..." line each
  RenderProgress& Progress;
};

// The sample rate of rendered WAV files.
inline constexpr int kRenderSampleRate = 44100;

// Writes every target from `music`. A Standard MIDI File has a track per channel named after its
// instrument and a note-off for every note at the moment its sound ended. A sound file is rendered
// offline through the built-in synthesizer with the soundfont of `settings` (its SoundFont key named
// when it is missing), as fast as the machine allows; a render that had to clip samples is reported, and
// so is a WAV file too long for the WAVE format (written as RF64). Every target is tried even when one
// fails; true when all were written.
bool WriteRenderTargets(const RenderTargets& targets, const RenderedMusic& music,
                        const config::Settings& settings, const RenderConsole& console);
// The same for messages and a tempo map alone (4/4, ending at the last message).
bool WriteRenderTargets(const RenderTargets& targets, std::span<const midi::CapturedMessage> messages,
                        std::span<const midi::TempoChange> tempo, const config::Settings& settings,
                        const RenderConsole& console);

}  // namespace kalo::app
