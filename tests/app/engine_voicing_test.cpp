// What a chord change does to notes that sound, and which notes are moved at all.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/engine_rig.h"

namespace kalo::app {
namespace {

using testing::EngineRig;
using testing::Event;
using testing::StyleWriter;

constexpr int kMaj = 1;

// Basic plays notes 40..43 on channel 1 (one per beat, held for half a beat) and a kick on channel 10.
StyleWriter Basic(uint8_t program) {
  StyleWriter style;
  style.Voice(0, program).Voice(9, 0);
  style.Part(1, 1, [](StyleWriter& s, int, int, int b) {
    s.Play({{0, static_cast<uint8_t>(40 + b), 77}, {9, 36, 77}}, 12);
  });
  return style;
}

std::vector<Event> OnChannel(const std::vector<Event>& events, int channel, int64_t tick) {
  std::vector<Event> picked;
  for (const Event& e : events)
    if (e.Tick == tick && (e.Bytes[0] & 0x0F) == channel) picked.push_back(e);
  return picked;
}

TEST(EngineVoicingTest, AChordChangeReVoicesSustainingProgramsWithTheirVelocitiesAndSilencesTheRest) {
  struct Row {
    std::string Name;
    uint8_t Program;
    int Silencing;  // "Style/chord changes : strong --> smart"
    std::vector<std::vector<uint8_t>> AtChange;
    uint8_t NoteOff;  // the note the held note's note-off names
  };
  const Row rows[] = {
      {"strings, sound off", 48, 0, {{0xB0, 120, 0}, {0x90, 44, 77}}, 44},
      {"strings, notes off", 48, 1, {{0xB0, 123, 0}, {0x90, 44, 77}}, 44},
      {"strings, notes off and bend centred", 48, 2, {{0xE0, 0, 64}, {0xB0, 123, 0}, {0x90, 44, 77}}, 44},
      {"piano, sound off", 0, 0, {{0xB0, 120, 0}}, 42},
      {"piano, notes off and bend centred", 0, 2, {{0xE0, 0, 64}, {0xB0, 123, 0}}, 42},
  };
  for (const Row& row : rows) {
    config::Settings settings = testing::QuietSettings();
    settings.Quantize = 1;
    settings.SChange = row.Silencing;
    EngineRig rig(settings);
    rig.Load(Basic(row.Program));
    // Beat 2 holds note 42 from tick 48 to 60; D maj comes at tick 5 of that step.
    rig.Run(app::Timeline().Chord(0, 60, kMaj).Chord(52, 62, kMaj).Stop(100));
    const std::vector<Event> events = rig.Midiout();
    std::vector<std::vector<uint8_t>> atChange;
    for (const Event& e : OnChannel(events, 0, 52)) atChange.push_back(e.Bytes);
    EXPECT_EQ(atChange, row.AtChange) << row.Name;
    EXPECT_EQ(OnChannel(events, 0, 60), (std::vector<Event>{{60, {0x90, row.NoteOff, 0}}})) << row.Name;
    EXPECT_TRUE(OnChannel(events, 9, 52).empty()) << row.Name << ": drums are never re-voiced";
  }
}

TEST(EngineVoicingTest, TheTranspositionAndTheChordMoveEveryChannelButChannel10) {
  struct Row {
    int Transposition, Root, Type;
    uint8_t Melodic, Drum;
  };
  // Pattern note 40 is the third (E) in C: a minor chord keeps its minor third in any transposition.
  constexpr int kMin = 2;
  const Row rows[] = {{0, 60, kMaj, 40, 36},  {3, 60, kMaj, 43, 36}, {3, 62, kMaj, 45, 36},
                      {-5, 57, kMaj, 44, 36}, {2, 60, kMin, 41, 36}, {-3, 60, kMin, 36, 36}};
  for (const Row& row : rows) {
    EngineRig rig;
    rig.Load(Basic(0));
    rig.Run(app::Timeline()
                .Do(0, [&row](Arranger& a) { a.SetTransposition(row.Transposition); })
                .Chord(0, row.Root, row.Type)
                .Stop(30));
    const auto melodic = rig.NoteOns(0);
    const auto drums = rig.NoteOns(9);
    ASSERT_FALSE(melodic.empty()) << row.Transposition << " " << row.Root;
    ASSERT_FALSE(drums.empty()) << row.Transposition << " " << row.Root;
    EXPECT_EQ(melodic.front()[1], row.Melodic) << row.Transposition << " " << row.Root;
    EXPECT_EQ(drums.front()[1], row.Drum) << row.Transposition << " " << row.Root;
  }
}

}  // namespace
}  // namespace kalo::app
