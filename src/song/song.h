#pragma once
// The song the main window holds: the Chordmemory, the melody track, the song memo, the play range
// and the song position. One instance for the whole run; main thread only.

#include <optional>
#include <string>

#include "host/dialogs.h"
#include "song/chordmemory.h"
#include "song/melody_track.h"
#include "song/play_range.h"

namespace kalo::song {

inline constexpr const char* kDefaultCopyright = "Copyright \u00A9 ...";
inline constexpr const char* kChordmemoryEmptyMessage = "Chordmemory is empty !";
inline constexpr const char* kClearChordmemoryQuestion = "Clear Chordmemory ?";

// The song memo (UTF-8 text): four single-line fields and the comment text.
struct SongMemo {
  std::string Title;
  std::string Subtitle;
  std::string Author;
  std::string Copyright = kDefaultCopyright;
  std::string Comments;
  bool operator==(const SongMemo&) const = default;
};

// What a song file held beside its chords and what the session made of it, right after the file
// was loaded: saving writes each value back as the file held it unless the session's value changed
// since (the user chose another tempo, measure, instrument or style), so that opening and saving
// keeps what it does not touch, values the session could not take included.
struct LoadedFields {
  ChordmemoryHeader Header;  // the header record as read
  std::string StylePath;     // the style block's path as stored (empty without a style block)
  bool HasStyleBlock = false;
  // The session's values right after the load.
  int FromMeasure = 1;
  int Tempo = 0;
  int MeasureLength = 16;
  int MelodyProgram = 0;
  std::string CurrentStyle;
};

class Song {
 public:
  Chordmemory Chords = Chordmemory::Cleared();
  MelodyTrack Melody;
  SongMemo Memo;
  PlayRange Range;
  // The song position: the byte position of the current beat record (+4 per beat).
  int Position = kSongStart;
  // Recording stores nothing below this position.
  int FirstWritePosition = kSongStart;
  // Set by loading a file, cleared by Clear.
  std::optional<LoadedFields> Loaded;

  // Clear: positions to the song start, play range to measure 1, the Chordmemory cleared (STOP in
  // beat record 1), the melody track emptied and the loaded file's values forgotten. The memo and
  // the record start measure stay.
  void Clear();
  // "&New" / "&Clear" (the caller stops the transport first): with a song, asks
  // kClearChordmemoryQuestion and changes nothing on No; then Clear and an empty memo (copyright
  // back to its default). Returns whether the song was cleared.
  bool ClearAsked(host::Dialogs& dialogs);
  // Operations that need a song (Save, Play && Overwrite, Punch in, the editor's copies): false
  // after kChordmemoryEmptyMessage when the Chordmemory is empty.
  bool RequireSong(host::Dialogs& dialogs) const;
  // The metrum choice changed to one with `measureLength`: the play range follows (see
  // PlayRange::ChangeMeasureLength).
  bool SetMeasureLength(int measureLength) { return Range.ChangeMeasureLength(measureLength, Chords.Length); }
};

}  // namespace kalo::song
