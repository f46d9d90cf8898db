#pragma once
// The Chordmemory: the song as one fixed buffer of 4-byte records. Record 0 is the header, records
// 1, 2, 3 ... are beat records, one per quarter note. A record's byte position (4 × its index) is
// the song position. The arrangement and work files store the buffer byte for byte, so this layout
// is a file format.
//
// A plain value owned once by the main window; every method runs on the main thread (the tick's
// writes arrive there too) and none allocates. Positions that are not record positions read as an
// empty record and are never written, so no caller can reach outside the buffer.

#include <array>
#include <cstddef>
#include <cstdint>

#include "perform/chord.h"

namespace kalo::song {

// Bytes reserved: the largest block a file may load.
inline constexpr size_t kChordmemoryBufferSize = 12010;
// The working area that clearing zeroes and recording may reach (records 0 to 3000). Recording
// and playback stop when the song position reaches it.
inline constexpr int kChordmemoryWorkingSize = 12004;
inline constexpr int16_t kEmptyChordmemoryLength = 4;
inline constexpr int kRecordBytes = 4;
// Position of beat record 1, measure 1 beat 1.
inline constexpr int kSongStart = 4;

// Function codes of a beat record; codes 1 to 250 are style-part key notes (parameter 12).
inline constexpr uint8_t kNoFunction = 0;
inline constexpr uint8_t kSoloMuteFunction = 251;
inline constexpr uint8_t kTransposeFunction = 252;
inline constexpr uint8_t kLoopFunction = 253;
inline constexpr uint8_t kTempoFunction = 254;
inline constexpr uint8_t kStopFunction = 255;
inline constexpr uint8_t kPartKeyParameter = 12;
// Loop parameters: 0 to 100 close a loop, 100 + n opens one played n times.
inline constexpr uint8_t kLoopStartBase = 100;
inline constexpr int kMaxLoopPasses = 100;

// Whether a function code and its parameter mean something: the parameter lies in the range the
// code's table gives (solo 1..16, the melody 220/221, channel mutes and unmutes of channels 1..16,
// mute all; transpositions of -11..11; loop ends and loops of 1..100 passes; tempi the tempo field
// takes). Style-part keys (1..250) and STOP take any parameter. Playback ignores what is not valid.
bool ValidFunction(uint8_t code, uint8_t parameter);

struct BeatRecord {
  uint8_t Root = 0;  // MIDI note of the chord root; 0 = no chord on this beat
  uint8_t Type = 0;  // chord type 1..17; 0 = no chord (a root alone means nothing)
  uint8_t Function = kNoFunction;
  uint8_t Parameter = 0;

  bool HasRoot() const { return Root != 0; }
  // A chord that can sound: a root note 1..127 and a chord type 1..17.
  bool HasChord() const { return Root >= 1 && Root <= 127 && perform::IsChordType(Type); }
  // Root and type both given, but outside their ranges: damaged bytes, neither a chord nor a rest.
  bool InvalidChord() const { return Root != 0 && Type != 0 && !HasChord(); }
  bool operator==(const BeatRecord&) const = default;
};

// The header record.
struct ChordmemoryHeader {
  uint8_t StartMeasure = 0;   // first measure of playback after loading, used only when 1 to 8
  uint8_t Tempo = 0;          // beats per minute
  uint8_t MeasureLength = 0;  // steps (sixteenths) per measure
  uint8_t MelodyProgram = 0;  // program sent to the melody channel after loading a melody
  bool operator==(const ChordmemoryHeader&) const = default;
};

// The bytes a chord is stored as: root and type when the chord is real (root 1..127, type 1..17),
// else both 0 — so that "no chord" (root 128) is never written as a root.
BeatRecord StoredChord(const perform::Chord& chord);

struct Chordmemory {
  // Bytes in use, header included; 4 = header only. Below 5 the Chordmemory counts as empty.
  // Files may give any value from 0 to the buffer size.
  int16_t Length = kEmptyChordmemoryLength;
  std::array<uint8_t, kChordmemoryBufferSize> Bytes{};

  // A cleared Chordmemory (see Clear).
  static Chordmemory Cleared();
  bool Empty() const { return Length < 5; }
  // Length 4, the working area zeroed (header included), STOP in beat record 1.
  void Clear();

  ChordmemoryHeader Header() const;
  void SetHeader(const ChordmemoryHeader& header);

  // Whether `position` is a beat record's position (4, 8, ...) whose four bytes lie in the buffer.
  static bool IsRecordPosition(int position);
  // Whether a beat record at `position` may be written: a record position below the working size.
  static bool IsWritablePosition(int position);

  // The record at `position`; an empty record where IsRecordPosition is false.
  BeatRecord RecordAt(int position) const;
  // Replaces the record at `position`; false (nothing written) where IsWritablePosition is false.
  bool Write(int position, const BeatRecord& record);

  // Complete measures in use: ((Length − 4) div 4) div (L div 4), never below 0.
  int Measures(int measureLength) const;

  // The chord in force at `position`: the last record with a chord at or before it (an empty
  // record when the song has none up to there).
  BeatRecord ChordInForce(int position) const;

  // The record read again after a jump (a lead-in, a repeat): a record without a chord takes root
  // and type of the chord in force there, and that record's function too unless it has its own or
  // the found one marks a place rather than a state (a loop mark, STOP).
  BeatRecord ReReadRecord(int position) const;

  bool operator==(const Chordmemory&) const = default;
};

}  // namespace kalo::song
