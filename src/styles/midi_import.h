#pragma once
// Standard MIDI File content turned into Style-Creator material: the style event stream at 24 ticks per
// quarter note, the channel set-ups (each channel's first bank, program, volume, pan, expression,
// reverb, chorus and pressure), the channel-used flags, the tempo and the metre. Pure: the caller
// decides what becomes of the result (TGen::TakeImportedMaterial makes it the current material).

#include <cstdint>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "midi/standard_midi_file_reader.h"
#include "styles/style_records.h"

namespace kalo::styles {

// The import options of the Style-Creator's menu.
struct ImportOptions {
  bool DontGetMetrum = false;           // "Don't get metrum from file": the current metre stays
  bool EighthBase = false;              // "Convert x/8 - Base: 1/8": x/8 files count in eighth notes
  bool MovePercussion = false;          // "Move percussion sounds to track 10"
  bool StandardPercussionOnly = false;  // "Use only standard percussion sounds"
  bool OptimizeTiming = false;          // "    Try to optimize timing"
};

// General MIDI's percussion keys; "Use only standard percussion sounds" drops the others on channel 10.
inline constexpr int kLowestStandardPercussion = 35;
inline constexpr int kHighestStandardPercussion = 81;
// "Try to optimize timing" moves a note start lying this many ticks (or fewer) off the sixteenth or
// eighth-triplet grid onto it.
inline constexpr int kTimingTolerance = 1;

struct ImportMarker {
  int64_t Tick = 0;
  std::string Text;
};

struct ImportedMaterial {
  std::vector<uint8_t> Stream;  // delay runs broken at every beat, padded to whole measures
  TStyleHeader Header;          // set-ups, used flags, tempo, measure length; nothing else
  Metre MaterialMetre;
  int Measures = 0;         // whole measures the material spans
  int16_t EndPosition = 0;  // the position grid's position at the material's end (measure Measures + 1)
  std::vector<ImportMarker> Markers;  // marker meta events, at their ticks
  // What the options did, for the report.
  std::vector<int> MovedChannels;  // 1-based channels whose notes went to channel 10
  int DroppedPercussion = 0;       // percussion notes outside the standard keys, dropped
  int MovedNotes = 0;              // note starts moved onto the grid
  std::string MetreNote;           // why the file's metre was not taken, when it was not
};

// The material of `content`, or why it cannot be taken ("... more than a style can keep ..."). The
// material starts at tick 0 of the file; its metre is the file's first time signature (unless
// DontGetMetrum, or when the list has no entry for it: then `current`), its tempo the first tempo
// (120 when none is given, and for SMPTE time, whose pulses become ticks at 120 quarter notes per
// minute), limited to 25..250.
std::variant<ImportedMaterial, std::string> ImportMidiMaterial(const midi::SmfFileData& content,
                                                               const ImportOptions& options,
                                                               const Metre& current);

// Reads `bytes` as a Standard MIDI File and imports it; the error names what is wrong.
std::variant<ImportedMaterial, std::string> ImportMidiFile(std::span<const uint8_t> bytes,
                                                           const ImportOptions& options,
                                                           const Metre& current);

}  // namespace kalo::styles
