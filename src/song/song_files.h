#pragma once
// The main window's file commands for songs: Open (button, menu, F11), the demo song at first
// start, Save and Save as. Reads go through host::ReadFilePrefix, writes through
// host::WriteFileSafely, so a failed save leaves the old file as it was. Main thread only.

#include <cstdint>
#include <span>
#include <string>

#include "config/options.h"
#include "config/settings.h"
#include "host/dialogs.h"
#include "host/program_folder.h"
#include "song/song.h"

namespace kalo::song {

inline constexpr const char* kReplaceChordsAndMelodyQuestion = "Replace current chords & melody ?";
inline constexpr const char* kDemoSongName = "demo3.vxa";

// What saving tells when the memo holds characters the file's 8-bit text cannot (`characters`).
inline std::string UnstorableMemoMessage(const std::string& characters) {
  return "The memo holds characters an arrangement file cannot store (" + characters +
         "); they were saved as \"?\".";
}

// What loading and saving a song needs from the main window, the clock, the melody output and
// the style. Implemented by the application.
class SongFileHost {
 public:
  virtual ~SongFileHost() = default;
  // Stops playback or recording when the transport runs.
  virtual void StopTransport() = 0;
  // The main window's tempo field (25 to 250); setting it also sets the clock.
  virtual int Tempo() const = 0;
  virtual void SetTempo(int bpm) = 0;
  // Whether the style in use counts in eighth notes (a measure length of 4 then reads as "1/8").
  virtual bool EighthNoteStyle() const = 0;
  // The configuration's metrum choice (the song's measure length is set by the caller).
  virtual void SetMetrum(int metrumIndex) = 0;
  // The melody channel's program, kept in the song's header on saving.
  virtual uint8_t MelodyProgram() const = 0;
  // A program change on the melody channel when the melody output is open.
  virtual void SendMelodyProgram(uint8_t program) = 0;
  // Loads the style a song names: the stored path, else its file name under STYLES, else its part
  // from "styles" on under the program folder; "Style not found !" when none exists.
  virtual void LoadStyleByName(const std::string& path) = 0;
  // The path of the style in use, saved with the song; empty without one.
  virtual std::string CurrentStylePath() const = 0;
  virtual void SetCaption(const std::string& caption) = 0;
};

enum class SongLoad {
  Loaded,
  Refused,    // the player answered No
  Cancelled,  // no file chosen, or not a ".vxa" name
  Unreadable  // the file could not be read; nothing changed
};

class SongFiles {
 public:
  // `settings.Dir` is the folder of the last arrangement; `options` gives "Load song and style
  // together" and "Melody Ad Lib".
  SongFiles(Song& song, host::Dialogs& dialogs, SongFileHost& host, host::ProgramFolder folder,
            config::Settings& settings, const config::Options& options);

  // Open: stops the transport, asks kReplaceChordsAndMelodyQuestion over a song (not when the
  // function key started it), shows the open dialog and loads the chosen ".vxa" file.
  SongLoad Open(bool byFunctionKey);
  // The demo song under SONGS, without a dialog and without a question; a missing demo song is
  // no error at first start and changes nothing.
  SongLoad LoadDemoSong();
  // Reads and loads a file.
  SongLoad LoadFile(const std::string& path);
  // Loads a file's bytes: the song, the remembered file and folder, the caption, the style
  // (with autoload), the tempo, the measure length (unless a style came with the song), the
  // melody program, the play range (from the header's start measure when it is 1 to 8).
  void LoadFromBytes(const std::string& path, std::span<const uint8_t> bytes);

  // Save: without a song kChordmemoryEmptyMessage and nothing is written; else the transport
  // stops and the song goes to the current file, or to a chosen one when there is none yet.
  bool Save();
  // Save as: the save dialog in the folder of the last file, with its name.
  bool SaveAs();
  // Writes the song to `path` (".vxa" added when missing). The header record takes the play
  // start measure (when 1 to 8, else 0), the tempo, the measure length and the melody program,
  // and the style block the style in use; of a loaded song, each of these that the session still
  // holds as the load left it is written as the file held it (see LoadedFields). Memo characters
  // the file cannot hold are saved as '?' and named in a message.
  bool SaveTo(const std::string& path);

  // The last file opened or saved.
  const std::string& CurrentFile() const { return currentFile_; }

 private:
  Song& song_;
  host::Dialogs& dialogs_;
  SongFileHost& host_;
  host::ProgramFolder folder_;
  config::Settings& settings_;
  const config::Options& options_;
  std::string currentFile_;
};

}  // namespace kalo::song
