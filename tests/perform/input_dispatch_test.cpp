#include "perform/input_dispatch.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "perform/chord_printing.h"
#include "perform/live_input_rig.h"

namespace kalo::perform {
namespace {

using testing::Bytes;
using testing::LiveInputRig;

// With the factory keys: Fill in 36, To Ext. 37, Ending 38, To Basic 39, accompaniment zone 40..59.
struct Case {
  const char* Name;
  std::function<void(LiveInputRig&)> Setup;
  std::vector<Bytes> Sent;
  std::vector<Bytes> Out;  // input 1: played on "Midiout"; input 2: passed on to output 1
  std::vector<std::string> Calls = {};
  Chord Expected = {};
};

void RunCase(int input, const Case& c) {
  SCOPED_TRACE(c.Name);
  LiveInputRig rig;
  c.Setup(rig);
  rig.Live.Log.clear();
  rig.Devices.Backend->ClearSent();
  for (const Bytes& message : c.Sent) rig.Send(input, {message});
  EXPECT_EQ(input == 0 ? rig.Played() : rig.PassedOn(), c.Out);
  EXPECT_EQ(rig.Live.Log, c.Calls);
  EXPECT_EQ(rig.Current(), c.Expected);
}

TEST(InputDispatch, KeyboardEventsAreChordsControlsInstrumentsOrPlayedNotes) {
  const Case cases[] = {
      Case("a note arriving on channel 1 plays on keyboard channel 3",
           [](LiveInputRig& r) { r.Live.Channel = 2; }, {{0x90, 72, 100}, {0x80, 72, 0}},
           {{0x92, 72, 100}, {0x82, 72, 0}}),
      Case("the chord channel is compared with the arrival channel, not the keyboard channel",
           [](LiveInputRig& r) { r.Live.Channel = 2, r.Settings.AccChannel = 1; },
           {{0x90, 48, 100}, {0x90, 52, 100}, {0x90, 55, 100}, {0x92, 50, 90}}, {{0x92, 50, 90}}, {},
           {48, kMaj}),
      Case("the ending key below the zone reaches the engine at each press; its release plays through",
           [](LiveInputRig&) {}, {{0x90, 38, 100}, {0x90, 38, 0}, {0x90, 38, 100}}, {{0x90, 38, 0}},
           {"EnterFunction 38 12", "EnterFunction 38 12"}),
      Case("in Play Chords a control key does nothing unless the Chordmemory is step-recorded",
           [](LiveInputRig& r) { r.Options.PlayChords = true, r.Live.Sync = 1; }, {{0x90, 36, 100}}, {}),
      Case("in Play Chords a control key enters its function while step recording",
           [](LiveInputRig& r) { r.Options.PlayChords = true, r.Live.Sync = 1, r.Live.State = 2; },
           {{0x90, 36, 100}}, {}, {"EnterFunction 36 12"}),
      Case("a velocity offset of 20 caps at 127", [](LiveInputRig& r) { r.Settings.VelOffset = 20; },
           {{0x90, 72, 120}, {0x90, 73, 100}, {0x90, 73, 0}},
           {{0x90, 72, 127}, {0x90, 73, 120}, {0x90, 73, 0}}),
      Case("a velocity offset of -20 leaves a quiet note as it was",
           [](LiveInputRig& r) { r.Settings.VelOffset = -20; }, {{0x90, 72, 10}, {0x90, 73, 50}},
           {{0x90, 72, 10}, {0x90, 73, 30}}),
      Case("suppressed controllers keep controllers below 120, programs and pressure off the line",
           [](LiveInputRig& r) { r.Live.Suppress[0] = true; },
           {{0xB0, 7, 90}, {0xB0, 121, 0}, {0xC0, 5, 0}, {0xD0, 40, 0}, {0xE0, 0, 70}},
           {{0xB0, 121, 0}, {0xE0, 0, 70}}),
      Case("fingered chord keys are never heard, not even before the chord is complete", [](LiveInputRig&) {},
           {{0x90, 50, 100}, {0x90, 53, 100}, {0x90, 57, 100}, {0x80, 50, 0}}, {}, {}, {50, kMin}),
      Case("two-finger chords: D then F gives D min7",
           [](LiveInputRig& r) { r.Options.TwoFingerChords = true; }, {{0x90, 50, 100}, {0x90, 53, 100}}, {},
           {}, {50, kMin7}),
      Case("triggered chords: a type key, then the trigger key at its velocity",
           [](LiveInputRig& r) { r.Options.PlayChords = true; },
           {{0x90, 50, 70}, {0x90, 64, 90}, {0x80, 64, 0}}, {},
           {"SetChordSoundVelocity 90", "StopChordSound"}, {64, kSeventh}),
      Case("the instrument-step box makes the top four keys of the zone step commands",
           [](LiveInputRig& r) { r.Options.InstrumentStep = true; },
           {{0x90, 59, 100}, {0x90, 56, 100}, {0x90, 55, 100}}, {},
           {"SelectInstrumentPreset 1975", "SelectInstrumentPreset 1978"}),
      Case("instrument keys select presets; their releases and keys below them play",
           [](LiveInputRig& r) { r.Options.Chords = false, r.Options.Instruments = true; },
           {{0x90, 40, 100}, {0x80, 40, 0}, {0x90, 30, 100}}, {{0x80, 40, 0}, {0x90, 30, 100}},
           {"SelectInstrumentPreset 4"}),
      Case("split zones take their channel and transposition; keys above them stay",
           [](LiveInputRig& r) {
             r.Options.Chords = false, r.Options.KeyboardSplit = true;
             r.Dispatch.SplitChoices[0] = {0, 4, 2, 0, true};
             r.Dispatch.SplitChoices[1] = {0, 6, 3, -1, true};
             r.Dispatch.KeyboardSplitSetup();
           },
           {{0x90, 30, 100}, {0x90, 60, 100}, {0x90, 100, 100}},
           {{0x91, 30, 100}, {0x92, 48, 100}, {0x90, 100, 100}}),
      Case("the keyboard shift moves played notes but not drums, and drops what leaves the MIDI range",
           [](LiveInputRig& r) { r.Options.UnchangedExtIn = true, r.Dispatch.SetKeyboardOctave(4); },
           {{0x90, 72, 100}, {0x90, 90, 100}, {0x99, 30, 100}}, {{0x90, 120, 100}, {0x99, 30, 100}}),
  };
  for (const Case& c : cases) RunCase(0, c);
}

TEST(InputDispatch, SequencerEventsAreCommandsChordCodesOrPassedOn) {
  const Case cases[] = {
      Case("controller 22 value 60 sets tempo 120 and is dropped",
           [](LiveInputRig& r) { r.Options.TempoDetection = true; }, {{0xB0, 22, 60}}, {}, {"SetTempo 120"}),
      Case("controller 22 value 10 (tempo 20) is ignored but still dropped",
           [](LiveInputRig& r) { r.Options.TempoDetection = true; }, {{0xB0, 22, 10}}, {}),
      Case("while the Style-Creator records chords, controller 22 is material",
           [](LiveInputRig& r) { r.Options.TempoDetection = true, r.Live.RecordsChords = true; },
           {{0xB0, 22, 60}}, {{0xB0, 22, 60}}),
      Case("controller 21 sets two intro measures and the lead-in position",
           [](LiveInputRig& r) { r.Options.IntroDetection = true; }, {{0xB0, 21, 2}, {0xB0, 21, 2}}, {},
           {"SetIntroMeasures -2", "SetSongPosition -40"}),
      Case("chord codes become the current chord and are never passed on",
           [](LiveInputRig& r) { r.Options.ReceiveChordCodes = true; }, {{0xB3, 20, 40}, {0xB3, 19, 82}}, {},
           {}, {58, kSus7}),
      Case("the channel filter drops muted channels and transposes notes",
           [](LiveInputRig& r) { r.Live.Muted[1] = true, r.Live.Transpose = 2; },
           {{0x91, 60, 100}, {0x90, 60, 100}, {0x99, 36, 100}, {0xB0, 84, 60}},
           {{0x90, 62, 100}, {0x99, 36, 100}, {0xB0, 84, 62}}),
      Case("Unchanged MIDI in skips the filter and the controller 84 transposition",
           [](LiveInputRig& r) {
             r.Options.UnchangedMidiIn = true, r.Live.Muted[0] = true, r.Live.Transpose = 2;
           },
           {{0x90, 60, 100}, {0xB0, 84, 60}}, {{0x90, 60, 100}, {0xB0, 84, 60}}),
      Case("in Slave Mode a clock byte runs the clock and is passed on",
           [](LiveInputRig& r) {
             r.Options.SlaveMode = true, r.Devices.System.Switches().ClockPassThrough = true;
           },
           {{0xF8, 0, 0}}, {{0xF8}}, {"ExternalRealtime 248"}),
  };
  for (const Case& c : cases) RunCase(1, c);
}

TEST(InputDispatch, AdLibMovesTheMelodyIntoTheChordAndReleasesWhatItPressed) {
  LiveInputRig rig;
  rig.Options.Chords = false, rig.Options.MelodyAdLib = true;
  rig.Chords.CurrentRoot = 57, rig.Chords.CurrentType = kMin;  // A min
  rig.Send(0, {{0xB0, 64, 127}, {0x90, 64, 100}});             // sustain down, E
  rig.Chords.CurrentRoot = 48, rig.Chords.CurrentType = kMaj;  // C maj
  rig.Send(0, {{0x90, 64, 0}, {0x90, 64, 100}});
  const std::vector<Bytes> expected = {{0xB0, 64, 127}, {0x90, 60, 100},  // E is the third: C in A minor
                                       {0xB0, 64, 0},   {0xB0, 66, 0},
                                       {0x90, 60, 0},  // the root changed with sustain down
                                       {0x90, 64, 100}};
  EXPECT_EQ(rig.Played(), expected);
}

TEST(InputDispatch, SplitZonesKeepTheirKeysInTheMidiRange) {
  struct ZoneCase {
    const char* Name;
    SplitZoneChoice Choice;
    int Upper, Transpose;
  } const cases[] = {
      {"C in octave 4 is key 48", {0, 4, 1, 0, true}, 48, 0},
      {"C# in octave 4 is key 37", {1, 4, 1, 0, true}, 37, 0},
      {"B in octave 4 is key 47", {11, 4, 1, 0, true}, 47, 0},
      {"a shift below key 0 is raised", {0, 4, 1, -2, true}, 48, 0},
      {"a shift above key 127 is lowered", {0, 4, 1, 8, true}, 48, 72},
  };
  for (const ZoneCase& c : cases) {
    SCOPED_TRACE(c.Name);
    const SplitZones zones = ComputeSplitZones({c.Choice});
    EXPECT_EQ(zones[0].UpperKey, c.Upper);
    EXPECT_EQ(zones[0].Transpose, c.Transpose);
  }
}

}  // namespace
}  // namespace kalo::perform
