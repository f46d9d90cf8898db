#pragma once
// A style song (styles/style_song.h) played offline: a session of its own with the settings given, the
// style as the Style-Creator holds it, the song's Chordmemory, Play, and everything sent on "Midiout"
// captured with its tick. The live session is not touched, so exporting and repairing work while it
// plays. Main thread.

#include <array>
#include <filesystem>
#include <optional>
#include <string>

#include "app/offline_driver.h"
#include "config/settings.h"
#include "host/program_folder.h"
#include "styles/style.h"
#include "styles/style_song.h"

namespace kalo::app {

// What a style song played: the messages and tempi of "Midiout", or why it could not be played.
struct StyleSongRender {
  OfflineCapture Capture;
  std::string Error;  // empty when it played
};

// Plays `song` over the style's header, stream and the song's part records, at `tempo` (25..250),
// with the session's `settings` except that the intro follows the song and the Harmonic Pad is off:
// the pad is the player's own voice over the chord held, not part of the style, and a style exported
// with it would bring it back as a style channel when the file is imported again.
StyleSongRender RenderStyleSong(const config::Settings& settings, const host::ProgramFolder& folder,
                                const styles::Style& style, const styles::StyleSong& song, int tempo);

// Where each part played in a render, as measures from 1 (0 0 for a part that did not play or did not
// begin on a bar line): the first run of each part.
std::array<styles::LoadedMeasures, styles::kPartCount> PartsPlayed(const OfflineCapture& capture,
                                                                   int64_t measureTicks);

// Writes what a style song played as a Standard MIDI File through the render's MIDI writer. nullopt on
// success, else the reason.
std::optional<std::string> WriteStyleSongMidi(const std::filesystem::path& path,
                                              const StyleSongRender& render);

}  // namespace kalo::app
