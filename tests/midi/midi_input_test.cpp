#include "midi/midi_input.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "midi/midi_errors.h"
#include "midi/midi_output.h"
#include "thrown_text.h"
#include "virtual_midi_rig.h"

namespace kalo::midi {
namespace {

using testing::Drain;
using testing::ThrownText;
using testing::VirtualMidiRig;

uint32_t Note(uint8_t key, uint8_t velocity = 100) { return ShortMessage{0x90, key, velocity}.Packed(); }

TEST(MidiInput, TheEventAfterAFullRingIsLostWithOneOverflowAndTheRestArriveInOrder) {
  VirtualMidiRig rig;
  auto input = rig.StartedInput();
  ASSERT_EQ(input->Capacity(), 1024);
  std::vector<std::unique_ptr<TMyMidiEvent>> received;
  int overflows = 0;
  input->OnMidiInput = [&](TMidiInput& in) {
    for (auto& event : Drain(in)) received.push_back(std::move(event));
  };
  input->OnOverflow = [&](TMidiInput&) { ++overflows; };

  for (int i = 0; i < 1025; ++i) {
    const ShortMessage key{0x90, static_cast<uint8_t>(i >> 7), static_cast<uint8_t>(i & 0x7F)};
    ASSERT_TRUE(rig.Backend->InjectShort(0, key.Packed()));
  }
  rig.Loop.RunPending();

  ASSERT_EQ(received.size(), 1024u);
  for (size_t i = 0; i < received.size(); ++i) {
    ASSERT_EQ(received[i]->Data1 * 128 + received[i]->Data2, i) << i;
  }
  EXPECT_EQ(overflows, 1);
  EXPECT_EQ(input->LostEvents(), 1u);

  // The ring works again once drained.
  rig.Backend->InjectShort(0, Note(60));
  rig.Loop.RunPending();
  ASSERT_EQ(received.size(), 1025u);
  EXPECT_EQ(received.back()->Data1, 60);
}

// What the driver callback lets through, by the switches of the program and the input.
struct FilterCase {
  const char* Name;
  bool ClockPassThrough;
  bool ControllerFilter;
  bool SysexOnly;
  std::vector<uint32_t> Sent;
  std::vector<uint8_t> ReceivedStatus;
};

const uint32_t kVolume100 = ShortMessage{0xB0, 7, 100}.Packed();
const uint32_t kModulation = ShortMessage{0xB0, 1, 64}.Packed();
const uint32_t kProgram5 = ShortMessage{0xC0, 5, 0}.Packed();

TEST(MidiInput, TheDriverCallbackLetsThroughOnlyWhatTheSwitchesAllow) {
  const FilterCase cases[] = {
      FilterCase("clock dropped without pass-through", false, true, false, {0xF8, Note(60)}, {0x90}),
      FilterCase("clock kept with pass-through", true, true, false, {0xF8, Note(60)}, {0xF8, 0x90}),
      FilterCase("active sensing never arrives", true, false, false, {0xFE, 0xFE, Note(61)}, {0x90}),
      FilterCase("a repeated volume dropped by the filter", false, true, false, {kVolume100, kVolume100},
                 {0xB0}),
      FilterCase("a repeated volume kept without the filter", false, false, false, {kVolume100, kVolume100},
                 {0xB0, 0xB0}),
      FilterCase("modulation always passes", false, true, false, {kModulation, kModulation}, {0xB0, 0xB0}),
      FilterCase("a repeated program dropped", false, true, false, {kProgram5, kProgram5}, {0xC0}),
      FilterCase("sysex only drops short messages", true, false, true, {Note(60), 0xF8, kVolume100}, {})};
  for (const FilterCase& c : cases) {
    VirtualMidiRig rig;
    rig.System.Switches().ClockPassThrough = c.ClockPassThrough;
    rig.System.Switches().ControllerFilter = c.ControllerFilter;
    auto input = rig.StartedInput();
    input->SetSysexOnly(c.SysexOnly);
    for (uint32_t packed : c.Sent) rig.Backend->InjectShort(0, packed);
    const uint8_t sysex[] = {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};
    rig.Backend->InjectSysex(0, sysex, sizeof sysex);
    std::vector<uint8_t> statuses;
    for (auto& event : Drain(*input)) statuses.push_back(event->Status);
    std::vector<uint8_t> expected = c.ReceivedStatus;
    expected.push_back(0xF0);  // system-exclusive always passes
    EXPECT_EQ(statuses, expected) << c.Name;
  }
}

TEST(MidiInput, TheControllerFilterRemembersAcrossInputsUntilTheMemoryIsReset) {
  VirtualMidiRig rig;
  auto first = rig.StartedInput(0);
  auto second = rig.StartedInput(1);
  rig.Backend->InjectShort(0, kVolume100);
  rig.Backend->InjectShort(1, kVolume100);  // the memory is shared: redundant
  EXPECT_EQ(Drain(*first).size(), 1u);
  EXPECT_EQ(Drain(*second).size(), 0u);
  rig.System.Controllers().Reset();
  rig.Backend->InjectShort(1, kVolume100);
  EXPECT_EQ(Drain(*second).size(), 1u);
}

TEST(MidiInput, ShortEventsCarryTheirBytesAndTheMillisecondsSinceStart) {
  VirtualMidiRig rig;
  rig.Clock.Set(5'000'000);
  auto input = rig.StartedInput();
  rig.Clock.Advance(1'234'567);
  rig.Backend->InjectShort(0, ShortMessage{0xE3, 0x12, 0x40}.Packed());
  auto events = Drain(*input);
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0]->Status, 0xE3);
  EXPECT_EQ(events[0]->Data1, 0x12);
  EXPECT_EQ(events[0]->Data2, 0x40);
  EXPECT_EQ(events[0]->Time, 1234u);
  EXPECT_EQ(events[0]->SysexLength, 0);
  EXPECT_EQ(events[0]->Sysex, nullptr);
}

TEST(MidiInput, SysexArrivesInPiecesOfTheBufferSizeThatJoinToTheMessage) {
  const struct {
    uint16_t BufferSize;
    size_t MessageLength;
    std::vector<size_t> Pieces;
  } cases[] = {{4096, 6, {6}}, {8, 8, {8}}, {4, 10, {4, 4, 2}}, {4096, 0, {0}}};
  for (const auto& c : cases) {
    VirtualMidiRig rig;
    auto input = std::make_unique<TMidiInput>(rig.System);
    input->SetSysexBufferSize(c.BufferSize);
    input->Open();
    input->Start();
    std::vector<uint8_t> message(c.MessageLength);
    for (size_t i = 0; i < message.size(); ++i) message[i] = static_cast<uint8_t>(i == 0 ? 0xF0 : i & 0x7F);
    if (!message.empty()) message.back() = 0xF7;
    rig.Backend->InjectSysex(0, message.data(), message.size());
    std::vector<uint8_t> joined;
    std::vector<size_t> pieces;
    for (auto& event : Drain(*input)) {
      EXPECT_EQ(std::tuple(event->Status, event->Data1, event->Data2), std::tuple(0xF0, 0, 0));
      pieces.push_back(event->SysexLength);
      EXPECT_EQ(event->Sysex == nullptr, event->SysexLength == 0);
      auto bytes = VirtualMidiRig::Bytes(*event);
      joined.insert(joined.end(), bytes.begin(), bytes.end());
    }
    EXPECT_EQ(pieces, c.Pieces) << c.MessageLength << " bytes in buffers of " << c.BufferSize;
    EXPECT_EQ(joined, message);
  }
}

TEST(MidiInput, SysexBeyondTheFreeBuffersIsLostAsAnOverflowAndTheBuffersComeBack) {
  VirtualMidiRig rig;
  auto input = std::make_unique<TMidiInput>(rig.System);
  input->SetSysexBufferSize(4);
  input->SetSysexBufferCount(2);
  input->Open();
  input->Start();
  int overflows = 0;
  input->OnOverflow = [&](TMidiInput&) { ++overflows; };
  const std::vector<uint8_t> message{0xF0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 0xF7};
  rig.Backend->InjectSysex(0, message.data(), message.size());
  rig.Loop.RunPending();
  EXPECT_EQ(overflows, 1);
  EXPECT_EQ(input->LostEvents(), 1u);
  EXPECT_EQ(Drain(*input).size(), 2u);  // the pieces that found a buffer

  // Draining handed both buffers back: a message of two pieces arrives whole.
  const std::vector<uint8_t> shorter{0xF0, 1, 2, 3, 4, 0xF7};
  rig.Backend->InjectSysex(0, shorter.data(), shorter.size());
  auto events = Drain(*input);
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[1]->SysexLength, 2);
}

TEST(MidiInput, ASysexLostToAFullRingDoesNotUseUpItsReceiveBuffer) {
  VirtualMidiRig rig;
  auto input = std::make_unique<TMidiInput>(rig.System);
  input->SetCapacity(1);
  input->SetSysexBufferCount(1);
  input->Open();
  input->Start();
  const uint8_t sysex[] = {0xF0, 0x43, 0xF7};
  rig.Backend->InjectShort(0, Note(60));  // the ring is full
  rig.Backend->InjectSysex(0, sysex, sizeof sysex);
  EXPECT_EQ(input->LostEvents(), 1u);
  EXPECT_EQ(Drain(*input).size(), 1u);
  for (int i = 0; i < 3; ++i) {
    rig.Backend->InjectSysex(0, sysex, sizeof sysex);
    auto events = Drain(*input);
    ASSERT_EQ(events.size(), 1u) << i;
    EXPECT_EQ(VirtualMidiRig::Bytes(*events[0]), std::vector<uint8_t>(sysex, sysex + 3));
  }
}

TEST(MidiInput, NothingArrivesBeforeStartOrAfterClose) {
  VirtualMidiRig rig;
  TMidiInput input(rig.System);
  EXPECT_EQ(input.State(), DeviceState::Closed);
  EXPECT_EQ(input.ProductName(), "Keys In");
  EXPECT_EQ(input.GetMidiEvent(), nullptr);
  input.Open();
  EXPECT_FALSE(rig.Backend->InjectShort(0, Note(60)));
  EXPECT_EQ(input.MessageCount(), 0);
  input.Start();
  EXPECT_TRUE(rig.Backend->InjectShort(0, Note(60)));
  EXPECT_EQ(input.MessageCount(), 1);
  input.Close();
  EXPECT_EQ(input.MessageCount(), 0);
  EXPECT_EQ(input.GetMidiEvent(), nullptr);
  EXPECT_FALSE(rig.Backend->InjectShort(0, Note(61)));
  EXPECT_FALSE(rig.Backend->InputOpen(0));

  // Open again: a fresh ring, Start needed again.
  input.Open();
  input.Start();
  rig.Backend->InjectShort(0, Note(62));
  auto events = Drain(input);
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0]->Data1, 62);
}

// The rules that refuse a change, each with its text; the input stays as it was.
TEST(MidiInput, AChangeTheRulesRefuseRaisesItsTextAndLeavesTheInputAsItWas) {
  const struct {
    bool Open;
    std::function<void(TMidiInput&)> Change;
    std::string Text;
  } cases[] = {{true, [](TMidiInput& in) { in.SetDeviceID(1); }, "Change to DeviceID while device was open"},
               {true, [](TMidiInput& in) { in.SetProductName("Sequencer In"); },
                "Change to ProductName while device was open"},
               {true, [](TMidiInput& in) { in.SetSysexBufferSize(10); },
                "Change to SysexBufferSize while device was open"},
               {true, [](TMidiInput& in) { in.SetSysexBufferCount(1); },
                "Change to SysexBuffercount while device was open"},
               {false, [](TMidiInput& in) { in.SetDeviceID(2); }, "Invalid device ID"},
               {false, [](TMidiInput& in) { in.SetProductName("keys in"); },
                "MIDI Input Device keys in not installed "}};
  for (const auto& c : cases) {
    VirtualMidiRig rig;
    TMidiInput input(rig.System);
    if (c.Open) input.Open();
    EXPECT_EQ(ThrownText<EMidiInputError>([&] { c.Change(input); }), c.Text);
    EXPECT_EQ(input.IsOpen(), c.Open) << c.Text;
    EXPECT_EQ(std::pair(input.DeviceID(), input.ProductName()),
              std::pair(uint16_t{0}, std::string("Keys In")))
        << c.Text;
  }
  VirtualMidiRig rig;
  TMidiInput input(rig.System);
  input.SetProductName("Sequencer In");
  EXPECT_EQ(input.DeviceID(), 1);
  VirtualMidiRig withoutInputs({}, {"Synth Out"});
  EXPECT_EQ(ThrownText<EMidiInputError>([&] { TMidiInput none(withoutInputs.System); }), "Invalid device ID");
}

// Driver failures raise the driver's text and record its code.
TEST(MidiInput, DriverFailuresRaiseTheDriverTextAndRecordItsCode) {
  const struct {
    VirtualOp Op;
    PortResult Code;
    std::string Text;
    bool OpenAfter;
  } cases[] = {{VirtualOp::Capabilities, result::kNoDriver, "No MIDI driver is available", false},
               {VirtualOp::Open, result::kAllocated, "The device is already in use", false},
               {VirtualOp::Start, result::kNotReady, "The device is busy; try again later", true},
               {VirtualOp::Reset, result::kError, "Unspecified error", false},
               {VirtualOp::Close, 999, "Specified error number is out of range", false}};
  for (const auto& c : cases) {
    VirtualMidiRig rig;
    TMidiInput input(rig.System);
    rig.Backend->FailInput(0, c.Op, c.Code);
    const auto provoke = [&] {
      if (c.Op == VirtualOp::Capabilities) return input.SetDeviceID(0);
      input.Open();
      if (c.Op == VirtualOp::Start) input.Start();
      if (c.Op == VirtualOp::Reset || c.Op == VirtualOp::Close) input.Close();
    };
    EXPECT_EQ(ThrownText<EMidiInputError>(provoke), c.Text);
    EXPECT_EQ(input.Error(), c.Code) << c.Text;
    EXPECT_EQ(input.IsOpen(), c.OpenAfter) << c.Text;
  }
}

TEST(MidiInput, AnUnpluggedDeviceDeliversNothingAndFailsWithItsTextWithoutCrashing) {
  VirtualMidiRig rig;
  auto input = rig.StartedInput();
  rig.Backend->UnplugInput(0);
  EXPECT_FALSE(rig.Backend->InjectShort(0, Note(60)));
  EXPECT_EQ(ThrownText<EMidiInputError>([&] { input->Close(); }), "The MIDI device is no longer connected");
  EXPECT_FALSE(input->IsOpen());
  EXPECT_THROW(input->Open(), EMidiInputError);
  input.reset();  // the half-closed port is released
  EXPECT_FALSE(rig.Backend->InputOpen(0));
}

TEST(MidiInput, ReopeningAfterAFailedCloseStartsWithNothingLeftFromBefore) {
  VirtualMidiRig rig;
  auto input = rig.StartedInput();
  const uint8_t sysex[] = {0xF0, 0x41, 0xF7};
  rig.Backend->InjectSysex(0, sysex, sizeof sysex);
  rig.Backend->InjectShort(0, Note(60));
  rig.Backend->FailInput(0, VirtualOp::Reset, result::kError);
  EXPECT_THROW(input->Close(), EMidiInputError);
  rig.Backend->FailInput(0, VirtualOp::Reset, result::kOk);
  input->Open();
  input->Start();
  EXPECT_EQ(input->MessageCount(), 0);
  rig.Backend->InjectSysex(0, sysex, sizeof sysex);
  auto events = Drain(*input);
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(VirtualMidiRig::Bytes(*events[0]), std::vector<uint8_t>(sysex, sysex + 3));
}

TEST(MidiInput, AnInputDestroyedWithNoticesQueuedIsNeverCalled) {
  VirtualMidiRig rig;
  int calls = 0;
  {
    auto input = rig.StartedInput();
    input->OnMidiInput = [&](TMidiInput&) { ++calls; };
    input->SetCapacity(1);
    rig.Backend->InjectShort(0, Note(60));
  }
  rig.Loop.RunPending();
  EXPECT_EQ(calls, 0);
}

TEST(MidiInput, AHandlerMayDestroyItsOwnInput) {
  VirtualMidiRig rig;
  auto input = rig.StartedInput();
  int calls = 0;
  input->OnMidiInput = [&](TMidiInput&) {
    ++calls;
    input.reset();
  };
  rig.Backend->InjectShort(0, Note(60));
  rig.Loop.RunPending();
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(input, nullptr);
}

TEST(MidiNotices, ReachTheMainThreadInTheOrderTheyWerePosted) {
  VirtualMidiRig rig;
  auto keys = rig.StartedInput(0);
  auto sequencer = std::make_unique<TMidiInput>(rig.System);
  sequencer->SetDeviceID(1);
  sequencer->SetCapacity(1);
  sequencer->Open();
  sequencer->Start();
  TMidiOutput output(rig.System);
  output.Open();
  std::vector<std::string> order;
  keys->OnMidiInput = [&](TMidiInput& in) {
    order.push_back("keys data");
    Drain(in);
  };
  sequencer->OnMidiInput = [&](TMidiInput& in) {
    order.push_back("sequencer data");
    Drain(in);
  };
  sequencer->OnOverflow = [&](TMidiInput&) { order.push_back("sequencer overflow"); };
  output.Onmidioutput = [&](TMidiOutput&) { order.push_back("output done"); };

  rig.Backend->InjectShort(1, Note(1));
  const uint8_t reset[] = {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};
  output.PutLong(reset, sizeof reset);
  rig.Backend->InjectShort(0, Note(2));
  rig.Backend->InjectShort(1, Note(3));  // the sequencer's ring of one is full
  rig.Loop.RunPending();

  EXPECT_EQ(order,
            (std::vector<std::string>{"sequencer data", "output done", "keys data", "sequencer overflow"}));
}

TEST(MidiInput, EventsInjectedFromAnotherThreadAllArriveInOrder) {
  VirtualMidiRig rig;
  auto input = rig.StartedInput();
  constexpr int kEvents = 20000;
  std::vector<uint8_t> keys;
  input->OnMidiInput = [&](TMidiInput& in) {
    for (auto& event : Drain(in)) keys.push_back(event->Data1);
  };
  std::atomic<bool> done{false};
  std::thread driver([&] {
    for (int i = 0; i < kEvents;) {
      // Wait while the ring is full so that nothing is lost; the main thread drains meanwhile.
      if (input->MessageCount() < 1000 && rig.Backend->InjectShort(0, Note(static_cast<uint8_t>(i % 128))))
        ++i;
    }
    done = true;
  });
  while (!done || input->MessageCount() > 0) rig.Loop.RunPending();
  driver.join();
  rig.Loop.RunPending();
  ASSERT_EQ(keys.size(), static_cast<size_t>(kEvents));
  for (int i = 0; i < kEvents; ++i) ASSERT_EQ(keys[static_cast<size_t>(i)], i % 128) << i;
  EXPECT_EQ(input->LostEvents(), 0u);
}

}  // namespace
}  // namespace kalo::midi
