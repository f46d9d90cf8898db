#include "app/arranger.h"

namespace kalo::app {

// Live play: the clock is switched on when it is off, so that the first chord starts the style.
void Arranger::Play() {
  if (clock_->ClockState == 0) clock_->ToggleClock();
}

// Recording the Chordmemory belongs to the song side, which fills this command in.
void Arranger::Record() {}

}  // namespace kalo::app
