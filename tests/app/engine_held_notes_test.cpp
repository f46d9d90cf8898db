// Notes that a mute, a solo, a transposition or a part change cuts off end at once with a note-off
// for the note that was sent; nothing the book forgot is struck again; the Harmonic PAD has its own
// voice (see the golden renders) and keeps out of the intro and the ending.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "app/engine_rig.h"

namespace kalo::app {
namespace {

using testing::EngineRig;
using testing::Event;
using testing::StyleWriter;

constexpr int kMaj = 1;
constexpr uint8_t kHiHat = 46;
const config::ControlKeyNotes kKeys = config::ComputeControlKeyNotes(config::Settings{});

// Basic and Fill in Basic, one measure each: channel 1 holds note 48 and channel 10 an open hi-hat
// from the downbeat to the last tick of the measure.
StyleWriter HeldStyle(uint8_t program) {
  StyleWriter style;
  style.Voice(0, program).Voice(9, 0);
  for (int part : {styles::kBasic, styles::kFillInBasic})
    style.Part(part, 1, [](StyleWriter& s, int, int, int b) {
      if (b == 0) s.Message(0x90, 48, 90).Message(0x99, kHiHat, 90);
      if (b < 3) s.Wait(24);
      if (b == 3) s.Wait(23).Message(0x90, 48, 0).Message(0x99, kHiHat, 0).Wait(1);
    });
  return style;
}

std::vector<std::vector<uint8_t>> NotesAt(const EngineRig& rig, int64_t from, int64_t to) {
  std::vector<std::vector<uint8_t>> notes;
  for (const Event& e : rig.Midiout(from))
    if (e.Tick < to && e.Bytes.size() == 3 && (e.Bytes[0] & 0xE0) == 0x80) notes.push_back(e.Bytes);
  return notes;
}

TEST(EngineHeldNotesTest, WhatCutsANoteOffEndsItWithTheNoteThatWasSent) {
  struct Row {
    std::string Name;
    uint8_t Program;
    std::function<void(Arranger&)> Action;    // at tick 30, while both notes sound; D maj at 60
    std::vector<std::vector<uint8_t>> Notes;  // note messages from tick 30 to 95
  };
  const Row rows[] = {
      {"a channel box mute", 0, [](Arranger& a) { a.SetChannelMute(0, true); }, {{0x90, 48, 0}}},
      {"the mixer's solo on channel 10", 0, [](Arranger& a) { a.Mixer().SetSolo(10); }, {{0x90, 48, 0}}},
      {"the mixer's solo on channel 1", 0, [](Arranger& a) { a.Mixer().SetSolo(1); }, {{0x99, kHiHat, 0}}},
      {"a transposition of a piano", 0, [](Arranger& a) { a.SetTransposition(3); }, {{0x90, 48, 0}}},
      {"a transposition of strings moves them",
       48,
       [](Arranger& a) { a.SetTransposition(3); },
       {{0x90, 48, 0}, {0x90, 51, 90}, {0x90, 53, 90}}},
      {"an organ under the song's mute all: no chord strikes it again",
       16,
       [](Arranger& a) { a.Engine().SoloChannel = 255; },
       {{0x90, 48, 0}, {0x99, kHiHat, 0}}},
      {"a fill: the drum note ends too",
       0,
       [](Arranger& a) { a.ControlKey(kKeys.FillIn, 12); },
       {{0x99, kHiHat, 0}}},
  };
  for (const Row& row : rows) {
    EngineRig rig;
    rig.Load(HeldStyle(row.Program));
    rig.Run(Timeline().Chord(0, 60, kMaj).Do(30, row.Action).Chord(60, 62, kMaj).Stop(200));
    EXPECT_EQ(NotesAt(rig, 30, 95), row.Notes) << row.Name;
    EXPECT_EQ(testing::StillSounding(rig.Capture.Midiout()), "") << row.Name;
  }
}

// The pad on channel 16 with "Mute PAD (Intro && Ending)": Intro, Basic and Ending of one measure.
TEST(EngineHeldNotesTest, ThePadSoundsFromTheFirstBasicMeasureAndIsSilentInTheEnding) {
  config::Settings settings = testing::QuietSettings();
  settings.Pad = true;
  settings.MuteHarmonic = true;
  settings.PlayIntro = true;
  EngineRig rig(settings);
  StyleWriter style;
  style.Voice(0, 0);
  for (int part : {styles::kIntro, styles::kBasic, styles::kEnding})
    style.Part(part, 1, [](StyleWriter& s, int, int, int) { s.Play({{0, 48}}, 12); });
  rig.Load(style);
  // The intro plays 0..95, Basic from 96; the ending key at 150 starts the ending at 192, where a new
  // chord comes too.
  rig.Run(
      Timeline().Chord(0, 60, kMaj).Chord(130, 65, kMaj).ControlKey(150, kKeys.Ending).Chord(192, 67, kMaj));
  std::vector<int64_t> padOns;
  for (const Event& e : rig.Midiout())
    if (e.Bytes[0] == 0x9F && e.Bytes[2] > 0) padOns.push_back(e.Tick);
  EXPECT_EQ(padOns, (std::vector<int64_t>{96, 96, 96, 96, 144, 144, 144, 144}));
  EXPECT_EQ(testing::StillSounding(rig.Capture.Midiout()), "");
}

}  // namespace
}  // namespace kalo::app
