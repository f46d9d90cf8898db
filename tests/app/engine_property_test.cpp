// Thousands of random timelines (chords, part keys, tempo, transposition, mutes, solo, the
// metronome, options, Stop) over one session: after each final Stop nothing still sounds, no message
// ever carries a data byte above 127, and channel 10 never plays a note the style does not hold.

#include <gtest/gtest.h>

#include <array>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "app/engine_rig.h"

namespace kalo::app {
namespace {

using testing::EngineRig;
using testing::StyleWriter;

constexpr int kRuns = 3000;
const std::set<int> kDrumNotes = {36, 38, 42};
const std::set<int> kMetronomeNotes = {37, 56};

// Every part, with a variation fill, notes at both ends of the MIDI range, controllers and bends.
StyleWriter BusyStyle() {
  StyleWriter style;
  style.Voice(0, 48).Voice(1, 33).Voice(2, 0).Voice(9, 0);
  for (int part = 0; part < 8; ++part) {
    style.Part(
        part, 1 + part % 2,
        [](StyleWriter& s, int p, int m, int b) {
          if (b == 0)
            s.Message(0xB1, 10, static_cast<uint8_t>(20 * p)).Message(0xB2, 84, 60).Message(0xE2, 0, 70);
          const auto low = static_cast<uint8_t>(b == 1 ? 0 : 24 + p);
          const auto high = static_cast<uint8_t>(b == 3 ? 127 : 100 + m);
          s.Play({{0, static_cast<uint8_t>(60 + 4 * b)},
                  {1, low, 90},
                  {9, static_cast<uint8_t>(b % 2 ? 38 : 36)}},
                 18, 12);
          s.Play({{2, high, 70}, {9, 42, 60}}, 6, 12);
        },
        /*variation=*/part == styles::kFillInExtended);
  }
  return style;
}

TEST(EnginePropertyTest, RandomTimelinesLeaveNothingSoundingSendOnlyDataBytesAndNeverMoveDrums) {
  config::Settings settings = testing::QuietSettings();
  settings.Pad = true;
  EngineRig rig(settings);
  rig.Load(BusyStyle());
  const config::ControlKeyNotes keys = config::ComputeControlKeyNotes(settings);
  const int partKeys[] = {keys.FillIn, keys.Ending, keys.ToExtended, keys.ToBasic, keys.Intro};
  std::mt19937 random(20240611);
  auto pick = [&random](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };

  int runsThatPlayed = 0;
  for (int run = 0; run < kRuns; ++run) {
    app::Timeline timeline;
    const int64_t length = pick(96, 1200);
    timeline.Chord(0, pick(1, 127), pick(1, 17));
    const int actions = pick(3, 25);
    for (int i = 0; i < actions; ++i) {
      const int64_t tick = pick(0, static_cast<int>(length));
      switch (pick(0, 10)) {
        case 0:
        case 1:
          timeline.Chord(tick, pick(1, 127), pick(1, 17));
          break;
        case 2:
          timeline.ChordKeysDown(tick, {pick(40, 59), pick(40, 59), pick(40, 59)});
          break;
        case 3:
          timeline.ControlKey(tick, partKeys[pick(0, 4)]);
          break;
        case 4:
          timeline.Do(tick, [v = pick(1, 250)](Arranger& a) { a.ControlKey(engine::kTempoFunction, v); });
          break;
        case 5:
          timeline.Do(tick, [v = pick(-24, 24)](Arranger& a) { a.SetTransposition(v); });
          break;
        case 6:
          timeline.Do(tick,
                      [c = pick(0, 15), on = pick(0, 1) == 1](Arranger& a) { a.SetChannelMute(c, on); });
          break;
        case 7: {
          static constexpr uint8_t kSolos[] = {0, 1, 2, 10, 100, 255};
          timeline.Do(tick, [s = kSolos[pick(0, 5)]](Arranger& a) { a.Engine().SoloChannel = s; });
          break;
        }
        case 8:
          timeline.Do(tick, [on = pick(0, 1) == 1, mode = pick(0, 2), minus = pick(0, 2),
                             c = pick(0, 2)](Arranger& a) {
            a.Engine().SetMetronome(on);
            a.Engine().SetAdjustOctave(!on);
            a.Settings().SChange = mode;
            a.Options().MinusOne = minus == 1;
            a.Options().ReplaceOne = minus == 2;
            a.Engine().MinusOneChannel = static_cast<uint8_t>(c);
          });
          break;
        case 9:
          timeline.Do(tick, [part = pick(0, 7)](Arranger& a) { a.Engine().PlayPart(part); });
          break;
        default:
          timeline.Stop(tick);
          break;
      }
    }
    timeline.Stop(length + 1);
    const OfflineCapture capture = rig.Run(timeline);

    for (const auto& output : capture.Outputs) {
      for (const midi::CapturedMessage& m : output) {
        ASSERT_TRUE(testing::WholeMessage(m.Bytes))
            << "run " << run << " tick " << m.Tick << ": " << testing::EventLine(m);
        if (m.Bytes.size() == 3 && m.Bytes[0] == 0x99 && m.Bytes[2] > 0) {
          ASSERT_TRUE(kDrumNotes.count(m.Bytes[1]) + kMetronomeNotes.count(m.Bytes[1]) > 0)
              << "run " << run << " tick " << m.Tick << ": " << testing::EventLine(m);
        }
      }
    }
    bool played = false;
    for (const midi::CapturedMessage& m : capture.Midiout())
      played = played || (m.Bytes.size() == 3 && (m.Bytes[0] & 0xF0) == 0x90 && (m.Bytes[0] & 0x0F) < 3);
    runsThatPlayed += played ? 1 : 0;
    ASSERT_EQ(testing::StillSounding(capture.Midiout()), "") << "run " << run;
    ASSERT_FALSE(rig.Session().Engine().StylePlaying()) << "run " << run;
    ASSERT_FALSE(capture.Cut) << "run " << run;
  }
  EXPECT_GT(runsThatPlayed, kRuns / 2);  // the timelines really play the style
}

}  // namespace
}  // namespace kalo::app
