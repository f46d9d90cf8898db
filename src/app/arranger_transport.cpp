#include "app/arranger.h"

namespace kalo::app {

void Arranger::Play() {
  // Live play: the clock runs, and the first chord or part key starts the style.
  if (clock_->ClockState == 0) clock_->ToggleClock();
}

void Arranger::Record() {
  // Recording the Chordmemory belongs to the song side, which fills this command.
}

}  // namespace kalo::app
