#pragma once
// The fixed-size records of a style: the per-channel set-up, the style header and the part record,
// with their little-endian encodings (the byte layout of style and work files), the part numbers,
// names and successors, and the metre rules of the measure-length field.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "styles/byte_io.h"

namespace kalo::styles {

// The style event stream: bytes that may hold material, and bytes allocated (the ten extra bytes let
// a three-byte message be written at offset kStreamCapacity without leaving the buffer).
inline constexpr int32_t kStreamCapacity = 165500;
inline constexpr int32_t kStreamAllocation = 165510;
// A play-window offset that stands for "no limit".
inline constexpr int32_t kNoLimit = 165500;

inline constexpr int kChannelCount = 16;
inline constexpr int kPartCount = 8;
inline constexpr size_t kChannelSetupSize = 98;
inline constexpr size_t kStyleHeaderSize = 1593;
inline constexpr size_t kStylePartSize = 66;
inline constexpr size_t kPartTableSize = kPartCount * kStylePartSize;  // 528

inline constexpr uint8_t kNotSet = 255;  // a channel set-up entry that holds no value
inline constexpr uint16_t kVariationMarker = 253;
inline constexpr int kProgramEntry = 96;
inline constexpr int kPressureEntry = 97;

// Part numbers.
enum Part : int {
  kIntro = 0,
  kBasic = 1,
  kExtended = 2,
  kEnding = 3,
  kFillInBasic = 4,
  kFillInExtended = 5,
  kToExtended = 6,
  kToBasic = 7,
};
inline constexpr std::array<std::string_view, kPartCount> kPartNames = {
    "Intro", "Basic", "Extended", "Ending", "Fill in Basic", "Fill in Extended", "To Extended", "To Basic"};
// What follows each part at its end: a part number, 0 = the part repeats, 254 = playing stops,
// 255 = back to the return part.
inline constexpr uint8_t kSuccessorRepeat = 0;
inline constexpr uint8_t kSuccessorStop = 254;
inline constexpr uint8_t kSuccessorReturn = 255;
inline constexpr std::array<uint8_t, kPartCount> kPartSuccessor = {1, 0, 0, 254, 255, 255, 2, 1};

// The part number of a part name (exact, case-insensitive), or nullopt.
std::optional<int> PartNumberOf(std::string_view name);

// The controllers that recording and chasing keep in a channel set-up.
inline constexpr std::array<uint8_t, 7> kStoredControllers = {0, 7, 10, 11, 32, 91, 93};
// The entries taken, in this order, when a set-up is applied to the live sound state.
inline constexpr std::array<uint8_t, 13> kAppliedEntries = {0, 32, 1, 7, 10, 11, 64, 66, 67, 91, 93, 96, 97};

bool IsStoredController(int controller);

struct TChannelSetup {
  // Entries 0..95: last value of that controller; 96: program; 97: channel pressure; 255 = not set.
  std::array<uint8_t, kChannelSetupSize> Values;

  TChannelSetup() { Values.fill(kNotSet); }
  bool operator==(const TChannelSetup&) const = default;
};

// "Tempo Detection" takes a style's tempo only within the tempo field's range (beats per minute).
inline constexpr int kLowestDetectedTempo = 25;
inline constexpr int kHighestDetectedTempo = 250;

struct TStyleHeader {
  std::array<TChannelSetup, kChannelCount> Channels{};
  std::array<uint8_t, kChannelCount> ChannelUsed{};  // non-zero: the stream holds notes of the channel
  int16_t Tempo = 0;                                 // beats per minute
  int16_t IntroMeasures = 0;
  int16_t MeasureLength = 0;  // L; 0 reads as 16; negative: eighth-note metre with L = |value|
  uint8_t Converted = 0;
  uint8_t SuppressControllers = 0;
  uint8_t Override = 0;

  bool Used(int channel) const { return ChannelUsed[static_cast<size_t>(channel)] != 0; }
  bool operator==(const TStyleHeader&) const = default;
};

struct TStylePart {
  int16_t FirstMeasure = 0;  // above 0: the part exists
  int16_t LastMeasure = 0;
  int16_t Beat = 0;  // beat of the first measure at which the part begins, 1-based
  std::array<uint8_t, 6> Reserved{};
  int32_t StartOffset = 0;  // byte offsets into the event stream; the end is exclusive
  int32_t EndOffset = 0;
  uint16_t Variation = 0;                 // kVariationMarker: a fill that repeats as a variation
  std::array<int32_t, 3> EntryOffsets{};  // where to begin when entered on beat 2, 3, 4
  std::array<uint8_t, kChannelCount> Mute{};
  std::array<uint8_t, kChannelCount> CutNotes{};  // "Cut Notes State"

  bool Exists() const { return FirstMeasure > 0; }
  bool HasVariationMarker() const { return Variation == kVariationMarker; }
  bool operator==(const TStylePart&) const = default;
};

using PartTable = std::array<TStylePart, kPartCount>;

// Encodings. A decoder takes exactly its record's size; a short source is the caller's business
// (see DecodeHeaderPrefix and DecodePartTablePrefix).
void EncodeHeader(const TStyleHeader& header, ByteWriter& out);
void EncodePartTable(const PartTable& parts, ByteWriter& out);
TStyleHeader DecodeHeader(std::span<const uint8_t, kStyleHeaderSize> bytes);
PartTable DecodePartTable(std::span<const uint8_t, kPartTableSize> bytes);
// Decodes what a (possibly short) prefix holds; missing bytes keep the reset values (255 for the
// channel set-ups, 0 elsewhere).
TStyleHeader DecodeHeaderPrefix(std::span<const uint8_t> bytes);
PartTable DecodePartTablePrefix(std::span<const uint8_t> bytes);

// The measure length of a stored value: L and whether the metre counts in eighth notes. 0 and every
// value whose magnitude is not a measure length of the metre list read as 16 (4/4).
struct Metre {
  int MeasureLength = 16;  // four units per beat
  bool EighthNotes = false;

  bool operator==(const Metre&) const = default;
};
Metre MetreOf(int16_t storedMeasureLength);
bool IsValidMeasureLength(int measureLength);
// The stored form of a metre (negative for eighth-note metres).
int16_t StoredMeasureLength(const Metre& metre);
// The index of the metre list for L: the first entry with that length, except that an eighth-note
// metre prefers the eighth-note entries ("6/8" for 12, "1/8" for 4).
int MetrumIndexFor(const Metre& metre);
// Ticks per measure: (L div 4) × 24.
inline int TicksPerMeasure(int measureLength) { return (measureLength / 4) * 24; }

}  // namespace kalo::styles
