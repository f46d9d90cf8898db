#pragma once
// The song the main window holds: the Chordmemory, the melody track, the song memo, the play range
// and the song position. One instance for the whole run; main thread only.

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

  // Clear: positions to the song start, play range to measure 1, the Chordmemory cleared (STOP in
  // beat record 1) and the melody track emptied. The memo and the record start measure stay.
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
