// Part changes keep the bar line in every metre: fills join at any beat of the measure (beats 5 and 6
// of 5/4 and 6/4 too), and in 6/8, counted in eighth-note beats, the ending and the part after a fill
// begin on the style's 72-tick bar lines.

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "app/engine_rig.h"

namespace kalo::app {
namespace {

using testing::EngineRig;
using testing::StyleWriter;

// Part p's quarter note q plays note 30 + 10 p + q on channel 1.
constexpr int Base(int part) { return 30 + 10 * part; }

TEST(EngineMetreTest, PartsJoinAtTheBeatThatStartsAndMainPartsBeginOnBarLines) {
  struct Row {
    std::string Name;
    int Quarters;                               // quarter notes per measure
    bool Eighths;                               // counted in eighth notes
    std::array<int64_t, 2> Key;                 // tick, key
    std::vector<std::array<int64_t, 2>> Notes;  // note-ons from tick 48: tick, note
  };
  const config::ControlKeyNotes keys = config::ComputeControlKeyNotes(config::Settings{});
  const Row rows[] = {
      {"5/4: a fill on beat 5",
       5,
       false,
       {80, keys.FillIn},
       {{48, 42}, {72, 43}, {96, Base(4) + 4}, {120, Base(1)}}},
      {"6/4: a fill on beat 6",
       6,
       false,
       {100, keys.FillIn},
       {{48, 42}, {72, 43}, {96, 44}, {120, Base(4) + 5}, {144, Base(1)}}},
      {"6/8: the ending on the bar line",
       3,
       true,
       {40, keys.Ending},
       {{48, 42}, {72, Base(3)}, {96, Base(3) + 1}}},
      {"6/8: a fill on the fifth eighth",
       3,
       true,
       {40, keys.FillIn},
       {{48, Base(4) + 2}, {72, Base(1)}, {96, Base(1) + 1}}},
  };
  for (const Row& row : rows) {
    StyleWriter style(row.Quarters);
    if (row.Eighths) style.Eighths();
    style.Voice(0, 0);
    for (int part : {styles::kBasic, styles::kEnding, styles::kFillInBasic})
      style.Part(part, 1, [](StyleWriter& s, int p, int, int q) {
        s.Play({{0, static_cast<uint8_t>(Base(p) + q)}}, 6);
      });
    EngineRig rig;
    rig.Load(style);
    rig.Run(Timeline().Chord(0, 60, 1).ControlKey(row.Key[0], static_cast<int>(row.Key[1])).Stop(300));
    std::vector<std::array<int64_t, 2>> notes;
    for (const auto& n : rig.NoteOns(0, 48))
      if (notes.size() < row.Notes.size()) notes.push_back({n[0], n[1]});
    EXPECT_EQ(notes, row.Notes) << row.Name;
  }
}

}  // namespace
}  // namespace kalo::app
