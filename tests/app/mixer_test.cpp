#include "app/mixer.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace kalo::app {
namespace {

using Msg = std::array<uint8_t, 3>;

class FakePort : public MixerPort {
 public:
  bool MidioutOpen() const override { return Open; }
  void SendGenerated(uint8_t status, uint8_t data1, uint8_t data2) override {
    Sent.push_back({status, data1, data2});
  }
  void SetOutputVolume(uint16_t left, uint16_t right) override { Volumes.emplace_back(left, right); }
  void SetSoloChannel(uint8_t soloChannel) override { Solos.push_back(soloChannel); }

  bool Open = true;
  std::vector<Msg> Sent;
  std::vector<std::pair<uint16_t, uint16_t>> Volumes;
  std::vector<uint8_t> Solos;
};

class FakeStyle : public StyleChannelSink {
 public:
  void SetChannelController(uint8_t channel, uint8_t controller, uint8_t value) override {
    Calls.push_back("ctl " + std::to_string(channel) + " " + std::to_string(controller) + " " +
                    std::to_string(value));
  }
  void SetChannelInstrument(uint8_t channel, uint8_t bankMsb, uint8_t program, uint8_t bankLsb) override {
    Calls.push_back("ins " + std::to_string(channel) + " " + std::to_string(bankMsb) + " " +
                    std::to_string(program) + " " + std::to_string(bankLsb));
  }
  std::vector<std::string> Calls;
};

class MixerTest : public testing::Test {
 protected:
  MixerTest() { mixer.SetStyleSink(&style); }
  FakePort port;
  FakeStyle style;
  Mixer mixer{port};
};

// Each slider's message is checked through the mixer panel; values from code are clamped here.
TEST_F(MixerTest, SliderValuesOutsideTheDataRangeAreClamped) {
  mixer.SetSlider(MixerSlider::Volume, 300);
  mixer.SetSlider(MixerSlider::Pan, -4);
  EXPECT_EQ(port.Sent, (std::vector<Msg>{{0xB0, 7, 127}, {0xB0, 10, 0}}));
}

TEST_F(MixerTest, UserMovesOfStoredSlidersReachTheRecordAndTheStyleOthersDoNot) {
  mixer.SetSlider(MixerSlider::Volume, 80);
  mixer.SetSlider(MixerSlider::Modulation, 5);
  mixer.SetSlider(MixerSlider::Expression, 100);
  mixer.SetSlider(MixerSlider::Pan, 30, /*fromUser=*/false);
  EXPECT_EQ(mixer.Voice(0).Volume, 80);
  EXPECT_EQ(mixer.Voice(0).Modulation, 5);
  EXPECT_EQ(mixer.Voice(0).Pan, 30);
  EXPECT_EQ(style.Calls, (std::vector<std::string>{"ctl 0 7 80", "ctl 0 1 5"}));
}

TEST_F(MixerTest, WhileMidioutIsClosedTheKeyboardChannelStaysAndNoVoiceIsSent) {
  port.Open = false;
  EXPECT_FALSE(mixer.SetKeyboardChannel(4));
  EXPECT_EQ(mixer.KeyboardChannel(), 0);
  mixer.SendKeyboardVoice();
  EXPECT_TRUE(port.Sent.empty());
}

TEST_F(MixerTest, ChangingTheKeyboardChannelLoadsItsStoredValuesWithoutTouchingTheStyle) {
  mixer.SetVoice(5, midi::VoiceRecord{100, 64, 20, 0, 0, 0, 0, 0});
  port.Sent.clear();
  ASSERT_TRUE(mixer.SetKeyboardChannel(5));
  EXPECT_EQ(mixer.Slider(MixerSlider::Volume), 100);
  EXPECT_EQ(mixer.Slider(MixerSlider::Reverb), 20);
  // Only the controls whose position moved report it.
  EXPECT_EQ(port.Sent, (std::vector<Msg>{{0xB5, 7, 100}, {0xB5, 91, 20}}));
  EXPECT_TRUE(style.Calls.empty());
}

TEST_F(MixerTest, GsInstrumentChoiceSendsBanksThenProgramAndKeepsThemPerChannel) {
  mixer.SetInstrumentList({"Heading", "001 000 008 Piano 1", "025 016 000 Guitar"}, config::PatchKind::Gs);
  ASSERT_TRUE(mixer.SetKeyboardChannel(3));
  port.Sent.clear();
  mixer.ChooseInstrument(2);
  EXPECT_EQ(port.Sent, (std::vector<Msg>{{0xB3, 0, 16}, {0xB3, 32, 0}, {0xC3, 24, 0}}));
  const midi::VoiceRecord& voice = mixer.Voice(3);
  EXPECT_EQ(std::tuple(voice.BankMsb, voice.BankLsb, voice.Program), std::tuple(16, 0, 24));
  EXPECT_EQ(mixer.InstrumentEntry(3), 2);
  EXPECT_EQ(style.Calls, std::vector<std::string>{"ins 3 16 24 0"});
  EXPECT_EQ(mixer.ShownInstrument(), (std::array<uint8_t, 3>{24, 16, 0}));
}

TEST_F(MixerTest, XgInstrumentChoiceSwapsTheBanks) {
  mixer.SetInstrumentList({"001 000 008 Piano 1"}, config::PatchKind::Xg);
  mixer.ChooseInstrument(0, /*fromUser=*/false);
  EXPECT_EQ(port.Sent, (std::vector<Msg>{{0xB0, 0, 8}, {0xB0, 32, 0}, {0xC0, 0, 0}}));
  EXPECT_TRUE(style.Calls.empty());
  EXPECT_FALSE(mixer.ShownInstrument().has_value());
}

TEST_F(MixerTest, GmInstrumentChoiceSendsOnlyTheProgramAndZeroesTheBanks) {
  mixer.SetInstrumentList({"Piano", "Bright Piano", "E-Grand"}, config::PatchKind::Gm);
  mixer.SetVoice(0, midi::VoiceRecord{105, 64, 64, 0, 0, 3, 4, 9});
  mixer.ChooseInstrument(2);
  EXPECT_EQ(port.Sent, (std::vector<Msg>{{0xC0, 2, 0}}));
  EXPECT_EQ(mixer.Voice(0), (midi::VoiceRecord{105, 64, 64, 0, 0, 0, 0, 2}));
}

TEST_F(MixerTest, AHeadingEntryInGsModeSendsAndStoresNothing) {
  mixer.SetInstrumentList({"Pianos", "001 000 000 Piano"}, config::PatchKind::Gs);
  mixer.ChooseInstrument(0);
  EXPECT_TRUE(port.Sent.empty());
  EXPECT_EQ(mixer.InstrumentEntry(0), -1);
  EXPECT_TRUE(style.Calls.empty());
}

TEST_F(MixerTest, SendVoiceSendsTheControlsInOrderWithTheOptionalOnesOnlyWhenSet) {
  mixer.SetInstrumentList({"001 000 008 Piano 1"}, config::PatchKind::Gs);
  mixer.ChooseInstrument(0);
  mixer.SetSlider(MixerSlider::Volume, 90);
  port.Sent.clear();
  mixer.SendVoice(6);
  EXPECT_EQ(port.Sent, (std::vector<Msg>{{0xB6, 121, 0},
                                         {0xB6, 0, 0},
                                         {0xB6, 32, 8},
                                         {0xC6, 0, 0},
                                         {0xB6, 7, 90},
                                         {0xB6, 10, 64},
                                         {0xB6, 91, 64},
                                         {0xB6, 93, 0}}));

  mixer.SetSlider(MixerSlider::Modulation, 3);
  mixer.SetSlider(MixerSlider::Expression, 126);
  mixer.SetSlider(MixerSlider::Sustain, 127);
  mixer.SetSlider(MixerSlider::Aftertouch, 1);
  port.Sent.clear();
  mixer.SendVoice(6);
  ASSERT_EQ(port.Sent.size(), 12u);
  EXPECT_EQ(std::vector<Msg>(port.Sent.end() - 4, port.Sent.end()),
            (std::vector<Msg>{{0xB6, 1, 3}, {0xB6, 11, 126}, {0xB6, 64, 127}, {0xD6, 1, 0}}));
}

TEST_F(MixerTest, OutputSlidersMoveAloneWithoutLockAndTogetherWithLock) {
  mixer.SetRightVolume(50);
  EXPECT_EQ(port.Volumes.back(), (std::pair<uint16_t, uint16_t>{65535, 32500}));
  mixer.SetLock(true);
  mixer.SetLeftVolume(20);
  EXPECT_EQ(mixer.RightVolume(), 20);
  EXPECT_EQ(port.Volumes.back(), (std::pair<uint16_t, uint16_t>{13000, 13000}));
}

TEST_F(MixerTest, AllAndNoneSetTheSuppressFlagsOfEveryChannel) {
  mixer.SetSuppressAll(true);
  for (uint8_t channel = 0; channel < 16; ++channel) EXPECT_TRUE(mixer.SuppressControllers(channel));
  mixer.SetSuppressAll(false);
  mixer.SetKeyboardSuppress(true);
  EXPECT_TRUE(mixer.SuppressControllers(0));
  EXPECT_FALSE(mixer.SuppressControllers(1));
}

TEST_F(MixerTest, SoloMakesItsChannelTheKeyboardChannelAndNoSoloBringsTheFormerOneBack) {
  ASSERT_TRUE(mixer.SetKeyboardChannel(3));
  mixer.SetSolo(8);
  EXPECT_EQ(mixer.KeyboardChannel(), 7);
  mixer.SetSolo(12);  // moving the solo keeps the channel from before the first solo
  EXPECT_EQ(mixer.KeyboardChannel(), 11);
  mixer.SetSolo(0);
  EXPECT_EQ(mixer.KeyboardChannel(), 3);
  EXPECT_EQ(port.Solos, (std::vector<uint8_t>{8, 12, 0}));
}

TEST_F(MixerTest, AStyleSetupIsStoredAndSentAfterResettingTheControllers) {
  styles::ChannelSetupSink& sink = mixer.StyleSetupSink();
  sink.SetKeyboardChannel(4);
  port.Sent.clear();
  // Controllers 0, 32, 1, 7, 10, 11, 64, 66, 67, 91, 93, program, pressure; 255 = not set.
  sink.ApplyChannelSetup(4, {8, 255, 255, 90, 40, 255, 255, 255, 255, 30, 255, 24, 255}, true);
  EXPECT_EQ(port.Sent,
            (std::vector<Msg>{
                {0xB4, 121, 0}, {0xB4, 0, 8}, {0xB4, 7, 90}, {0xB4, 10, 40}, {0xB4, 91, 30}, {0xC4, 24, 0}}));
  EXPECT_EQ(mixer.Voice(4), (midi::VoiceRecord{90, 40, 30, 0, 0, 8, 0, 24}));
  EXPECT_EQ(mixer.Slider(MixerSlider::Volume), 90);
  EXPECT_EQ(mixer.Slider(MixerSlider::Reverb), 30);
  EXPECT_TRUE(style.Calls.empty());

  // Without updateControls the sliders keep their positions; with "Midiout" closed nothing is sent.
  port.Open = false;
  port.Sent.clear();
  sink.ApplyChannelSetup(4, {255, 255, 255, 50, 255, 255, 255, 255, 255, 255, 255, 255, 255}, false);
  EXPECT_TRUE(port.Sent.empty());
  EXPECT_EQ(mixer.Voice(4).Volume, 50);
  EXPECT_EQ(mixer.Slider(MixerSlider::Volume), 90);
}

TEST_F(MixerTest, RowsNameTheInstrumentOfTheirProgramAndShowDrumsOnChannelTen) {
  mixer.SetInstrumentList({"Piano", "Bright Piano"}, config::PatchKind::Gm);
  EXPECT_EQ(Mixer::ChannelRowText(0, "Piano"), " Ch. 01 : Piano");
  EXPECT_EQ(Mixer::ChannelRowText(9, "Piano"), " Ch. 10 : Drums");
  EXPECT_EQ(Mixer::ChannelRowText(15, ""), " Ch. 16 : ");
  // The rows follow the programs in the controller memory; an unchanged program rebuilds no row.
  midi::ControllerMemory memory;
  memory.SetValue(4, midi::ControllerMemory::kProgramEntry, 1);
  EXPECT_TRUE(mixer.UpdateRows(memory));  // first fill
  EXPECT_EQ(mixer.Rows()[4], " Ch. 05 : Bright Piano");
  EXPECT_EQ(mixer.Rows()[0], " Ch. 01 : ");
  EXPECT_FALSE(mixer.UpdateRows(memory));
  memory.SetValue(4, midi::ControllerMemory::kProgramEntry, 0);
  EXPECT_TRUE(mixer.UpdateRows(memory));
  EXPECT_EQ(mixer.Rows()[4], " Ch. 05 : Piano");
  // A cleared memory (controller 121 keeps the device's programs) keeps the name, also over a new list.
  memory.Reset();
  EXPECT_FALSE(mixer.UpdateRows(memory));
  mixer.SetInstrumentList({"Piano", "Bright Piano"}, config::PatchKind::Gm);
  mixer.UpdateRows(memory);
  EXPECT_EQ(mixer.Rows()[4], " Ch. 05 : Piano");
  EXPECT_EQ(mixer.KnownProgram(4), 0);
}

TEST_F(MixerTest, TheInstrumentsChosenPerChannelAreSentAgainAfterAReset) {
  mixer.SetInstrumentList({"001 000 000 Piano 1", "025 008 000 Guitar"}, config::PatchKind::Gs);
  ASSERT_TRUE(mixer.SetKeyboardChannel(2));
  mixer.ChooseInstrument(1);
  ASSERT_TRUE(mixer.SetKeyboardChannel(5));
  mixer.ChooseInstrument(0);
  port.Sent.clear();
  mixer.ResendChosenInstruments();
  EXPECT_EQ(port.Sent, (std::vector<Msg>{{0xB2, 0, 8},
                                         {0xB2, 32, 0},
                                         {0xC2, 24, 0},  //
                                         {0xB5, 0, 0},
                                         {0xB5, 32, 0},
                                         {0xC5, 0, 0}}));
  // The box shows a channel's instrument also where no entry was chosen for it.
  EXPECT_EQ(mixer.ShownEntry(7, 24), 1);
  EXPECT_EQ(mixer.ShownEntry(7, 90), -1);
  port.Open = false;
  port.Sent.clear();
  mixer.ResendChosenInstruments();
  EXPECT_TRUE(port.Sent.empty());
}

TEST_F(MixerTest, RowsPreferTheChannelsChosenEntryAmongEntriesOfTheSameProgram) {
  mixer.SetInstrumentList({"001 000 000 Piano 1", "001 000 008 Piano 1w"}, config::PatchKind::Gs);
  mixer.ChooseInstrument(1);
  mixer.UpdateRow(0, 0);
  mixer.UpdateRow(1, 0);
  EXPECT_EQ(mixer.Rows()[0], " Ch. 01 : 001 000 008 Piano 1w");
  EXPECT_EQ(mixer.Rows()[1], " Ch. 02 : 001 000 000 Piano 1");
}

TEST_F(MixerTest, ValueDisplayShowsPanAroundZeroAndNeverSetValuesEmpty) {
  midi::ControllerMemory memory;
  memory.SetValue(2, 10, 64);
  memory.SetValue(2, 7, 100);
  memory.SetValue(2, midi::ControllerMemory::kProgramEntry, 24);
  memory.SetValue(2, 0, 3);
  const ChannelValueTexts texts = Mixer::ValueTexts(memory, 2);
  EXPECT_EQ(texts.Pan, "0");
  EXPECT_EQ(texts.Volume, "100");
  EXPECT_EQ(texts.Program, "24");
  EXPECT_EQ(texts.BankMsb, "3");
  EXPECT_EQ(texts.BankLsb, "");
  EXPECT_EQ(texts.Reverb, "");
  memory.SetValue(2, 10, 0);
  EXPECT_EQ(Mixer::ValueTexts(memory, 2).Pan, "-64");
}

}  // namespace
}  // namespace kalo::app
