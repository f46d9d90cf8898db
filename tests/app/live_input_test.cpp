// The arranger's own input dispatch: what arrives on the keyboard (input 0) and on the sequencer input
// (input 1) reaches the real engine, mixer, clock and chord state.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "app/arranger_rig.h"
#include "app/engine_rig.h"
#include "perform/chord_code.h"

namespace kalo::app {
namespace {

using Bytes = std::vector<uint8_t>;

// Keys on input 0, the sequencer on input 1; "Midiout" and what input 1 passes on go to output 0,
// the second output is output 1.
struct LiveRig : testing::ArrangerRig {
  LiveRig() : ArrangerRig(2) {
    arranger->Settings() = testing::QuietSettings();  // accompaniment zone 40..59
    arranger->Settings().MidiSubIn = 1;
    arranger->Settings().MidiSubOut = 1;
    StartAndSettle();
  }
};

struct Case {
  const char* Name;
  std::function<void(LiveRig&)> Setup;
  int Input;
  std::vector<Bytes> Messages;
  std::vector<Bytes> Out;
  std::function<void(Arranger&)> Check = [](Arranger&) {};
};

TEST(LiveInput, EventsOfBothInputsReachTheSessionsParts) {
  const perform::ChordCode am = *perform::EncodeChordCode(57, perform::kMin);
  const Case cases[] = {
      {"a played note takes the mixer's keyboard channel",
       [](LiveRig& r) { ASSERT_TRUE(r.arranger->Mixer().SetKeyboardChannel(2)); },
       0,
       {{0x90, 72, 100}},
       {{0x92, 72, 100}}},
      {"the mixer's suppress flag keeps the keyboard channel's controllers off the line",
       [](LiveRig& r) { r.arranger->Mixer().SetKeyboardSuppress(true); },
       0,
       {{0xB0, 7, 90}, {0xB0, 123, 0}},
       {{0xB0, 123, 0}}},
      {"controller 22 value 60 sets tempo 120; value 10 is dropped",
       [](LiveRig& r) { r.arranger->Options().TempoDetection = true, r.arranger->SetTempo(100); },
       1,
       {{0xB0, 22, 60}, {0xB0, 22, 10}},
       {},
       [](Arranger& a) { EXPECT_EQ(a.Tempo(), 120); }},
      {"a chord code sets the chord and is never forwarded",
       [](LiveRig& r) { r.arranger->Options().ReceiveChordCodes = true; },
       1,
       {{0xB0, am.Controller, am.Value}},
       {},
       [](Arranger& a) {
         EXPECT_EQ(a.Chords().CurrentRoot % 12, 9);
         EXPECT_EQ(a.Chords().CurrentType, perform::kMin);
       }},
      {"split zones set up by the channel set-up; a shift below note 0 corrected an octave",
       [](LiveRig& r) {
         r.arranger->Dispatch().SplitChoices[0] = {0, 4, 2, -1, true};
         r.arranger->Dispatch().SplitChoices[1] = {0, 6, 3, 0, true};
         r.arranger->Options().KeyboardSplit = true;
         r.arranger->Resets().ChannelSetup();
       },
       0,
       {{0x90, 30, 100}, {0x90, 60, 100}},
       {{0x91, 30, 100}, {0x92, 60, 100}}},
      {"Play Chords, clock off: a type key then a trigger key sound that chord at once",
       [](LiveRig& r) { ASSERT_TRUE(r.arranger->Dispatch().SetPlayChords(true)); },
       0,
       {{0x90, 49, 100}, {0x90, 60, 90}},
       {{0x90, 60, 90}, {0x90, 63, 90}, {0x90, 67, 90}, {0x90, 72, 90}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    LiveRig rig;
    c.Setup(rig);
    rig.virtualPorts->ClearSent();
    for (const Bytes& m : c.Messages) rig.Inject(c.Input, {m});
    EXPECT_EQ(rig.Sent(0), c.Out);
    c.Check(*rig.arranger);
  }
}

TEST(LiveInput, ChordKeysStartTheStyleTheEndingKeyArmsAndStopSilencesEveryChannel) {
  LiveRig rig;
  testing::StyleWriter style;
  style.Voice(0, 0).Part(1, 1, [](testing::StyleWriter& s, int, int, int) { s.Play({{0, 48}}, 12); });
  ASSERT_EQ(rig.arranger->Gen().LoadStyleFromBytes("T.VXS", style.FileBytes()), styles::LoadOutcome::Loaded);
  rig.Inject(0, {{0x90, 45, 100}, {0x90, 48, 100}, {0x90, 52, 100}});  // A C E
  ASSERT_TRUE(rig.arranger->Engine().StylePlaying());
  rig.virtualPorts->ClearSent();
  rig.arranger->Clock().OnTick();
  EXPECT_EQ(rig.Sent(0), (std::vector<Bytes>{{0x90, 45, 100}}));  // pattern C as the root of A minor

  const auto ending = static_cast<uint8_t>(config::ComputeControlKeyNotes(rig.arranger->Settings()).Ending);
  rig.Inject(0, {{0x90, ending, 100}});
  EXPECT_TRUE(rig.arranger->Engine().EndingPending);
  rig.arranger->Stop();
  const std::vector<Bytes> sent = rig.Sent(0);
  for (uint8_t c = 0; c < 16; ++c)
    EXPECT_NE(std::find(sent.begin(), sent.end(), Bytes{static_cast<uint8_t>(0xB0 | c), 123, 0}), sent.end())
        << +c;
  EXPECT_FALSE(rig.arranger->Engine().StylePlaying());
  const auto& held = rig.arranger->Engine().Book.HeldVelocity[0];
  EXPECT_EQ(std::count(held.begin(), held.end(), 0), std::ssize(held));
}

// Generated messages are remembered in the controller memory and go to "Midiout", or with Send Chord
// Codes, all but notes to both outputs; played and generated ones reach the melody hook.
TEST(LiveInput, GeneratedMessagesAreRememberedAndRoutedAndWithPlayedOnesReachTheMelodyHook) {
  struct Melody final : perform::MelodyRecorder {
    void RecordPlayed(uint8_t s, uint8_t d1, uint8_t, bool) override { Log.push_back({s, d1}); }
    void RecordGenerated(uint8_t s, uint8_t d1, uint8_t) override { Log.push_back({s, d1, 0}); }
    std::vector<Bytes> Log;
  } melody;
  LiveRig rig;
  rig.arranger->LiveHooks.Melody = &melody;
  rig.Inject(0, {{0x90, 72, 100}});
  rig.virtualPorts->ClearSent();
  rig.arranger->SendGenerated(0xB3, 7, 88);
  EXPECT_TRUE(rig.Sent(1).empty());
  EXPECT_EQ(rig.arranger->Midi().Controllers().Value(3, 7), 88);
  rig.arranger->Options().SendChordCodes = true;
  rig.arranger->SendGenerated(0xB3, 10, 64);
  rig.arranger->SendGenerated(0x93, 60, 100);
  EXPECT_EQ(rig.Sent(0), (std::vector<Bytes>{{0xB3, 7, 88}, {0xB3, 10, 64}, {0x93, 60, 100}}));
  EXPECT_EQ(rig.Sent(1), (std::vector<Bytes>{{0xB3, 10, 64}}));
  EXPECT_EQ(melody.Log, (std::vector<Bytes>{{0x90, 72}, {0xB3, 7, 0}, {0xB3, 10, 0}, {0x93, 60, 0}}));
}

}  // namespace
}  // namespace kalo::app
