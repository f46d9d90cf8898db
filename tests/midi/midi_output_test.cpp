#include "midi/midi_output.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "midi/midi_errors.h"
#include "thrown_text.h"
#include "virtual_midi_rig.h"

namespace kalo::midi {
namespace {

using testing::ThrownText;
using testing::VirtualMidiRig;
using Bytes = std::vector<uint8_t>;

TEST(MidiOutput, TheDefaultOutputPlaysOnTheFirstDeviceAndWithoutAnyIsAcceptedButCannotOpen) {
  VirtualMidiRig rig;
  TMidiOutput output(rig.System);
  output.SetProductName("Default MIDI Output");
  ASSERT_EQ(output.DeviceID(), -1);
  output.Open();
  output.PutShort(0x90, 60, 100);
  EXPECT_EQ(rig.Backend->SentBytes(0), (std::vector<Bytes>{{0x90, 60, 100}}));
  EXPECT_TRUE(rig.Backend->SentBytes(1).empty());

  VirtualMidiRig none({"Keys In"}, {});
  TMidiOutput nowhere(none.System);
  nowhere.SetDeviceID(-1);
  EXPECT_EQ(nowhere.ProductName(), "Default MIDI Output");
  EXPECT_EQ(ThrownText<EmidioutputError>([&] { nowhere.Open(); }), "The device identifier is out of range");
  EXPECT_FALSE(nowhere.IsOpen());
  nowhere.PutShort(0x90, 60, 100);  // nothing to send to: only the code
  EXPECT_EQ(nowhere.Error(), result::kInvalidHandle);
}

TEST(MidiOutput, SendsEachMessageWithItsOwnLengthInOrder) {
  VirtualMidiRig rig;
  TMidiOutput output(rig.System);
  output.SetDeviceID(1);
  ASSERT_TRUE(output.Open());
  output.PutShort(0xB2, 7, 90);
  output.PutShort(0xC2, 17, 0);
  output.PutShortMessage(ShortMessage{0xE2, 0, 64}.Packed());
  output.PutShort(0xF8, 0, 0);
  TMyMidiEvent note;
  note.Status = 0x92;
  note.Data1 = 64;
  note.Data2 = 0;
  output.PutMidiEvent(note);
  EXPECT_EQ(output.Error(), result::kOk);
  EXPECT_EQ(rig.Backend->SentBytes(1),
            (std::vector<Bytes>{{0xB2, 7, 90}, {0xC2, 17}, {0xE2, 0, 64}, {0xF8}, {0x92, 64, 0}}));
}

TEST(MidiOutput, ASysexEventGoesOutAsOneLongMessageAndAnEmptyOneSendsNothing) {
  VirtualMidiRig rig;
  TMidiOutput output(rig.System);
  output.Open();
  TMyMidiEvent sysex;
  sysex.Status = 0xF0;
  sysex.SysexLength = 6;
  sysex.Sysex = std::make_unique<uint8_t[]>(6);
  const uint8_t gm[] = {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};
  std::copy(gm, gm + 6, sysex.Sysex.get());
  output.PutMidiEvent(sysex);
  TMyMidiEvent empty;
  empty.Status = 0xF0;
  output.PutMidiEvent(empty);
  const auto sent = rig.Backend->Sent(0);
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_TRUE(sent[0].Long);
  EXPECT_EQ(sent[0].Bytes, Bytes(gm, gm + 6));
}

TEST(MidiOutput, LongMessagesStillInFlightAreFreedWhenTheOutputGoesAway) {
  VirtualMidiRig rig;
  rig.Backend->SetDeferLongCompletion(true);
  int done = 0;
  {
    TMidiOutput output(rig.System);
    output.Onmidioutput = [&](TMidiOutput&) { ++done; };
    output.Open();
    const uint8_t gs[] = {0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7};
    output.PutLong(gs, sizeof gs);
  }
  rig.Loop.RunPending();  // the sanitizer build reports a buffer that is never freed
  EXPECT_EQ(done, 0);
}

TEST(MidiOutput, AClosedOutputRefusesEventsAndOnlyRecordsShortSends) {
  VirtualMidiRig rig;
  TMidiOutput output(rig.System);
  TMyMidiEvent note;
  note.Status = 0x90;
  EXPECT_EQ(ThrownText<EmidioutputError>([&] { output.PutMidiEvent(note); }), "MIDI Output device not open");
  output.PutShort(0x90, 60, 1);
  EXPECT_EQ(output.Error(), result::kInvalidHandle);
  const uint8_t gm[] = {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};
  EXPECT_THROW(output.PutLong(gm, sizeof gm), EmidioutputError);
  EXPECT_FALSE(output.Close());
  EXPECT_TRUE(rig.Backend->Sent(0).empty());
}

TEST(MidiOutput, AChangeTheRulesRefuseRaisesItsTextAndLeavesTheOutputAsItWas) {
  const struct {
    bool Open;
    std::function<void(TMidiOutput&)> Change;
    std::string Text;
  } cases[] = {
      {true, [](TMidiOutput& out) { out.SetDeviceID(-1); }, "Change to DeviceID while device was open"},
      {true, [](TMidiOutput& out) { out.SetProductName("Module Out"); },
       "Change to ProductName while device was open"},
      {false, [](TMidiOutput& out) { out.SetDeviceID(2); }, "Invalid device ID"},
      {false, [](TMidiOutput& out) { out.SetDeviceID(-2); }, "Invalid device ID"},
      {false, [](TMidiOutput& out) { out.SetProductName("Piano"); },
       "MIDI output Device Piano not installed"}};
  for (const auto& c : cases) {
    VirtualMidiRig rig;
    TMidiOutput output(rig.System);
    output.SetDeviceID(0);
    if (c.Open) output.Open();
    EXPECT_EQ(ThrownText<EmidioutputError>([&] { c.Change(output); }), c.Text);
    EXPECT_EQ(output.IsOpen(), c.Open) << c.Text;
    EXPECT_EQ(std::pair(output.DeviceID(), output.ProductName()), std::pair(0, std::string("Synth Out")))
        << c.Text;
  }
}

TEST(MidiOutput, DriverFailuresRaiseTheDriverTextExceptShortSends) {
  VirtualMidiRig rig;
  TMidiOutput output(rig.System);
  rig.Backend->FailOutput(0, VirtualOp::Open, result::kAllocated);
  EXPECT_EQ(ThrownText<EmidioutputError>([&] { output.Open(); }), "The device is already in use");
  EXPECT_FALSE(output.IsOpen());
  EXPECT_EQ(output.Error(), result::kAllocated);

  rig.Backend->FailOutput(0, VirtualOp::Open, result::kOk);
  output.Open();
  rig.Backend->FailOutput(0, VirtualOp::SendShort, result::kNotReady);
  output.PutShort(0x90, 60, 100);  // no exception
  EXPECT_EQ(output.Error(), result::kNotReady);
  rig.Backend->FailOutput(0, VirtualOp::SendLong, 4242);
  const uint8_t gm[] = {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};
  EXPECT_EQ(ThrownText<EmidioutputError>([&] { output.PutLong(gm, sizeof gm); }),
            "Specified error number is out of range");
  EXPECT_EQ(output.PendingLongMessages(), 0u);

  rig.Backend->FailOutput(0, VirtualOp::Close, result::kStillPlaying);
  EXPECT_THROW(output.Close(), EmidioutputError);
  EXPECT_FALSE(output.IsOpen());  // closed in every case
  EXPECT_EQ(output.Error(), result::kStillPlaying);
}

TEST(MidiOutput, AnUnpluggedDeviceRecordsShortSendsAndRaisesForLongOnes) {
  VirtualMidiRig rig;
  TMidiOutput output(rig.System);
  output.Open();
  rig.Backend->UnplugOutput(0);
  output.PutShort(0x90, 60, 100);
  EXPECT_EQ(output.Error(), result::kNoDevice);
  const uint8_t gm[] = {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};
  EXPECT_EQ(ThrownText<EmidioutputError>([&] { output.PutLong(gm, sizeof gm); }),
            "The MIDI device is no longer connected");
  EXPECT_THROW(output.Close(), EmidioutputError);
  EXPECT_FALSE(output.IsOpen());
}

TEST(MidiOutput, SetVolumePacksBothChannelsAndWorksWhileClosed) {
  VirtualMidiRig rig;
  TMidiOutput output(rig.System);
  output.SetDeviceID(1);
  output.SetVolume(0x1234, 0xABCD);
  EXPECT_EQ(rig.Backend->Volume(1), 0x1234ABCDu);
  rig.Backend->FailOutput(1, VirtualOp::Volume, result::kNotSupported);
  EXPECT_THROW(output.SetVolume(1, 1), EmidioutputError);
  EXPECT_EQ(output.Error(), result::kNotSupported);
}

}  // namespace
}  // namespace kalo::midi
