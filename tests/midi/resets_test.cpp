#include "midi/resets.h"

#include <gtest/gtest.h>

#include <deque>
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

  bool Playing = false;
  int Sync = 0;
  MixerLevels Mixer;
  VoiceRecord Stored;
  std::string ListName;
  bool PadChecked = false;
  Texts Log;

 private:
  DeviceConfig& devices_;
};

const Bytes kKeyboardVoiceMarker{0xBF, 7, 99};

class ResetsTest : public ::testing::Test {
 protected:
  ResetsTest() {
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

struct ResetCase {
  const char* Name;
  ResetKind Kind;
  std::vector<Bytes> Messages;
};

class ResetBytesTest : public ResetsTest, public ::testing::WithParamInterface<ResetCase> {};

TEST_P(ResetBytesTest, SendsTheSystemExclusiveMessagesAndReportsDoneOnce) {
  const ResetCase& c = GetParam();
  resets.MidiReset(c.Kind);
  EXPECT_EQ(rig.Backend->SentBytes(0, true), c.Messages);
  EXPECT_TRUE(rig.Dialogs.Messages().empty());  // not before the device reports the messages played
  rig.Loop.RunPending();
  EXPECT_EQ(rig.Dialogs.Messages(), Texts{kResetDoneMessage});
  EXPECT_EQ(Count("Prepare"), 1u);  // the channel set-up ran once
  EXPECT_FALSE(resets.ResetPending());
  EXPECT_FALSE(rig.Output1->Onmidioutput);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, ResetBytesTest,
    ::testing::Values(
        ResetCase{"Gm", ResetKind::Gm, {{0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7}}},
        ResetCase{"Gs", ResetKind::Gs, {{0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7}}},
        ResetCase{
            "Xg",
            ResetKind::Xg,
            {{0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7}, {0xF0, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7}}}),
    [](const ::testing::TestParamInfo<ResetCase>& param) { return std::string(param.param.Name); });

TEST_F(ResetsTest, TheResetDoneHandlerWaitsForTheDeviceToReportTheLastMessage) {
  rig.Backend->SetDeferLongCompletion(true);
  resets.MidiReset(ResetKind::Xg);
  rig.Loop.RunPending();
  EXPECT_TRUE(resets.ResetPending());
  EXPECT_TRUE(rig.Dialogs.Messages().empty());
  EXPECT_EQ(Count("Prepare"), 0u);

  rig.Backend->CompleteLongMessages();
  rig.Loop.RunPending();
  EXPECT_EQ(rig.Dialogs.Messages(), Texts{kResetDoneMessage});
  EXPECT_EQ(Count("Prepare"), 1u);
}

TEST_F(ResetsTest, AResetStopsTheSequencerReleasesNotesAndResetsControllersFirst) {
  seam.Playing = true;
  resets.MidiReset(ResetKind::Gm);
  const std::vector<Bytes> sent = rig.Backend->SentBytes(0);
  // 16 × (64, 66, 123), then 16 × 121, then the keyboard voice, then the GM message.
  ASSERT_EQ(sent.size(), 48u + 16u + 1u + 1u);
  EXPECT_EQ(sent[0], (Bytes{0xB0, 64, 0}));
  EXPECT_EQ(sent[47], (Bytes{0xBF, 123, 0}));
  EXPECT_EQ(sent[48], (Bytes{0xB0, 121, 0}));
  EXPECT_EQ(sent[64], kKeyboardVoiceMarker);
  EXPECT_EQ(sent[65], (Bytes(kGmReset.begin(), kGmReset.end())));
  EXPECT_EQ(seam.Log.front(), "Stop");
}

TEST_F(ResetsTest, AnArmedSyncStartIsOffDuringTheResetAndArmedAgainWhenItIsDone) {
  seam.Sync = -1;
  resets.MidiReset(ResetKind::Gs);
  EXPECT_EQ(seam.Sync, 0);
  rig.Loop.RunPending();
  EXPECT_EQ(seam.Sync, -1);
}

struct NoneCase {
  const char* Name;
  std::string ListName;
  bool SendsGm;
};

class ResetNoneTest : public ResetsTest, public ::testing::WithParamInterface<NoneCase> {};

TEST_P(ResetNoneTest, SendsGmOnlyForTheDb50xgListWithoutWaitingForTheDevice) {
  const NoneCase& c = GetParam();
  seam.ListName = c.ListName;
  seam.Sync = 1;
  resets.MidiReset(ResetKind::None);
  EXPECT_EQ(rig.Backend->SentBytes(0, true).size(), c.SendsGm ? 1u : 0u);
  EXPECT_EQ(Count("Prepare"), c.SendsGm ? 1u : 0u);
  EXPECT_EQ(seam.Sync, 1);
  rig.Loop.RunPending();
  EXPECT_TRUE(rig.Dialogs.Messages().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Lists, ResetNoneTest,
    ::testing::Values(NoneCase{"Db50xgInUpperCase", "DB50XG.VXI", true},
                      NoneCase{"Db50xgInAFolderInLowerCase", "/opt/kalo/db50xg.vxi", true},
                      NoneCase{"AnotherList", "gs.vxi", false}, NoneCase{"BuiltInList", "", false}),
    [](const ::testing::TestParamInfo<NoneCase>& param) { return std::string(param.param.Name); });

TEST_F(ResetsTest, NothingIsSentWhileTheMidioutOutputIsClosed) {
  rig.Config->SelectMidiOut(2);
  rig.Backend->ClearSent();
  seam.Log.clear();
  resets.MidiReset(ResetKind::Xg);
  resets.ResetControllers();
  resets.ChannelSetup();
  EXPECT_TRUE(rig.Backend->SentBytes(0).empty());
  EXPECT_EQ(seam.Log, (Texts{"ClearOverride", "Prepare"}));
}

TEST_F(ResetsTest, ResetControllersSendsSixteen121sBeforeTheKeyboardVoiceAndClearsTheMemory) {
  rig.System.Controllers().SetValue(3, 7, 100);
  resets.ResetControllers();
  std::vector<Bytes> expected;
  for (uint8_t channel = 0; channel < 16; ++channel)
    expected.push_back({static_cast<uint8_t>(0xB0 | channel), 121, 0});
  expected.push_back(kKeyboardVoiceMarker);
  EXPECT_EQ(rig.Backend->SentBytes(0), expected);
  EXPECT_EQ(rig.System.Controllers().Value(3, 7), ControllerMemory::kNeverSet);
  EXPECT_EQ(seam.Log, (Texts{"KeyboardVoice", "ClearOverride"}));
}

TEST_F(ResetsTest, AllNotesOffReleasesEveryChannelAndClearsThePerformanceState) {
  resets.AllNotesOff();
  const std::vector<Bytes> sent = rig.Backend->SentBytes(0);
  ASSERT_EQ(sent.size(), 48u);
  for (uint8_t channel = 0; channel < 16; ++channel) {
    const auto status = static_cast<uint8_t>(0xB0 | channel);
    EXPECT_EQ(sent[channel * 3u], (Bytes{status, 64, 0}));
    EXPECT_EQ(sent[channel * 3u + 1], (Bytes{status, 66, 0}));
    EXPECT_EQ(sent[channel * 3u + 2], (Bytes{status, 123, 0}));
  }
  EXPECT_EQ(seam.Log, (Texts{"Sustain 0", "ClearSoundingNotes", "ClearOverride"}));
}

TEST_F(ResetsTest, ReleaseChannelOnAClosedOutputSendsNothing) {
  MidiResets::ReleaseChannel(*rig.Output2, 3);
  EXPECT_TRUE(rig.Backend->SentBytes(1).empty());
  MidiResets::ReleaseChannel(*rig.Output1, 3);
  EXPECT_EQ(rig.Backend->SentBytes(0), (std::vector<Bytes>{{0xB3, 64, 0}, {0xB3, 66, 0}, {0xB3, 123, 0}}));
}

TEST_F(ResetsTest, ChannelSetupSendsChannelsOneFifteenAndTheStoredPadVoiceInOrder) {
  seam.Mixer = MixerLevels{100, 64, 64, 5};
  resets.ChannelSetup();
  const std::vector<Bytes> expected{
      {0xB0, 7, 100}, {0xB0, 10, 74}, {0xB0, 91, 79}, {0xB0, 93, 5}, {0xBE, 7, 100}, {0xBE, 10, 54},
      {0xBE, 91, 79}, {0xBE, 93, 5},  {0xBE, 0, 0},   {0xBE, 32, 0}, {0xCE, 17},     {0xBF, 7, 100},
      {0xBF, 10, 50}, {0xBF, 91, 90}, {0xBF, 93, 12}, {0xBF, 0, 0},  {0xBF, 32, 0},  {0xCF, 89}};
  EXPECT_EQ(rig.Backend->SentBytes(0), expected);
  EXPECT_EQ(seam.Stored, (VoiceRecord{100, 50, 90, 12, 0, 0, 0, 89}));
  EXPECT_EQ(seam.Log, (Texts{"Prepare", "StoreVoice 15", "Split"}));
}

struct ClampCase {
  uint8_t Pan;
  uint8_t Reverb;
  uint8_t PanFirst;
  uint8_t PanFifteenth;
  uint8_t Reverbs;
};

TEST_F(ResetsTest, ChannelSetupSumsStayInsideTheDataRange) {
  const std::vector<ClampCase> cases{
      {127, 127, 127, 117, 127}, {0, 0, 10, 0, 15}, {5, 112, 15, 0, 127}, {120, 113, 127, 110, 127}};
  for (const ClampCase& c : cases) {
    rig.Backend->ClearSent();
    seam.Mixer = MixerLevels{100, c.Pan, c.Reverb, 0};
    resets.ChannelSetup();
    const std::vector<Bytes> sent = rig.Backend->SentBytes(0);
    ASSERT_GE(sent.size(), 7u);
    EXPECT_EQ(sent[1], (Bytes{0xB0, 10, c.PanFirst})) << int(c.Pan);
    EXPECT_EQ(sent[2], (Bytes{0xB0, 91, c.Reverbs})) << int(c.Reverb);
    EXPECT_EQ(sent[5], (Bytes{0xBE, 10, c.PanFifteenth})) << int(c.Pan);
    EXPECT_EQ(sent[6], (Bytes{0xBE, 91, c.Reverbs})) << int(c.Reverb);
  }
}

TEST_F(ResetsTest, SetStartvaluesStopsReopensResetsSetsUpAndResendsTheCheckedPad) {
  ASSERT_TRUE(rig.Config->SelectSecondOut(1));
  seam.Log.clear();
  seam.PadChecked = true;
  resets.SetStartvalues();
  EXPECT_TRUE(rig.Output2->IsOpen());
  EXPECT_EQ(seam.Log, (Texts{"Stop", "KeyboardVoice", "ClearOverride", "Prepare", "StoreVoice 15", "Split",
                             "ResendPad"}));
  seam.PadChecked = false;
  seam.Log.clear();
  resets.SetStartvalues();
  EXPECT_EQ(Count("ResendPad"), 0u);
}

// One output whose long messages are reported sent one at a time, as a slow device does.
class SteppedBackend final : public PortBackend {
 public:
  class Port final : public OutputPort {
   public:
    Port(SteppedBackend& backend, OutputCallback& callback) : backend_(backend), callback_(callback) {}
    ~Port() override { Close(); }
    PortResult SendShort(uint32_t) override { return result::kOk; }
    PortResult SendLong(const uint8_t*, size_t, uintptr_t cookie) override {
      backend_.pending_.push_back({this, cookie});
      return result::kOk;
    }
    PortResult Close() override {
      std::deque<std::pair<Port*, uintptr_t>> keep;
      for (auto& [port, cookie] : backend_.pending_) {
        if (port == this) {
          callback_.OnLongDone(cookie);
        } else {
          keep.push_back({port, cookie});
        }
      }
      backend_.pending_ = keep;
      return result::kOk;
    }
    void Done(uintptr_t cookie) { callback_.OnLongDone(cookie); }

   private:
    SteppedBackend& backend_;
    OutputCallback& callback_;
  };

  // Reports the oldest long message sent.
  void CompleteOne() {
    ASSERT_FALSE(pending_.empty());
    auto [port, cookie] = pending_.front();
    pending_.pop_front();
    port->Done(cookie);
  }

  std::string Name() const override { return "stepped"; }
  std::string Start() override { return {}; }
  int InputCount() override { return 0; }
  PortResult GetInputCapabilities(int, InputCapabilities&) override { return result::kBadDeviceId; }
  PortResult OpenInput(int, InputCallback&, std::unique_ptr<InputPort>&) override {
    return result::kBadDeviceId;
  }
  int OutputCount() override { return 1; }
  PortResult GetOutputCapabilities(int, OutputCapabilities& caps) override {
    caps.ProductName = "Slow Synth";
    return result::kOk;
  }
  PortResult OpenOutput(int, OutputCallback& callback, std::unique_ptr<OutputPort>& port) override {
    port = std::make_unique<Port>(*this, callback);
    return result::kOk;
  }
  PortResult SetOutputVolume(int, uint32_t) override { return result::kOk; }

 private:
  std::deque<std::pair<Port*, uintptr_t>> pending_;
};

TEST(SlowDeviceResetTest, TheChannelSetUpWaitsUntilTheXgMessageHasBeenPlayedToo) {
  host::StdMainLoop loop;
  MidiSystem system(loop);
  auto owned = std::make_unique<SteppedBackend>();
  SteppedBackend& backend = *owned;
  system.Devices().AddBackend(std::move(owned));
  {
    TMidiOutput output1(system);
    TMidiOutput output2(system);
    host::RecordingDialogs dialogs;
    DeviceConfig config(system, dialogs, nullptr, nullptr, output1, output2);
    config.OpenConfigured({0, 0, -2, -2});
    ASSERT_TRUE(output1.IsOpen());
    FakeSeam seam(config);
    MidiResets resets(system, config, seam, dialogs);

    resets.MidiReset(ResetKind::Xg);
    backend.CompleteOne();  // the GM message
    loop.RunPending();
    EXPECT_TRUE(dialogs.Messages().empty());
    EXPECT_TRUE(resets.ResetPending());
    EXPECT_EQ(std::count(seam.Log.begin(), seam.Log.end(), "Prepare"), 0);

    backend.CompleteOne();  // the XG message
    loop.RunPending();
    EXPECT_EQ(dialogs.Messages(), Texts{kResetDoneMessage});
    EXPECT_EQ(std::count(seam.Log.begin(), seam.Log.end(), "Prepare"), 1);
  }
  loop.RunPending();  // the closed outputs' last notices
}

TEST_F(ResetsTest, SetStartvaluesStillSetsUpTheChannelsWhenTheSecondOutputCannotReopen) {
  ASSERT_TRUE(rig.Config->SelectSecondOut(1));
  rig.Backend->FailOutput(1, VirtualOp::Open, result::kAllocated);
  seam.Log.clear();
  EXPECT_THROW(resets.SetStartvalues(), EmidioutputError);
  EXPECT_FALSE(rig.Output2->IsOpen());
  EXPECT_EQ(rig.Config->Routes().SecondSlot, OutputSlot::First);
  EXPECT_EQ(Count("Prepare"), 1u);
}

}  // namespace
}  // namespace kalo::midi
