#include "midi/midi_device_registry.h"

#include <gtest/gtest.h>

#include "host/time_source.h"
#include "midi/backends/virtual_backend.h"

namespace kalo::midi {
namespace {

TEST(MidiDeviceRegistry, NumbersTheDevicesOfEveryWorkingBackendInOrderAndKeepsWhyOthersFail) {
  host::FakeTimeSource clock;
  MidiDeviceRegistry registry;
  auto first = std::make_unique<VirtualBackend>(clock, "first");
  first->AddInput("A in");
  first->AddOutput("A out");
  auto broken = std::make_unique<VirtualBackend>(clock, "broken");
  broken->AddInput("never listed");
  broken->SetStartFailure("no sequencer device");
  auto second = std::make_unique<VirtualBackend>(clock, "second");
  second->AddInput("B in");
  second->AddOutput("B out 1");
  second->AddOutput("B out 2");
  VirtualBackend& secondRef = *second;
  registry.AddBackend(std::move(first));
  registry.AddBackend(std::move(broken));
  registry.AddBackend(std::move(second));

  ASSERT_EQ(registry.InputCount(), 2);
  ASSERT_EQ(registry.OutputCount(), 3);
  InputCapabilities in;
  EXPECT_EQ(registry.GetInputCapabilities(1, in), result::kOk);
  EXPECT_EQ(in.ProductName, "B in");
  OutputCapabilities out;
  EXPECT_EQ(registry.GetOutputCapabilities(2, out), result::kOk);
  EXPECT_EQ(out.ProductName, "B out 2");
  DeviceRef ref;
  ASSERT_TRUE(registry.FindOutput(2, ref));
  EXPECT_EQ(ref.Backend, &secondRef);
  EXPECT_EQ(ref.Index, 1);
  EXPECT_EQ(registry.GetInputCapabilities(2, in), result::kBadDeviceId);

  ASSERT_EQ(registry.Backends().size(), 3u);
  EXPECT_TRUE(registry.Backends()[0].Working);
  EXPECT_FALSE(registry.Backends()[1].Working);
  EXPECT_EQ(registry.Backends()[1].Name, "broken");
  EXPECT_EQ(registry.Backends()[1].Reason, "no sequencer device");

  // Devices that appear later are listed after a refresh.
  secondRef.AddInput("B in 2");
  EXPECT_EQ(registry.InputCount(), 2);
  registry.Refresh();
  EXPECT_EQ(registry.InputCount(), 3);
}

}  // namespace
}  // namespace kalo::midi
