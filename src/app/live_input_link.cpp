#include "app/live_input_link.h"

#include <algorithm>

#include "perform/chord_offset_tables.h"

namespace kalo::app {

uint8_t Arranger::LiveLink::ChannelFilter(uint8_t kind, uint8_t channel, uint8_t data1, uint8_t data2) {
  const int result = a_.engine_->ChannelFilter(kind, channel, data1, data2);
  return result == engine::kDropped ? 255 : static_cast<uint8_t>(result);
}

int Arranger::LiveLink::HeldScaleShift(int type, int pitchClass) const {
  return perform::ChordOffset(perform::kHeldScaleToneOffsets, type, pitchClass);
}

void Arranger::LiveLink::SetExternalClock(bool external) {
  if (a_.options_.SlaveMode == external) return;
  a_.options_.SlaveMode = external;
  a_.clock_->ApplySlaveMode();
}

void Arranger::LiveLink::SwitchSyncStart() {
  // The button acts while the sequencer is stopped only: a start already happened otherwise.
  if (Playing()) return;
  const bool external = a_.options_.SlaveMode;
  a_.SyncStart = a_.SyncStart != 0 ? 0 : external ? -1 : 1;
  // Armed for an external start, the clock waits for the master's Start; disarmed, it no longer does.
  if (external && (a_.SyncStart != 0) != (a_.clock_->StartWait != 0)) a_.engine_->ToggleSyncStart();
}

void Arranger::LiveLink::SetIntroMeasures(int measures) {
  a_.song_.Range.SetRecordStartMeasure(std::clamp(measures, -song::kMaxMeasure, song::kMaxMeasure));
}

}  // namespace kalo::app
