// The arranger's own input dispatch over virtual ports: what arrives on the keyboard (input 0) and on
// the sequencer input (input 1) reaches the real engine, mixer, clock and chord state.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/arranger.h"
#include "app/engine_rig.h"
#include "host/dialogs.h"
#include "host/display.h"
#include "host/main_loop.h"
#include "host/program_folder.h"
#include "host/thread_priority.h"
#include "host/tick_timer.h"
#include "host/time_source.h"
#include "host/web_links.h"
#include "midi/backends/virtual_backend.h"
#include "perform/chord_code.h"

namespace kalo::app {
namespace {

using Bytes = std::vector<uint8_t>;

// Keys on input 0 and the sequencer on input 1; "Midiout" and what input 2 passes on go to output 0.
struct LiveRig {
  LiveRig() {
    auto backend = std::make_unique<midi::VirtualBackend>(clock);
    ports = backend.get();
    ports->AddInput("Keys");
    ports->AddInput("Sequencer");
    ports->AddOutput("Synth");
    std::vector<std::unique_ptr<midi::PortBackend>> backends;
    backends.push_back(std::move(backend));
    session = std::make_unique<Arranger>(ArrangerHost{loop, dialogs, display, timer, priority, links, folder},
                                         std::move(backends));
    session->Settings() = testing::QuietSettings();
    session->Settings().MidiIn = 0;
    session->Settings().MidiSubIn = 1;
  }
  void Start() {
    session->Start();
    loop.RunPending();
    ports->ClearSent();
  }
  void Send(int input, std::initializer_list<Bytes> messages) {
    for (const Bytes& m : messages) ports->InjectShort(input, midi::ShortMessage{m[0], m[1], m[2]}.Packed());
    loop.RunPending();
  }
  std::vector<Bytes> Sent() const { return ports->SentBytes(0); }

  host::FakeTimeSource clock;
  host::StdMainLoop loop;
  host::RecordingDialogs dialogs;
  host::NullDisplay display;
  host::ManualTickTimer timer;
  host::UnchangedPriority priority;
  host::RecordingWebLinks links;
  host::ProgramFolder folder{"/nonexistent-kalo-folder"};
  midi::VirtualBackend* ports = nullptr;
  std::unique_ptr<Arranger> session;
};

struct Case {
  const char* Name;
  std::function<void(LiveRig&)> Setup;
  int Input;
  std::vector<Bytes> Messages;
  std::vector<Bytes> Out;
  std::function<void(LiveRig&)> Check = [](LiveRig&) {};
};

// With the quiet settings the accompaniment zone is 40..59 and "Midiout" is output 0.
TEST(LiveInput, EventsOfBothInputsReachTheSessionsParts) {
  const perform::ChordCode am = *perform::EncodeChordCode(57, perform::kMin);
  const Case cases[] = {
      {"a played note takes the mixer's keyboard channel",
       [](LiveRig& r) { ASSERT_TRUE(r.session->Mixer().SetKeyboardChannel(2)); },
       0,
       {{0x90, 72, 100}},
       {{0x92, 72, 100}}},
      {"the velocity offset of the settings caps at 127",
       [](LiveRig& r) { r.session->Settings().VelOffset = 20; },
       0,
       {{0x90, 72, 120}},
       {{0x90, 72, 127}}},
      {"the mixer's suppress flag keeps the keyboard channel's controllers off the line",
       [](LiveRig& r) { r.session->Mixer().SetKeyboardSuppress(true); },
       0,
       {{0xB0, 7, 90}, {0xB0, 123, 0}},
       {{0xB0, 123, 0}}},
      {"controller 22 value 60 sets tempo 120; value 10 is dropped",
       [](LiveRig& r) { r.session->Options().TempoDetection = true, r.session->SetTempo(100); },
       1,
       {{0xB0, 22, 60}, {0xB0, 22, 10}},
       {},
       [](LiveRig& r) { EXPECT_EQ(r.session->Tempo(), 120); }},
      {"a chord code sets the chord and is never forwarded",
       [](LiveRig& r) { r.session->Options().ReceiveChordCodes = true; },
       1,
       {{0xB0, am.Controller, am.Value}},
       {},
       [](LiveRig& r) {
         EXPECT_EQ(r.session->Chords().CurrentRoot % 12, 9);
         EXPECT_EQ(r.session->Chords().CurrentType, perform::kMin);
       }},
      {"split zones set up by the channel set-up; a shift below note 0 corrected an octave",
       [](LiveRig& r) {
         r.session->Dispatch().SplitChoices[0] = {0, 4, 2, -1, true};
         r.session->Dispatch().SplitChoices[1] = {0, 6, 3, 0, true};
         r.session->Options().KeyboardSplit = true;
         r.session->Resets().ChannelSetup();
       },
       0,
       {{0x90, 30, 100}, {0x90, 60, 100}},
       {{0x91, 30, 100}, {0x92, 60, 100}}},
      {"two-finger chords: a key a semitone above the root makes the pending chord minor; nothing is heard",
       [](LiveRig& r) { r.session->Options().TwoFingerChords = true, r.session->Play(); },
       0,
       {{0x90, 48, 100}, {0x90, 49, 100}},
       {},
       [](LiveRig& r) {
         EXPECT_EQ(r.session->Chords().PendingRoot, 48);
         EXPECT_EQ(r.session->Chords().PendingType, perform::kMin);
       }},
      {"Play Chords, clock off: a type key then a trigger key sound that chord at once",
       [](LiveRig& r) { ASSERT_TRUE(r.session->Dispatch().SetPlayChords(true)); },
       0,
       {{0x90, 49, 100}, {0x90, 60, 90}},
       {{0x90, 60, 90}, {0x90, 63, 90}, {0x90, 67, 90}, {0x90, 72, 90}},
       [](LiveRig& r) { EXPECT_EQ(r.session->Chords().CurrentType, perform::kMin); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    LiveRig rig;
    rig.Start();
    c.Setup(rig);
    rig.ports->ClearSent();
    for (const Bytes& m : c.Messages) rig.Send(c.Input, {m});
    EXPECT_EQ(rig.Sent(), c.Out);
    c.Check(rig);
  }
}

TEST(LiveInput, ChordKeysStartTheStyleAndTheEndingKeyArmsThenStops) {
  LiveRig rig;
  rig.Start();
  testing::StyleWriter style;
  style.Voice(0, 0).Part(1, 1, [](testing::StyleWriter& s, int, int, int) { s.Play({{0, 48}}, 12); });
  ASSERT_EQ(rig.session->Gen().LoadStyleFromBytes("T.VXS", style.FileBytes()), styles::LoadOutcome::Loaded);
  rig.Send(0, {{0x90, 45, 100}, {0x90, 48, 100}, {0x90, 52, 100}});  // A C E
  ASSERT_TRUE(rig.session->Engine().StylePlaying());
  rig.ports->ClearSent();
  rig.session->Clock().OnTick();
  EXPECT_EQ(rig.Sent(), (std::vector<Bytes>{{0x90, 45, 100}}));  // pattern C played as the root of A minor

  const int ending = config::ComputeControlKeyNotes(rig.session->Settings()).Ending;
  ASSERT_LT(ending, 40);
  rig.Send(0, {{0x90, static_cast<uint8_t>(ending), 100}});
  EXPECT_TRUE(rig.session->Engine().EndingPending);
  rig.Send(0, {{0x90, static_cast<uint8_t>(ending), 100}});
  EXPECT_FALSE(rig.session->Engine().StylePlaying());
}

// The melody track's seam: what the player plays and what the controls make are offered to it.
TEST(LiveInput, PlayedAndGeneratedMessagesReachTheMelodyHook) {
  struct Melody final : perform::MelodyRecorder {
    void RecordPlayed(uint8_t s, uint8_t d1, uint8_t, bool) override {
      Log.push_back("played " + std::to_string(s + d1));
    }
    void RecordGenerated(uint8_t s, uint8_t d1, uint8_t) override {
      Log.push_back("made " + std::to_string(s + d1));
    }
    std::vector<std::string> Log;
  } melody;
  LiveRig rig;
  rig.Start();
  rig.session->LiveHooks.Melody = &melody;
  rig.Send(0, {{0x90, 72, 100}});
  rig.session->SendGenerated(0xB0, 7, 100);
  EXPECT_EQ(melody.Log, (std::vector<std::string>{"played " + std::to_string(0x90 + 72),
                                                  "made " + std::to_string(0xB0 + 7)}));
}

}  // namespace
}  // namespace kalo::app
