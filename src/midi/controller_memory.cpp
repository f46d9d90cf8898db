#include "midi/controller_memory.h"

#include "midi/midi_status.h"

namespace kalo::midi {

namespace {
constexpr std::array<bool, 96> MakeRememberedTable() {
  std::array<bool, 96> table{};
  for (int controller : {0, 7, 10, 11, 32, 91, 93}) table[static_cast<size_t>(controller)] = true;
  return table;
}
constexpr std::array<bool, 96> kRemembered = MakeRememberedTable();

bool InRange(int channel, int entry) {
  return channel >= 0 && channel < ControllerMemory::kChannels && entry >= 0 &&
         entry < ControllerMemory::kEntries;
}
}  // namespace

ControllerMemory::ControllerMemory() {
  Reset();
  ResetSnapshot();
}

bool ControllerMemory::IsRemembered(int controller) {
  return controller >= 0 && controller < 96 && kRemembered[static_cast<size_t>(controller)];
}

bool ControllerMemory::CheckEntry(int channel, int entry, uint8_t value, bool onlyIfUnknown) noexcept {
  std::atomic<uint8_t>& slot = values_[static_cast<size_t>(channel)][static_cast<size_t>(entry)];
  uint8_t stored = slot.load(std::memory_order_relaxed);
  if (stored == value) return false;
  if (onlyIfUnknown && stored != kNeverSet) return true;
  slot.store(value, std::memory_order_relaxed);
  return true;
}

bool ControllerMemory::Check(uint8_t status, uint8_t data1, uint8_t data2, bool onlyIfUnknown) noexcept {
  int channel = status & 0x0F;
  switch (status & 0xF0) {
    case kControlChange:
      if (!IsRemembered(data1)) return true;
      return CheckEntry(channel, data1, data2, onlyIfUnknown);
    case kProgramChange:
      return CheckEntry(channel, kProgramEntry, data1, onlyIfUnknown);
    case kChannelPressure:
      return CheckEntry(channel, kPressureEntry, data1, onlyIfUnknown);
    default:
      return true;
  }
}

void ControllerMemory::Reset() {
  for (auto& channel : values_) {
    for (auto& entry : channel) entry.store(kNeverSet, std::memory_order_relaxed);
  }
}

void ControllerMemory::ResetSnapshot() {
  for (auto& channel : snapshot_) channel.fill(kNeverSet);
}

void ControllerMemory::TakeSnapshot() {
  for (size_t c = 0; c < kChannels; ++c) {
    for (size_t e = 0; e < kEntries; ++e) snapshot_[c][e] = values_[c][e].load(std::memory_order_relaxed);
  }
}

uint8_t ControllerMemory::Value(int channel, int entry) const {
  if (!InRange(channel, entry)) return kNeverSet;
  return values_[static_cast<size_t>(channel)][static_cast<size_t>(entry)].load(std::memory_order_relaxed);
}

uint8_t ControllerMemory::SnapshotValue(int channel, int entry) const {
  if (!InRange(channel, entry)) return kNeverSet;
  return snapshot_[static_cast<size_t>(channel)][static_cast<size_t>(entry)];
}

void ControllerMemory::SetValue(int channel, int entry, uint8_t value) {
  if (!InRange(channel, entry)) return;
  values_[static_cast<size_t>(channel)][static_cast<size_t>(entry)].store(value, std::memory_order_relaxed);
}

std::string ControllerMemory::Format(uint8_t value) {
  return value == kNeverSet ? std::string() : std::to_string(value);
}

}  // namespace kalo::midi
