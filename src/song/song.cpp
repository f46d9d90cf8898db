#include "song/song.h"

namespace kalo::song {

void Song::Clear() {
  Position = kSongStart;
  FirstWritePosition = kSongStart;
  Range.SetFromMeasure(1);
  Range.SetToMeasure(1);
  Chords.Clear();
  Melody.Clear();
  Loaded.reset();
}

bool Song::ClearAsked(host::Dialogs& dialogs) {
  if (!Chords.Empty() && !dialogs.Ask(kClearChordmemoryQuestion)) return false;
  Clear();
  Memo = SongMemo{};
  return true;
}

bool Song::RequireSong(host::Dialogs& dialogs) const {
  if (!Chords.Empty()) return true;
  dialogs.Inform(kChordmemoryEmptyMessage);
  return false;
}

}  // namespace kalo::song
