// When chords and part keys take effect, tick by tick, over the assembled session: chord steps and
// the late window, fills from their beat entry, the ending at the bar line, the "To" parts and their
// fall-backs, the count-in for a missing intro, the fade-out, solo, and the end of the material.

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/engine_rig.h"

namespace kalo::app {
namespace {

using testing::EngineRig;
using testing::StyleWriter;

constexpr int kMaj = 1;
constexpr int kRoot = 60;       // C, at or above the section's C: pattern notes play unchanged in C maj
constexpr int kOtherRoot = 62;  // D maj moves every pattern note up by 2
constexpr uint8_t kClickNote = 37;

// Part p's beat b plays note Base(p) + b on channel 1 and a kick on channel 10.
constexpr uint8_t Base(int part) { return static_cast<uint8_t>(30 + 10 * part); }
constexpr std::array<int, 8> kAllParts = {0, 1, 2, 3, 4, 5, 6, 7};

StyleWriter MarkerStyle(const std::vector<int>& parts, int beats = 4, uint8_t program = 0,
                        uint8_t velocity = 100, bool eighths = false) {
  StyleWriter style(beats);
  if (eighths) style.Eighths();
  style.Voice(0, program).Voice(9, 0);
  for (int part : parts) {
    style.Part(part, 1, [velocity](StyleWriter& s, int p, int, int b) {
      s.Play({{0, static_cast<uint8_t>(Base(p) + b), velocity}, {9, 36, velocity}}, 12);
    });
  }
  return style;
}

config::Settings TwoBeatSteps() {
  config::Settings settings = testing::QuietSettings();
  settings.Quantize = 1;  // "2/4": a chord step of two beats
  return settings;
}

// The control keys of the settings' defaults.
const config::ControlKeyNotes kKeys = config::ComputeControlKeyNotes(config::Settings{});
const int FillIn = kKeys.FillIn, Ending = kKeys.Ending, ToExtended = kKeys.ToExtended, Intro = kKeys.Intro;

TEST(EngineTimingTest, ChordsAndPartKeysTakeEffectAtTheirBoundaries) {
  struct Row {
    std::string Name;
    std::vector<int> Parts;
    std::vector<std::array<int64_t, 2>> Chords;  // tick, root (maj)
    std::vector<std::array<int64_t, 2>> Keys;    // tick, key
    int64_t From;                                // channel-1 note-ons from this tick on ...
    std::vector<std::array<int64_t, 2>> Notes;   // ... begin with these: tick, note
    std::optional<int64_t> StopTick;
    int Quarters = 4;  // quarter notes a measure; with Eighths counted in eighth-note beats (6/8)
    bool Eighths = false;
  };
  const std::vector<int> all(kAllParts.begin(), kAllParts.end());
  const Row rows[] = {
      {"a chord at tick 5 of a step's first beat sounds at once",
       all,
       {{52, kOtherRoot}},
       {},
       49,
       {{72, 45}},
       {}},
      {"a chord at tick 8 of the step waits for the next step",
       all,
       {{55, kOtherRoot}},
       {},
       49,
       {{72, 43}, {96, 42}},
       {}},
      {"a chord in the middle of a two-beat step sounds at the next step",
       all,
       {{60, kOtherRoot}},
       {},
       49,
       {{72, 43}, {96, 42}},
       {}},
      {"a fill pressed mid-step starts at the next step from its beat entry",
       all,
       {},
       {{30, FillIn}},
       25,
       {{48, Base(4) + 2}, {72, Base(4) + 3}, {96, Base(1)}},
       {}},
      {"the ending waits for the bar line and stops at its end",
       all,
       {},
       {{30, Ending}},
       25,
       {{48, 42}, {72, 43}, {96, Base(3)}, {120, Base(3) + 1}, {144, Base(3) + 2}, {168, Base(3) + 3}},
       192},
      {"a chord given just before a fill key plays in the fill and after it",
       all,
       {{40, kOtherRoot}},
       {{42, FillIn}},
       25,
       {{48, Base(4) + 4}, {72, Base(4) + 5}, {96, Base(1) + 2}},
       {}},
      {"the intro asked for mid-measure waits for the bar line, and Basic follows on a bar line",
       all,
       {},
       {{30, Intro}},
       25,
       {{48, 42},
        {72, 43},
        {96, Base(0)},
        {120, Base(0) + 1},
        {144, Base(0) + 2},
        {168, Base(0) + 3},
        {192, Base(1)}},
       {}},
      {"a second ending press stops at once", all, {}, {{30, Ending}, {40, Ending}}, 25, {}, 40},
      {"ending, then fill: the intro, from the next bar line",
       all,
       {},
       {{30, Ending}, {40, FillIn}},
       25,
       {{48, 42}, {72, 43}, {96, Base(0)}, {120, Base(0) + 1}, {144, Base(0) + 2}},
       {}},
      {"To Extended, then Extended",
       all,
       {},
       {{30, ToExtended}},
       25,
       {{48, Base(6) + 2}, {72, Base(6) + 3}, {96, Base(2)}},
       {}},
      {"To Extended without its part goes straight to Extended, at the beat that starts",
       {0, 1, 2, 3},
       {},
       {{30, ToExtended}},
       25,
       {{48, Base(2) + 2}, {72, Base(2) + 3}, {96, Base(2)}},
       {}},
      {"5/4: a fill on beat 5 joins there and Basic follows on the bar line",
       all,
       {},
       {{80, FillIn}},
       48,
       {{48, 42}, {72, 43}, {96, Base(4) + 4}, {120, Base(1)}},
       {},
       5},
      {"6/8: the ending begins on the bar line, six eighths on",
       all,
       {},
       {{40, Ending}},
       48,
       {{48, 42}, {72, Base(3)}, {96, Base(3) + 1}},
       {},
       3,
       true},
      {"6/8: a fill on the fifth eighth joins at its second quarter, Basic follows on the bar line",
       all,
       {},
       {{40, FillIn}},
       48,
       {{48, Base(4) + 2}, {72, Base(1)}, {96, Base(1) + 1}},
       {},
       3,
       true},
      {"To Extended without Extended does nothing",
       {0, 1, 3},
       {},
       {{30, ToExtended}},
       25,
       {{48, Base(1) + 2}, {72, Base(1) + 3}, {96, Base(1)}},
       {}},
  };
  for (const Row& row : rows) {
    EngineRig rig(TwoBeatSteps());
    rig.Load(MarkerStyle(row.Parts, row.Quarters, 0, 100, row.Eighths));
    app::Timeline timeline;
    timeline.Chord(0, kRoot, kMaj);
    for (const auto& chord : row.Chords) timeline.Chord(chord[0], static_cast<int>(chord[1]), kMaj);
    for (const auto& key : row.Keys) timeline.ControlKey(key[0], static_cast<int>(key[1]));
    timeline.Stop(400);
    rig.Run(timeline);

    std::vector<std::array<int64_t, 2>> notes;
    for (const auto& n : rig.NoteOns(0, row.From)) notes.push_back({n[0], n[1]});
    if (notes.size() > row.Notes.size()) notes.resize(row.Notes.size());
    EXPECT_EQ(notes, row.Notes) << row.Name;
    if (row.StopTick) {
      // The first silencing after the start (the load and the start silence everything at tick 0).
      std::optional<int64_t> stop;
      for (int64_t tick : rig.AllNotesOffTicks())
        if (tick > 0 && !stop) stop = tick;
      EXPECT_EQ(stop, row.StopTick) << row.Name;
      EXPECT_TRUE(rig.NoteOns(0, *row.StopTick + 1).empty()) << row.Name;
    }
  }
}

// The clicks of a measure: the first accented, quarters, eighths in the second half.
TEST(EngineTimingTest, AStyleWithoutIntroStartsAfterAOneMeasureCountIn) {
  config::Settings settings = testing::QuietSettings();
  settings.PlayIntro = true;
  EngineRig rig(settings);
  rig.Load(MarkerStyle({1, 2}));
  rig.Run(app::Timeline().Chord(0, kRoot, kMaj).Stop(200));
  std::vector<std::array<int64_t, 2>> clicks;
  for (const auto& n : rig.NoteOns(9))
    if (n[1] == kClickNote) clicks.push_back({n[0], n[2]});
  EXPECT_EQ(clicks, (std::vector<std::array<int64_t, 2>>{
                        {0, 120}, {24, 75}, {48, 75}, {60, 75}, {72, 75}, {84, 75}}));
  const auto notes = rig.NoteOns(0);
  ASSERT_FALSE(notes.empty());
  EXPECT_EQ(notes.front()[0], 96);
  EXPECT_EQ(notes.front()[1], Base(1));
}

TEST(EngineTimingTest, WithoutPlayEndingTheEndingKeyFadesOutBySixPerBeatAndStopsAtAmount128) {
  config::Settings settings = TwoBeatSteps();
  settings.PlayEnding = false;
  EngineRig rig(settings);
  rig.Load(MarkerStyle({1, 3}));
  rig.Run(app::Timeline().Chord(0, kRoot, kMaj).ControlKey(30, Ending));

  // The fade starts at the bar line (tick 96) where the ending would have begun.
  std::vector<std::array<int64_t, 2>> expected;
  for (int beat = 0; beat <= 16; ++beat) expected.push_back({96 + 24 * beat, 100 - 6 * beat});
  std::vector<std::array<int64_t, 2>> velocities;
  for (const auto& n : rig.NoteOns(0, 96)) velocities.push_back({n[0], n[2]});
  EXPECT_EQ(velocities, expected);
  ASSERT_FALSE(rig.AllNotesOffTicks().empty());
  EXPECT_EQ(rig.AllNotesOffTicks().back(), 96 + 22 * 24);  // the first note-on at amount 132
  EXPECT_FALSE(rig.Capture.Cut);
}

TEST(EngineTimingTest, SoloChannel100SilencesTheStyleButTimeAndPartsGoOn) {
  EngineRig rig(TwoBeatSteps());
  rig.Load(MarkerStyle({1, 4}));
  std::vector<int> running;
  auto note = [&running](Arranger& a) { running.push_back(a.Gen().RunningPart); };
  rig.Run(app::Timeline()
              .Chord(0, kRoot, kMaj)
              .Do(1, [](Arranger& a) { a.Engine().SoloChannel = engine::kSoloNone; })
              .ControlKey(30, FillIn)
              .Do(50, note)
              .Do(100, note)
              .Stop(150));
  EXPECT_TRUE(rig.NoteOns(0, 1).empty());
  EXPECT_TRUE(rig.NoteOns(9, 1).empty());
  EXPECT_EQ(running, (std::vector<int>{4, 1}));
}

TEST(EngineTimingTest, AStreamEndingWithoutADelayByteStopsCleanlyAtItsEnd) {
  EngineRig rig;
  StyleWriter style = MarkerStyle({1});
  style.DropFinalDelay();
  rig.Load(style);
  rig.Run(app::Timeline().Chord(0, kRoot, kMaj));
  // The last beat's notes end at tick 84; the material ends there too.
  const std::vector<testing::Event> last = rig.Midiout(84);
  ASSERT_GE(last.size(), 2u);
  EXPECT_EQ(last[0], (testing::Event{84, {0x90, Base(1) + 3, 0}}));
  EXPECT_EQ(rig.AllNotesOffTicks(), (std::vector<int64_t>{0, 0, 84}));
  EXPECT_FALSE(rig.Session().Engine().StylePlaying());
  EXPECT_FALSE(rig.Capture.Cut);
}

}  // namespace
}  // namespace kalo::app
