#pragma once
// The last value sent or received per channel for the remembered controllers, the program and the
// channel pressure, used to drop redundant controller and program messages. Written by the input
// driver thread and the main thread without a lock: every entry is one byte, written atomically.

#include <array>
#include <atomic>
#include <cstdint>
#include <string>

namespace kalo::midi {

class ControllerMemory {
 public:
  static constexpr int kChannels = 16;
  static constexpr int kEntries = 98;  // controllers 0-95, program, channel pressure
  static constexpr int kProgramEntry = 96;
  static constexpr int kPressureEntry = 97;
  static constexpr uint8_t kNeverSet = 255;

  ControllerMemory();  // every entry kNeverSet, also in the snapshot

  // True for the controllers whose value is remembered (0, 7, 10, 11, 32, 91, 93).
  static bool IsRemembered(int controller);

  // Decides whether a channel message is redundant (false) or passes (true), remembering the new
  // value where it passes. With onlyIfUnknown a value is stored only while its entry is unset.
  // Driver thread or main thread; never blocks or allocates.
  bool Check(uint8_t status, uint8_t data1, uint8_t data2, bool onlyIfUnknown) noexcept;

  void Reset();          // every entry to kNeverSet
  void ResetSnapshot();  // every snapshot entry to kNeverSet
  void TakeSnapshot();   // copy the memory into the snapshot

  // Out-of-range channel or entry reads kNeverSet and writes nothing.
  uint8_t Value(int channel, int entry) const;
  uint8_t SnapshotValue(int channel, int entry) const;
  void SetValue(int channel, int entry, uint8_t value);

  // The entry as text for display: the number, or an empty text for kNeverSet.
  static std::string Format(uint8_t value);

 private:
  bool CheckEntry(int channel, int entry, uint8_t value, bool onlyIfUnknown) noexcept;

  std::array<std::array<std::atomic<uint8_t>, kEntries>, kChannels> values_;
  std::array<std::array<uint8_t, kEntries>, kChannels> snapshot_;
};

}  // namespace kalo::midi
