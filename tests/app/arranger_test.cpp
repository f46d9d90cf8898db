#include "app/arranger.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/arranger_rig.h"

namespace kalo::app {
namespace {

using Bytes = std::vector<uint8_t>;

class ArrangerTest : public ::testing::Test, public testing::ArrangerRig {};

TEST(Arranger, StartOpensTheStoredDevicesAndLoadsTheInstrumentListWithItsReset) {
  struct Row {
    const char* Patch;  // "" for the built-in list, whose reset (of kind none) sends nothing
    size_t Instruments;
    std::vector<Bytes> Reset;
  };
  for (const Row& row :
       {Row{"", 128, {}}, Row{"/missing/folder/db50xg.vxi", 0, {{0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7}}}}) {
    testing::ArrangerRig rig;
    rig.arranger->Settings().MidiOut = 1;
    if (*row.Patch != '\0') rig.arranger->Settings().Patch = row.Patch;
    rig.arranger->Start();
    EXPECT_TRUE(rig.virtualPorts->OutputOpen(1)) << row.Patch;
    EXPECT_TRUE(rig.virtualPorts->InputOpen(0)) << row.Patch;
    EXPECT_EQ(rig.arranger->Mixer().InstrumentEntries().size(), row.Instruments) << row.Patch;
    EXPECT_EQ(rig.Sent(1, true), row.Reset) << row.Patch;
    rig.loop.RunPending();
    EXPECT_TRUE(rig.dialogs.Messages().empty()) << row.Patch;
  }
}

TEST_F(ArrangerTest, TheResetButtonFollowsThePatchModeDisarmsSyncStartUntilDoneAndReportsDoneOnce) {
  StartAndSettle();
  arranger->Settings().PatchMode = 2;
  arranger->SyncStart = -1;
  arranger->MidiResetButton();
  EXPECT_EQ(arranger->SyncStart, 0);
  loop.RunPending();
  EXPECT_EQ(arranger->SyncStart, -1);
  EXPECT_EQ(Sent(0, true).size(), 2u);
  EXPECT_EQ(dialogs.Messages(), std::vector<std::string>{"MIDI-Reset is done !"});
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

TEST(Arranger, OutputVolumeSlidersSetTheMidioutDeviceVolumeLeftInTheLowHalfAndNoDeviceWithoutMidiout) {
  for (int midiOut : {0, 2}) {  // 2: "<None>"
    testing::ArrangerRig rig;
    rig.arranger->Settings().MidiOut = midiOut;
    rig.StartAndSettle();
    rig.arranger->Mixer().SetRightVolume(50);
    const uint32_t expected = midiOut == 0 ? (uint32_t{32500} << 16) | 65535u : 0xFFFFFFFFu;
    EXPECT_EQ(rig.virtualPorts->Volume(0), expected) << "MidiOut " << midiOut;
    EXPECT_EQ(rig.virtualPorts->Volume(1), 0xFFFFFFFFu) << "MidiOut " << midiOut;
  }
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
  EXPECT_EQ(arranger->Settings().MidiSubIn, -2) << "left at <None>";
}

TEST(Arranger, WithoutInputsLeavesTheInputSlotsEmptyAndStillStarts) {
  testing::ArrangerRig rig(0);
  EXPECT_EQ(rig.arranger->Input1(), nullptr);
  EXPECT_EQ(rig.arranger->Input2(), nullptr);
  rig.arranger->Start();
  EXPECT_TRUE(rig.arranger->Output1().IsOpen());
  EXPECT_EQ(rig.arranger->Devices().MidiInList().Entries, std::vector<std::string>{"<None>"});
}

}  // namespace
}  // namespace kalo::app
