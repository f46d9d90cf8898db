// Notes that a mute, a solo, a transposition or a part change cuts off end at once with a note-off
// for the note that was sent; nothing the book forgot is struck again; the Harmonic PAD has its own
// voice and keeps out of the intro and the ending.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "app/engine_rig.h"
#include "song/chordmemory.h"
#include "song/play_range.h"

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
      if (b < 3) {
        s.Wait(24);
      } else {
        s.Wait(23).Message(0x90, 48, 0).Message(0x99, kHiHat, 0).Wait(1);
      }
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
    std::function<void(Arranger&)> Action;    // at tick 30, while both notes sound
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
       {{0x90, 48, 0}, {0x90, 51, 90}}},
      {"a fill: the drum note ends too",
       0,
       [](Arranger& a) { a.ControlKey(kKeys.FillIn, 12); },
       {{0x99, kHiHat, 0}}},
  };
  for (const Row& row : rows) {
    EngineRig rig;
    rig.Load(HeldStyle(row.Program));
    rig.Run(Timeline().Chord(0, 60, kMaj).Do(30, row.Action).Stop(200));
    EXPECT_EQ(NotesAt(rig, 30, 95), row.Notes) << row.Name;
    EXPECT_EQ(testing::StillSounding(rig.Capture.Midiout()), "") << row.Name;
  }
}

TEST(EngineHeldNotesTest, MuteAllFromTheSongKeepsEveryChannelSilentAcrossChordChanges) {
  EngineRig rig;
  rig.Load(HeldStyle(16));  // an organ: held notes would be re-voiced at each chord
  song::Song& song = rig.Session().Song();
  song.Chords.Clear();
  for (int m = 1; m <= 4; ++m)
    song.Chords.Write(song::PositionOf(m, 1, 16), {static_cast<uint8_t>(48 + m), kMaj, 0, 0});
  song::BeatRecord mute = song.Chords.RecordAt(song::PositionOf(2, 1, 16));
  mute.Function = song::kSoloMuteFunction;
  mute.Parameter = 255;
  song.Chords.Write(song::PositionOf(2, 1, 16), mute);
  song.Chords.Write(song::PositionOf(5, 1, 16), {0, 0, song::kStopFunction, 0});
  song.Chords.Length = static_cast<int16_t>(song::PositionOf(6, 1, 16));
  rig.Run(Timeline().Do(0, [](Arranger& a) { a.Play(); }));
  ASSERT_FALSE(rig.NoteOns(0).empty());
  EXPECT_TRUE(rig.NoteOns(0, 97).empty());
  EXPECT_TRUE(rig.NoteOns(9, 97).empty());
}

// The pad on channel 16 with "Mute PAD (Intro && Ending)": Intro, Basic and Ending of one measure.
TEST(EngineHeldNotesTest, ThePadHasItsVoiceSoundsFromTheFirstBasicMeasureAndIsSilentInTheEnding) {
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
  bool program = false;
  for (const Event& e : rig.Midiout()) {
    if (e.Bytes[0] == 0x9F && e.Bytes[2] > 0) padOns.push_back(e.Tick);
    if (e.Tick == 0 && e.Bytes == std::vector<uint8_t>{0xCF, 89}) program = true;
  }
  EXPECT_TRUE(program) << "the pad instrument's program goes out with the channel set-ups";
  EXPECT_EQ(padOns, (std::vector<int64_t>{96, 96, 96, 96, 144, 144, 144, 144}));
  EXPECT_EQ(testing::StillSounding(rig.Capture.Midiout()), "");
}

}  // namespace
}  // namespace kalo::app
