#include "app/arranger.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "app/arranger_rig.h"
#include "app/engine_rig.h"

namespace kalo::app {
namespace {

using Bytes = std::vector<uint8_t>;

class ArrangerTest : public ::testing::Test, public testing::ArrangerRig {
 protected:
  explicit ArrangerTest(int inputs = 1) : ArrangerRig(inputs) {}
};

TEST_F(ArrangerTest, StartOpensTheStoredDevicesAndLoadsTheBuiltInInstruments) {
  arranger->Settings().MidiOut = 1;
  arranger->Start();
  EXPECT_TRUE(virtualPorts->OutputOpen(1));
  EXPECT_TRUE(virtualPorts->InputOpen(0));
  EXPECT_EQ(arranger->Mixer().InstrumentEntries().size(), 128u);
  EXPECT_TRUE(Sent(1, true).empty());  // the reset of kind none sends nothing for the built-in list
  EXPECT_TRUE(dialogs.Messages().empty());
}

TEST_F(ArrangerTest, StartWithTheDb50xgListSendsTheGmMessageAndSetsUpTheChannels) {
  arranger->Settings().Patch = "/missing/folder/db50xg.vxi";
  arranger->Start();
  EXPECT_EQ(Sent(0, true), (std::vector<Bytes>{{0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7}}));
  loop.RunPending();
  EXPECT_TRUE(dialogs.Messages().empty());
}

TEST_F(ArrangerTest, TheResetButtonFollowsThePatchModeAndReportsDoneOnce) {
  StartAndSettle();
  arranger->Settings().PatchMode = 2;
  arranger->MidiResetButton();
  loop.RunPending();
  EXPECT_EQ(Sent(0, true).size(), 2u);
  EXPECT_EQ(dialogs.Messages(), std::vector<std::string>{"MIDI-Reset is done !"});
}

TEST_F(ArrangerTest, AResetDisarmsSyncStartUntilItIsDone) {
  StartAndSettle();
  arranger->SyncStart = -1;
  arranger->MidiReset(midi::ResetKind::Gm);
  EXPECT_EQ(arranger->SyncStart, 0);
  loop.RunPending();
  EXPECT_EQ(arranger->SyncStart, -1);
}

TEST_F(ArrangerTest, TheChannelSetUpStoresThePadVoiceAndSwitchesTheControllerFilterBackOn) {
  arranger->Options().TransmitControllers = true;
  arranger->Options().UnchangedMidiIn = true;
  arranger->Midi().Switches().ControllerFilter = false;
  arranger->PadChannel = 3;
  arranger->Start();
  EXPECT_EQ(arranger->Mixer().Voice(15), (midi::VoiceRecord{105, 50, 90, 12, 0, 0, 0, 89}));
  EXPECT_FALSE(arranger->Options().TransmitControllers);
  EXPECT_FALSE(arranger->Options().UnchangedMidiIn);
  EXPECT_TRUE(arranger->Midi().Switches().ControllerFilter.load());
  EXPECT_EQ(arranger->PadChannel, 16);
}

TEST_F(ArrangerTest, TransmitControllersLetsRepeatedControllerValuesInWhileTicked) {
  StartAndSettle();
  midi::TMidiInput& input = *arranger->Input1();
  const uint32_t volume100 = 0xB2 | 7 << 8 | 100 << 16;
  auto arriving = [&](int count) {
    for (int i = 0; i < count; ++i) virtualPorts->InjectShort(0, volume100);
    int arrived = 0;
    for (; input.MessageCount() > 0; ++arrived) input.GetMidiEvent();
    return arrived;
  };
  EXPECT_EQ(arriving(2), 1);
  arranger->SetTransmitControllers(true);
  EXPECT_EQ(arriving(2), 2);
  arranger->SetTransmitControllers(false);
  EXPECT_EQ(arriving(2), 0);
}

TEST_F(ArrangerTest, AllNotesOffReleasesTheSustainSliderAndClearsTheChordTypeOverride) {
  StartAndSettle();
  ASSERT_TRUE(arranger->Mixer().SetKeyboardChannel(2));
  arranger->Mixer().SetSlider(MixerSlider::Sustain, 127);
  arranger->Chords().SetChordTypeOverride(4);
  arranger->Engine().Book.HeldVelocity[3][60] = 100;
  virtualPorts->ClearSent();

  arranger->AllNotesOff();
  const std::vector<Bytes> sent = Sent(0);
  ASSERT_EQ(sent.size(), 49u);
  EXPECT_EQ(sent.back(), (Bytes{0xB2, 64, 0}));
  EXPECT_EQ(arranger->Mixer().Slider(MixerSlider::Sustain), 0);
  EXPECT_EQ(arranger->Chords().ChordTypeOverride(), 0);
  EXPECT_EQ(arranger->Engine().Book.HeldVelocity[3][60], 0);
}

TEST_F(ArrangerTest, ResetControllersSendsTheKeyboardVoiceAfterTheSixteen121sAndClearsTheOverride) {
  StartAndSettle();
  arranger->Chords().SetChordTypeOverride(4);
  arranger->ResetControllers();
  const std::vector<Bytes> sent = Sent(0);
  // The sixteen 121s are the resets' own; the Arranger's keyboard voice follows, starting with its
  // own controller reset on the keyboard channel.
  ASSERT_GT(sent.size(), 17u);
  EXPECT_EQ(sent[15], (Bytes{0xBF, 121, 0}));
  EXPECT_EQ(sent[16], (Bytes{0xB0, 121, 0}));
  EXPECT_EQ(sent[17][0], 0xC0);
  EXPECT_EQ(arranger->Chords().ChordTypeOverride(), 0);
  // The memory was reset after the voice was sent, so the next value passes the filter again.
  EXPECT_EQ(arranger->Midi().Controllers().Value(0, 7), midi::ControllerMemory::kNeverSet);
}

TEST_F(ArrangerTest, GeneratedMessagesAreRememberedAndGoToMidioutOrWithChordCodesToBothOutputs) {
  arranger->Settings().MidiSubOut = 1;
  StartAndSettle();
  ASSERT_TRUE(arranger->Output2().IsOpen());
  arranger->SendGenerated(0xB3, 7, 88);
  EXPECT_EQ(Sent(0), (std::vector<Bytes>{{0xB3, 7, 88}}));
  EXPECT_TRUE(Sent(1).empty());
  EXPECT_EQ(arranger->Midi().Controllers().Value(3, 7), 88);

  arranger->Options().SendChordCodes = true;
  virtualPorts->ClearSent();
  arranger->SendGenerated(0xB3, 10, 64);
  arranger->SendGenerated(0x93, 60, 100);  // note-ons stay on "Midiout"
  EXPECT_EQ(Sent(0), (std::vector<Bytes>{{0xB3, 10, 64}, {0x93, 60, 100}}));
  EXPECT_EQ(Sent(1), (std::vector<Bytes>{{0xB3, 10, 64}}));
}

TEST_F(ArrangerTest, OutputVolumeSlidersSetTheMidioutDeviceVolumeLeftInTheLowHalf) {
  StartAndSettle();
  arranger->Mixer().SetRightVolume(50);
  EXPECT_EQ(virtualPorts->Volume(0), (uint32_t{32500} << 16) | 65535u);
}

TEST_F(ArrangerTest, WithMidiOutAtNoneTheVolumeSlidersChangeNoDevice) {
  arranger->Settings().MidiOut = 2;
  StartAndSettle();
  arranger->Mixer().SetLeftVolume(10);
  EXPECT_EQ(virtualPorts->Volume(0), 0xFFFFFFFFu);
  EXPECT_EQ(virtualPorts->Volume(1), 0xFFFFFFFFu);
}

TEST_F(ArrangerTest, CheckingInstrumentPadSendsThePadInstrumentOnThePadChannel) {
  StartAndSettle();
  arranger->SetInstrumentPad(true);
  EXPECT_EQ(Sent(0), (std::vector<Bytes>{{0xCF, 89}}));
  EXPECT_EQ(arranger->Mixer().Voice(15).Program, 89);
  virtualPorts->ClearSent();
  arranger->SetStartvalues();
  const std::vector<Bytes> sent = Sent(0);
  ASSERT_FALSE(sent.empty());
  EXPECT_EQ(sent.back(), (Bytes{0xCF, 89}));
}

TEST_F(ArrangerTest, DevicePositionsAreCopiedIntoTheSettings) {
  StartAndSettle();
  ASSERT_TRUE(arranger->Devices().SelectSecondOut(1));
  ASSERT_TRUE(arranger->Devices().SelectMidiIn(1));
  arranger->StoreDevicePositions();
  EXPECT_EQ(arranger->Settings().MidiOut, 0);
  EXPECT_EQ(arranger->Settings().MidiIn, 1);
  EXPECT_EQ(arranger->Settings().MidiSubOut, 1);
  EXPECT_EQ(arranger->Settings().MidiSubIn, 1);
}

TEST_F(ArrangerTest, AChordKeyStartsTheStyleInItsChordAndStopSilencesTheSoundingNotes) {
  StartAndSettle();
  arranger->Settings().PlayIntro = false;  // no count-in
  arranger->Settings().Pad = false;
  testing::StyleWriter style;
  style.Voice(0, 0).Part(1, 1, [](testing::StyleWriter& s, int, int, int b) {
    s.Play({{0, static_cast<uint8_t>(40 + b)}}, 12);
  });
  ASSERT_EQ(arranger->Gen().LoadStyleFromBytes("T.VXS", style.FileBytes()), styles::LoadOutcome::Loaded);
  virtualPorts->ClearSent();

  for (int key : {62, 66, 69}) arranger->ChordKeyDown(key);  // D F# A in the accompaniment zone
  EXPECT_TRUE(arranger->Engine().StylePlaying());
  EXPECT_EQ(arranger->Clock().ClockState, 1);  // the first chord switched the clock on
  virtualPorts->ClearSent();
  arranger->Clock().OnTick();
  EXPECT_EQ(Sent(0), (std::vector<Bytes>{{0x90, 42, 100}}));  // pattern note 40 in D maj

  arranger->Stop();
  const std::vector<Bytes> sent = Sent(0);
  for (uint8_t c = 0; c < 16; ++c)
    EXPECT_NE(std::find(sent.begin(), sent.end(), Bytes{static_cast<uint8_t>(0xB0 | c), 123, 0}), sent.end())
        << +c;
  EXPECT_FALSE(arranger->Engine().StylePlaying());
  EXPECT_EQ(arranger->Engine().Book.HeldVelocity[0][40], 0);
}

class ArrangerWithoutInputsTest : public ArrangerTest {
 protected:
  ArrangerWithoutInputsTest() : ArrangerTest(0) {}
};

TEST_F(ArrangerWithoutInputsTest, LeavesTheInputSlotsEmptyAndStillStarts) {
  EXPECT_EQ(arranger->Input1(), nullptr);
  EXPECT_EQ(arranger->Input2(), nullptr);
  arranger->Start();
  EXPECT_TRUE(arranger->Output1().IsOpen());
  EXPECT_EQ(arranger->Devices().MidiInList().Entries, std::vector<std::string>{"<None>"});
}

}  // namespace
}  // namespace kalo::app
