#include "midi/device_config.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "midi/device_config_rig.h"
#include "midi/midi_errors.h"
#include "thrown_text.h"

namespace kalo::midi {
namespace {

using testing::DeviceRig;
using testing::ThrownText;
using Entries = std::vector<std::string>;

// Records what opening an output sets off.
class HookLog : public OutputOpenedHook {
 public:
  void ResetControllers() override { Calls.push_back("ResetControllers"); }
  void ChannelSetup() override { Calls.push_back("ChannelSetup"); }
  std::vector<std::string> Calls;
};

TEST(DeviceConfigTest, ListsNameTheDevicesInOrderThenNoneAndSelectTheStoredEntryOrWarn) {
  const struct {
    int Devices;
    int Stored;
    int Selected;
    bool Warned;
  } cases[] = {{2, 0, 0, false}, {2, 1, 1, false}, {2, 2, 2, false},
               {2, 3, 2, true},  {0, 1, 0, true},  {2, -2, -1, false}};
  for (const auto& c : cases) {
    Entries names;
    for (int i = 0; i < c.Devices; ++i) names.push_back("Port " + std::to_string(i));
    DeviceRig rig(names, names);
    DeviceList inputs;
    rig.Config->FillInputList(inputs, c.Stored, false, rig.Input1.get());
    DeviceList outputs;
    rig.Config->FillOutputList(outputs, c.Stored, false, *rig.Output1);
    names.push_back("<None>");
    EXPECT_EQ(inputs.Entries, names);
    EXPECT_EQ(outputs.Entries, names);
    EXPECT_EQ(std::pair(inputs.Selected, outputs.Selected), std::pair(c.Selected, c.Selected)) << c.Stored;
    const Entries warnings{kWrongInputDevice, kWrongOutputDevice};
    EXPECT_EQ(rig.Dialogs.Messages(), c.Warned ? warnings : Entries{}) << c.Stored;
  }
}

TEST(DeviceConfigTest, ADeviceWhoseCapabilitiesCannotBeReadEndsTheListWithNoneAndRaisesTheDriverText) {
  DeviceRig rig({"Keys A", "Keys B"}, {"Synth A", "Synth B"});
  rig.Backend->FailInput(1, VirtualOp::Capabilities, result::kNoDriver);
  rig.Backend->FailOutput(1, VirtualOp::Capabilities, result::kNoDriver);
  DeviceList inputs;
  EXPECT_EQ(
      ThrownText<EMidiInputError>([&] { rig.Config->FillInputList(inputs, 0, false, rig.Input1.get()); }),
      "No MIDI driver is available");
  EXPECT_EQ(inputs.Entries, (Entries{"Keys A", "<None>"}));
  DeviceList outputs;
  EXPECT_EQ(
      ThrownText<EmidioutputError>([&] { rig.Config->FillOutputList(outputs, 0, false, *rig.Output1); }),
      "No MIDI driver is available");
  EXPECT_EQ(outputs.Entries, (Entries{"Synth A", "<None>"}));
}

TEST(DeviceConfigTest, StartUpOpensTheStoredDevicesAndGivesTheSecondSlotsNone) {
  DeviceRig rig({"Keys A", "Keys B"}, {"Synth A", "Synth B"});
  rig.Config->OpenConfigured({1, 1, -2, -2});
  // The last real entry opens its own device, not the default output.
  EXPECT_TRUE(rig.Backend->OutputOpen(1));
  EXPECT_FALSE(rig.Backend->OutputOpen(0));
  EXPECT_EQ(rig.Output1->DeviceID(), 1);
  EXPECT_TRUE(rig.Backend->InputOpen(1));
  EXPECT_EQ(rig.Config->SecondOutList().Entries, rig.Config->MidiOutList().Entries);
  EXPECT_TRUE(rig.Config->SecondOutList().NoneSelected());
  EXPECT_TRUE(rig.Config->ExtInList().NoneSelected());
  EXPECT_EQ(rig.Config->Positions(), (StoredDevicePositions{1, 1, -2, -2})) << "<None> is kept as none";
  EXPECT_TRUE(rig.Dialogs.Messages().empty());
}

TEST(DeviceConfigTest, StartUpRestoresStoredSecondDevicesUnderTheSameDeviceRules) {
  DeviceRig rig({"Keys A", "Keys B"}, {"Synth A", "Synth B"});
  rig.Config->OpenConfigured({0, 0, 1, 0});
  EXPECT_TRUE(rig.Output2->IsOpen());
  EXPECT_EQ(rig.Output2->DeviceID(), 1);
  EXPECT_EQ(rig.Config->Routes().SecondSlot, OutputSlot::Second);
  // Input 1 already uses device 0: input 2 stays closed.
  EXPECT_FALSE(rig.Input2->IsOpen());
  EXPECT_TRUE(rig.Config->ExtInList().NoneSelected());
}

TEST(DeviceConfigTest, AStoredSecondDeviceBeyondTheListWarnsAndStaysNone) {
  DeviceRig rig({"Keys"}, {"Synth"});
  rig.Config->OpenConfigured({0, 0, 5, 5});
  EXPECT_EQ(rig.Dialogs.Messages(), (Entries{kWrongOutputDevice, kWrongInputDevice}));
  EXPECT_FALSE(rig.Output2->IsOpen());
}

TEST(DeviceConfigTest, ADeviceThatFailsToOpenAtStartUpIsReportedAndTheOthersStillOpen) {
  DeviceRig rig({"Keys"}, {"Synth"});
  rig.Backend->FailOutput(0, VirtualOp::Open, result::kAllocated);
  rig.Config->OpenConfigured({0, 0, -2, -2});
  EXPECT_FALSE(rig.Output1->IsOpen());
  EXPECT_TRUE(rig.Input1->IsOpen());
  ASSERT_EQ(rig.Dialogs.Messages().size(), 1u);
  EXPECT_FALSE(rig.Dialogs.Messages()[0].empty());
}

TEST(DeviceConfigTest, OpeningAnOutputResetsControllersThenSetsUpTheChannels) {
  DeviceRig rig({}, {"Synth"});
  HookLog hook;
  rig.Config->SetOpenedHook(&hook);
  rig.Config->OpenConfigured({0, 0, -2, -2});
  EXPECT_EQ(hook.Calls, (Entries{"ResetControllers", "ChannelSetup"}));
  hook.Calls.clear();
  rig.Config->SelectMidiOut(1);  // "<None>": nothing opens, the set-up still runs
  EXPECT_EQ(hook.Calls, Entries{"ChannelSetup"});
  EXPECT_FALSE(rig.Output1->IsOpen());
}

TEST(DeviceConfigTest, ChoosingForExtInTheDeviceOfMidiInLeavesInput2Unchanged) {
  DeviceRig rig({"Keys A", "Keys B"}, {"Synth"});
  rig.Config->OpenConfigured({0, 0, -2, 1});
  ASSERT_TRUE(rig.Input2->IsOpen());
  EXPECT_FALSE(rig.Config->SelectExtIn(0));
  EXPECT_EQ(rig.Input2->DeviceID(), 1);
  EXPECT_TRUE(rig.Input2->IsOpen());
  EXPECT_EQ(rig.Config->ExtInList().Selected, 1);
  EXPECT_FALSE(rig.Config->SelectMidiIn(1));
  EXPECT_EQ(rig.Input1->DeviceID(), 0);
}

TEST(DeviceConfigTest, ChoosingNoneForAnInputClosesIt) {
  DeviceRig rig({"Keys A", "Keys B"}, {"Synth"});
  rig.Config->OpenConfigured({0, 0, -2, -2});
  ASSERT_TRUE(rig.Input1->IsOpen());
  // Input 2 was never opened and still names device 0; that must not keep input 1 open.
  EXPECT_TRUE(rig.Config->SelectMidiIn(2));
  EXPECT_FALSE(rig.Input1->IsOpen());
  EXPECT_TRUE(rig.Config->SelectExtIn(0));
  EXPECT_TRUE(rig.Input2->IsOpen());
  EXPECT_TRUE(rig.Config->SelectExtIn(2));
  EXPECT_FALSE(rig.Input2->IsOpen());
}

TEST(DeviceConfigTest, RoutesAreRecomputedAfterEveryOutputChange) {
  DeviceRig rig({}, {"Synth A", "Synth B"});
  rig.Config->OpenConfigured({0, 0, -2, -2});
  const OutputRoutes initial = rig.Config->Routes();
  EXPECT_EQ(initial,
            (OutputRoutes{OutputSlot::First, OutputSlot::Second, OutputSlot::Second, OutputSlot::First}));

  ASSERT_TRUE(rig.Config->SelectSecondOut(1));
  EXPECT_EQ(rig.Config->Routes().SecondSlot, OutputSlot::Second);
  EXPECT_EQ(&rig.Config->SecondSlot(), rig.Output2.get());

  // Output 1 takes over output 2's device: output 2 closes and the second-slot route falls back.
  ASSERT_TRUE(rig.Config->SelectMidiOut(1));
  EXPECT_FALSE(rig.Output2->IsOpen());
  EXPECT_TRUE(rig.Output1->IsOpen());
  EXPECT_EQ(rig.Output1->DeviceID(), 1);
  EXPECT_EQ(rig.Config->Routes().SecondSlot, OutputSlot::First);

  ASSERT_TRUE(rig.Config->SelectSecondOut(0));
  EXPECT_EQ(rig.Config->Routes().SecondSlot, OutputSlot::Second);
  ASSERT_TRUE(rig.Config->SelectSecondOut(2));
  EXPECT_FALSE(rig.Output2->IsOpen());
  EXPECT_EQ(rig.Config->Routes().SecondSlot, OutputSlot::First);

  rig.Config->SetRouteChoice({OutputSlot::Second, OutputSlot::First, OutputSlot::First});
  EXPECT_EQ(&rig.Config->Midiout(), rig.Output2.get());
  EXPECT_EQ(&rig.Config->Clickout(), rig.Output1.get());
  EXPECT_EQ(&rig.Config->Chordsout(), rig.Output1.get());
}

TEST(DeviceConfigTest, TheSecondOutputRefusesTheDeviceOfMidiOut) {
  DeviceRig rig({}, {"Synth A", "Synth B"});
  rig.Config->OpenConfigured({0, 0, -2, -2});
  EXPECT_FALSE(rig.Config->SelectSecondOut(0));
  EXPECT_FALSE(rig.Output2->IsOpen());
  EXPECT_TRUE(rig.Config->SecondOutList().NoneSelected());
  EXPECT_TRUE(rig.Output1->IsOpen());
}

TEST(DeviceConfigTest, AFailedOpenThrowsTheDeviceErrorLeavesTheOutputClosedAndStillRecomputesRoutes) {
  DeviceRig rig({}, {"Synth A", "Synth B"});
  rig.Config->OpenConfigured({0, 0, 1, -2});
  ASSERT_EQ(rig.Config->Routes().SecondSlot, OutputSlot::Second);
  rig.Backend->FailOutput(1, VirtualOp::Open, result::kAllocated);
  // Output 1 takes device 1 from output 2, then cannot open it.
  EXPECT_THROW(rig.Config->SelectMidiOut(1), EmidioutputError);
  EXPECT_FALSE(rig.Output1->IsOpen());
  EXPECT_FALSE(rig.Output2->IsOpen());
  EXPECT_EQ(rig.Config->Routes().SecondSlot, OutputSlot::First);
}

TEST(DeviceConfigTest, AnInputThatFailsToStartIsLeftClosed) {
  DeviceRig rig({"Keys A", "Keys B"}, {});
  rig.Config->OpenConfigured({0, 0, -2, -2});
  rig.Backend->FailInput(1, VirtualOp::Start, result::kError);
  EXPECT_THROW(rig.Config->SelectMidiIn(1), EMidiInputError);
  EXPECT_FALSE(rig.Input1->IsOpen());
  EXPECT_FALSE(rig.Backend->InputOpen(1));
}

TEST(DeviceConfigTest, WithoutAnyInputDeviceTheInputListsHoldOnlyNone) {
  DeviceRig rig({}, {"Synth"});
  ASSERT_EQ(rig.Input1, nullptr);
  rig.Config->OpenConfigured({0, 0, -2, -2});
  EXPECT_EQ(rig.Config->MidiInList().Entries, Entries{"<None>"});
  EXPECT_TRUE(rig.Config->SelectMidiIn(0));
  EXPECT_TRUE(rig.Dialogs.Messages().empty());
}

}  // namespace
}  // namespace kalo::midi
