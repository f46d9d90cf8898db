#include "midi/resets.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "midi/device_config_rig.h"

namespace kalo::midi {
namespace {

using testing::Bytes;
using testing::DeviceRig;
using Texts = std::vector<std::string>;

// Stands in for the sequencer, the performance state, the mixer and the configuration. Sends a
// marker (controller 7 = 99 on channel 16) for the keyboard voice so its place in the stream shows.
class FakeSeam : public HousekeepingSeam {
 public:
  explicit FakeSeam(DeviceConfig& devices) : devices_(devices) {}

  bool SequencerPlaying() const override { return Playing; }
  void PressStop() override {
    Log.push_back("Stop");
    Playing = false;
  }
  int SyncStart() const override { return Sync; }
  void SetSyncStart(int state) override {
    Log.push_back("Sync " + std::to_string(state));
    Sync = state;
  }
  void ClearSoundingNotes() override { Log.push_back("ClearSoundingNotes"); }
  void ClearChordTypeOverride() override { Log.push_back("ClearOverride"); }
  void PrepareChannelSetup() override { Log.push_back("Prepare"); }
  void ApplyKeyboardSplit() override { Log.push_back("Split"); }
  void RestoreVoices() override { Log.push_back("RestoreVoices"); }
  MixerLevels Levels() const override { return Mixer; }
  void StoreVoice(uint8_t channel, const VoiceRecord& record) override {
    Log.push_back("StoreVoice " + std::to_string(channel));
    Stored = record;
  }
  void ReleaseSustainSlider() override { Log.push_back("Sustain 0"); }
  void SendKeyboardVoice() override {
    Log.push_back("KeyboardVoice");
    devices_.Midiout().PutShort(0xBF, 7, 99);
  }
  uint8_t PadProgram() const override { return 89; }
  std::string InstrumentListName() const override { return ListName; }
  bool InstrumentPadChecked() const override { return PadChecked; }
  void ResendInstrumentPad() override { Log.push_back("ResendPad"); }

  bool Playing = false, PadChecked = false;
  int Sync = 0;
  MixerLevels Mixer;
  VoiceRecord Stored;
  std::string ListName;
  Texts Log;

 private:
  DeviceConfig& devices_;
};

const Bytes kKeyboardVoiceMarker{0xBF, 7, 99};

// The devices with the resets over them; input 1 and output 1 open on the first devices.
struct ResetBench {
  ResetBench() {
    rig.Config->OpenConfigured({0, 0, -2, -2});
    rig.Config->SetOpenedHook(&resets);
    rig.Loop.RunPending();
    rig.Backend->ClearSent();
    seam.Log.clear();
  }

  size_t Count(const std::string& entry) const {
    return static_cast<size_t>(std::count(seam.Log.begin(), seam.Log.end(), entry));
  }

  DeviceRig rig{{"Keys"}, {"Synth A", "Synth B"}};
  FakeSeam seam{*rig.Config};
  MidiResets resets{rig.System, *rig.Config, seam, rig.Dialogs};
};

// The device reports the reset messages played one at a time, as a slow device does: the channel
// set-up and the message wait for the last of them (an XG reset still playing would undo the set-up).
TEST(MidiResets, AResetStopsReleasesAndResetsThenIsDoneOnceWhenTheDeviceHasPlayedEveryMessage) {
  const Bytes gm(kGmReset.begin(), kGmReset.end());
  const struct {
    ResetKind Kind;
    std::vector<Bytes> Messages;
  } rows[] = {{ResetKind::Gm, {gm}},
              {ResetKind::Gs, {Bytes(kGsReset.begin(), kGsReset.end())}},
              {ResetKind::Xg, {gm, Bytes(kXgReset.begin(), kXgReset.end())}}};
  for (const auto& row : rows) {
    SCOPED_TRACE(static_cast<int>(row.Kind));
    ResetBench b;
    b.seam.Playing = true;
    b.seam.Sync = -1;
    b.rig.Backend->SetDeferLongCompletion(true);
    b.resets.MidiReset(row.Kind);
    const std::vector<Bytes> sent = b.rig.Backend->SentBytes(0);
    // 16 × (64, 66, 123), then 16 × 121, then the keyboard voice, then the reset messages.
    ASSERT_EQ(sent.size(), 48u + 16u + 1u + row.Messages.size());
    EXPECT_EQ(sent[0], (Bytes{0xB0, 64, 0}));
    EXPECT_EQ(sent[47], (Bytes{0xBF, 123, 0}));
    EXPECT_EQ(sent[48], (Bytes{0xB0, 121, 0}));
    EXPECT_EQ(sent[64], kKeyboardVoiceMarker);
    EXPECT_EQ(std::vector<Bytes>(sent.begin() + 65, sent.end()), row.Messages);
    EXPECT_EQ(b.seam.Log.front(), "Stop");
    EXPECT_EQ(b.seam.Sync, 0) << "an armed sync start is off during the reset";
    for (size_t played = 0; played < row.Messages.size(); ++played) {
      b.rig.Loop.RunPending();
      EXPECT_TRUE(b.rig.Dialogs.Messages().empty()) << played << " played";
      EXPECT_EQ(b.Count("Prepare"), 0u) << played << " played";
      EXPECT_TRUE(b.resets.ResetPending());
      b.rig.Backend->CompleteLongMessages(1);
    }
    b.rig.Loop.RunPending();
    EXPECT_EQ(b.rig.Dialogs.Messages(), Texts{kResetDoneMessage});
    EXPECT_EQ(b.Count("Prepare"), 1u);
    EXPECT_FALSE(b.resets.ResetPending());
    EXPECT_FALSE(b.rig.Output1->Onmidioutput);
    EXPECT_EQ(b.seam.Sync, -1) << "armed again when done";
  }
}

TEST(MidiResets, NoneSendsGmOnlyForTheDb50xgListWithoutWaitingForTheDevice) {
  for (const auto& [list, sendsGm] :
       {std::pair{"DB50XG.VXI", true}, {"/opt/kalo/db50xg.vxi", true}, {"gs.vxi", false}, {"", false}}) {
    ResetBench b;
    b.seam.ListName = list;
    b.seam.Sync = 1;
    b.resets.MidiReset(ResetKind::None);
    EXPECT_EQ(b.rig.Backend->SentBytes(0, true).size(), sendsGm ? 1u : 0u) << list;
    EXPECT_EQ(b.Count("Prepare"), sendsGm ? 1u : 0u) << list;
    EXPECT_EQ(b.seam.Sync, 1) << list;
    b.rig.Loop.RunPending();
    EXPECT_TRUE(b.rig.Dialogs.Messages().empty()) << list;
  }
}

TEST(MidiResets, NothingIsSentWhileTheMidioutOutputIsClosed) {
  ResetBench b;
  b.rig.Config->SelectMidiOut(2);
  b.rig.Backend->ClearSent();
  b.seam.Log.clear();
  b.resets.MidiReset(ResetKind::Xg);
  b.resets.ResetControllers();
  b.resets.ChannelSetup();
  EXPECT_TRUE(b.rig.Backend->SentBytes(0).empty());
  EXPECT_EQ(b.seam.Log, (Texts{"ClearOverride", "Prepare"}));
}

TEST(MidiResets, ResetControllersSendsSixteen121sBeforeTheKeyboardVoiceAndClearsTheMemory) {
  ResetBench b;
  b.rig.System.Controllers().SetValue(3, 7, 100);
  b.resets.ResetControllers();
  std::vector<Bytes> expected;
  for (uint8_t channel = 0; channel < 16; ++channel)
    expected.push_back({static_cast<uint8_t>(0xB0 | channel), 121, 0});
  expected.push_back(kKeyboardVoiceMarker);
  EXPECT_EQ(b.rig.Backend->SentBytes(0), expected);
  EXPECT_EQ(b.rig.System.Controllers().Value(3, 7), ControllerMemory::kNeverSet);
  EXPECT_EQ(b.seam.Log, (Texts{"KeyboardVoice", "ClearOverride"}));
}

TEST(MidiResets, AllNotesOffReleasesEveryChannelAndClearsThePerformanceState) {
  ResetBench b;
  b.resets.AllNotesOff();
  const std::vector<Bytes> sent = b.rig.Backend->SentBytes(0);
  ASSERT_EQ(sent.size(), 48u);
  for (uint8_t channel = 0; channel < 16; ++channel) {
    const auto status = static_cast<uint8_t>(0xB0 | channel);
    EXPECT_EQ(sent[channel * 3u], (Bytes{status, 64, 0}));
    EXPECT_EQ(sent[channel * 3u + 1], (Bytes{status, 66, 0}));
    EXPECT_EQ(sent[channel * 3u + 2], (Bytes{status, 123, 0}));
  }
  EXPECT_EQ(b.seam.Log, (Texts{"Sustain 0", "ClearSoundingNotes", "ClearOverride"}));
}

TEST(MidiResets, ChannelSetupSendsChannelsOneFifteenAndTheStoredPadVoiceInOrder) {
  ResetBench b;
  b.seam.Mixer = MixerLevels{100, 64, 64, 5};
  b.resets.ChannelSetup();
  const std::vector<Bytes> expected{
      {0xB0, 7, 100}, {0xB0, 10, 74}, {0xB0, 91, 79}, {0xB0, 93, 5}, {0xBE, 7, 100}, {0xBE, 10, 54},
      {0xBE, 91, 79}, {0xBE, 93, 5},  {0xBE, 0, 0},   {0xBE, 32, 0}, {0xCE, 17},     {0xBF, 7, 100},
      {0xBF, 10, 50}, {0xBF, 91, 90}, {0xBF, 93, 12}, {0xBF, 0, 0},  {0xBF, 32, 0},  {0xCF, 89}};
  EXPECT_EQ(b.rig.Backend->SentBytes(0), expected);
  EXPECT_EQ(b.seam.Stored, (VoiceRecord{100, 50, 90, 12, 0, 0, 0, 89}));
  EXPECT_EQ(b.seam.Log, (Texts{"Prepare", "StoreVoice 15", "Split", "RestoreVoices"}));
  // The values sent are remembered, so that the mixer names the voices the device now has.
  const ControllerMemory& memory = b.rig.System.Controllers();
  EXPECT_EQ(memory.Value(14, ControllerMemory::kProgramEntry), 17);
  EXPECT_EQ(memory.Value(15, ControllerMemory::kProgramEntry), 89);
  EXPECT_EQ(memory.Value(0, 10), 74);
}

struct ClampCase {
  uint8_t Pan;
  uint8_t Reverb;
  uint8_t PanFirst;
  uint8_t PanFifteenth;
  uint8_t Reverbs;
};

TEST(MidiResets, ChannelSetupSumsStayInsideTheDataRange) {
  ResetBench b;
  const std::vector<ClampCase> cases{
      {127, 127, 127, 117, 127}, {0, 0, 10, 0, 15}, {5, 112, 15, 0, 127}, {120, 113, 127, 110, 127}};
  for (const ClampCase& c : cases) {
    b.rig.Backend->ClearSent();
    b.seam.Mixer = MixerLevels{100, c.Pan, c.Reverb, 0};
    b.resets.ChannelSetup();
    const std::vector<Bytes> sent = b.rig.Backend->SentBytes(0);
    ASSERT_GE(sent.size(), 7u);
    EXPECT_EQ(sent[1], (Bytes{0xB0, 10, c.PanFirst})) << int(c.Pan);
    EXPECT_EQ(sent[2], (Bytes{0xB0, 91, c.Reverbs})) << int(c.Reverb);
    EXPECT_EQ(sent[5], (Bytes{0xBE, 10, c.PanFifteenth})) << int(c.Pan);
    EXPECT_EQ(sent[6], (Bytes{0xBE, 91, c.Reverbs})) << int(c.Reverb);
  }
}

TEST(MidiResets, SetStartvaluesStopsReopensResetsSetsUpAndResendsTheCheckedPad) {
  ResetBench b;
  ASSERT_TRUE(b.rig.Config->SelectSecondOut(1));
  b.seam.Log.clear();
  b.seam.PadChecked = true;
  b.resets.SetStartvalues();
  EXPECT_TRUE(b.rig.Output2->IsOpen());
  EXPECT_EQ(b.seam.Log, (Texts{"Stop", "KeyboardVoice", "ClearOverride", "Prepare", "StoreVoice 15", "Split",
                               "RestoreVoices", "ResendPad"}));
  b.seam.PadChecked = false;
  b.seam.Log.clear();
  b.resets.SetStartvalues();
  EXPECT_EQ(b.Count("ResendPad"), 0u);
}

TEST(MidiResets, SetStartvaluesStillSetsUpTheChannelsWhenTheSecondOutputCannotReopen) {
  ResetBench b;
  ASSERT_TRUE(b.rig.Config->SelectSecondOut(1));
  b.rig.Backend->FailOutput(1, VirtualOp::Open, result::kAllocated);
  b.seam.Log.clear();
  EXPECT_THROW(b.resets.SetStartvalues(), EmidioutputError);
  EXPECT_FALSE(b.rig.Output2->IsOpen());
  EXPECT_EQ(b.rig.Config->Routes().SecondSlot, OutputSlot::First);
  EXPECT_EQ(b.Count("Prepare"), 1u);
}

}  // namespace
}  // namespace kalo::midi
