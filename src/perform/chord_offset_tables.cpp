#include "perform/chord_offset_tables.h"

namespace kalo::perform {

namespace {

// One entry of a row: the pitch class of C major's tone that moves, and by how much.
struct Move {
  int PitchClass;
  int Semitones;
};
constexpr int kE = 4, kG = 7, kA = 9, kB = 11;

constexpr std::array<int8_t, 12> Row(std::initializer_list<Move> moves) {
  std::array<int8_t, 12> row{};
  for (const Move& m : moves) row[static_cast<size_t>(m.PitchClass)] = static_cast<int8_t>(m.Semitones);
  return row;
}

}  // namespace

const ChordOffsetTable kChordToneOffsets = {
    Row({}),                              // none
    Row({}),                              // maj
    Row({{kE, -1}}),                      // min
    Row({{kG, +3}, {kB, -1}}),            // 7th
    Row({{kE, -1}, {kG, +3}, {kB, -1}}),  // min7
    Row({{kE, -1}, {kG, -1}}),            // dim
    Row({{kE, +1}}),                      // sus4
    Row({{kG, +7}, {kB, +3}}),            // add9
    Row({{kG, -1}}),                      // 5b
    Row({{kG, +4}}),                      // M7
    Row({{kG, +1}}),                      // aug
    Row({{kG, +2}, {kB, -2}}),            // 6th
    Row({{kE, -1}, {kG, +4}}),            // mM7
    Row({{kE, -1}, {kG, +2}, {kB, -2}}),  // min6
    Row({{kE, -1}, {kG, +7}, {kB, +3}}),  // min9
    Row({{kE, -1}, {kG, -1}, {kB, -1}}),  // m5b
    Row({{kG, +1}, {kB, -1}}),            // aug7
    Row({{kE, +1}, {kG, +3}, {kB, -1}}),  // sus7
};

const ChordOffsetTable kScaleToneOffsets = {
    Row({}),                              // none
    Row({}),                              // maj
    Row({{kE, -1}, {kA, +1}}),            // min
    Row({{kB, -1}}),                      // 7th
    Row({{kE, -1}, {kA, +1}, {kB, -1}}),  // min7
    Row({{kE, -1}, {kG, -1}}),            // dim
    Row({}),                              // sus4
    Row({}),                              // add9
    Row({{kG, -1}}),                      // 5b
    Row({}),                              // M7
    Row({{kG, +1}}),                      // aug
    Row({}),                              // 6th
    Row({{kE, -1}}),                      // mM7
    Row({{kE, -1}}),                      // min6
    Row({{kE, -1}, {kA, +1}}),            // min9
    Row({{kE, -1}, {kG, -1}, {kB, -1}}),  // m5b
    Row({{kG, +1}, {kB, -1}}),            // aug7
    Row({{kB, -1}}),                      // sus7
};

const ChordOffsetTable kHeldScaleToneOffsets = {
    Row({}),                              // none
    Row({{kB, -1}}),                      // maj
    Row({{kE, -1}, {kA, -1}, {kB, -1}}),  // min
    Row({{kB, -1}}),                      // 7th
    Row({{kE, -1}, {kA, -1}, {kB, -1}}),  // min7
    Row({{kE, -1}, {kG, -1}, {kB, -1}}),  // dim
    Row({{kB, -1}}),                      // sus4
    Row({{kB, -1}}),                      // add9
    Row({{kB, -1}}),                      // 5b
    Row({}),                              // M7
    Row({{kA, -1}, {kB, -1}}),            // aug
    Row({{kB, -1}}),                      // 6th
    Row({{kE, -1}, {kA, -1}}),            // mM7
    Row({{kE, -1}, {kA, -1}, {kB, -1}}),  // min6
    Row({{kE, -1}, {kA, -1}, {kB, -1}}),  // min9
    Row({{kE, -1}, {kA, -1}, {kB, -1}}),  // m5b
    Row({{kE, -1}, {kG, +1}, {kB, -1}}),  // aug7
    Row({{kE, -1}, {kB, -1}}),            // sus7
};

}  // namespace kalo::perform
