// The song's menu commands on the arranger: New and Clear, and the melody menu. Main thread.

#include <random>

#include "app/arranger.h"
#include "app/arranger_links.h"
#include "app/song_side.h"

namespace kalo::app {

namespace {

// The indicator while the melody records: blue in Slave Mode, black otherwise (0x00BBGGRR).
constexpr uint32_t kMelodyRecordSlaveColour = 0xFF0000;
constexpr uint32_t kMelodyRecordColour = 0x000000;

}  // namespace

bool Arranger::ClearSong() {
  if (engine_->StylePlaying() || engine_->SongState != 0) engine_->Stop();
  if (!song_.ClearAsked(host_.Dialogs)) return false;
  songFilesLink_->SetCaption(host::kApplicationTitle);
  return true;
}

void Arranger::ToggleMelodyRecord() {
  song::MelodyTrack& melody = song_.Melody;
  const bool running = engine_->StylePlaying() || engine_->SongState != 0;
  if (!melody.ToggleRecord(running, host_.Dialogs) || !melody.Record) return;
  melody.Channel = mixer_->KeyboardChannel();
  host_.Display.SetBeatIndicator(options_.SlaveMode ? kMelodyRecordSlaveColour : kMelodyRecordColour, "R");
}

void Arranger::SetMelodyPlay(bool on) { song_.Melody.SetPlay(on, songSide_->MelodyOut()); }

void Arranger::DeleteMelody() { song_.Melody.Delete(host_.Dialogs); }

void Arranger::QuantizeMelody(song::QuantizeGrid grid) {
  if (engine_->StylePlaying() || engine_->SongState != 0) engine_->Stop();
  if (song_.Melody.Empty()) return;
  // Humanizing differs from one quantization to the next, as a clock seed would make it.
  song_.Melody.Quantize(grid, std::random_device{}());
}

}  // namespace kalo::app
