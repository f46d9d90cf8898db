#include "midi/backends/rtmidi_backend.h"

#include <gtest/gtest.h>

namespace kalo::midi {
namespace {

TEST(RtMidiBackend, DriverTextsBecomeCodesThatGiveTheTextBack) {
  RtMidiBackend backend(RtMidiApiKind::Jack);
  const PortResult first = backend.RecordError("MidiInJack::openPort: JACK error creating port");
  const PortResult second = backend.RecordError("MidiOutJack::sendMessage: ringbuffer full");
  EXPECT_GE(first, result::kFirstBackendCode);
  EXPECT_NE(first, second);
  EXPECT_EQ(backend.RecordError("MidiInJack::openPort: JACK error creating port"), first);
  EXPECT_EQ(backend.ErrorText(first), "MidiInJack::openPort: JACK error creating port");
  EXPECT_EQ(backend.ErrorText(second), "MidiOutJack::sendMessage: ringbuffer full");
  EXPECT_EQ(backend.ErrorText(result::kNoDevice), "The MIDI device is no longer connected");
  EXPECT_EQ(backend.ErrorText(second + 1), "");
}

TEST(RtMidiBackend, ABackendThatHasNotStartedListsNothingAndOpensNothing) {
  RtMidiBackend backend(RtMidiApiKind::Alsa);
  EXPECT_EQ(backend.InputCount(), 0);
  EXPECT_EQ(backend.OutputCount(), 0);
  InputCapabilities caps;
  EXPECT_EQ(backend.GetInputCapabilities(0, caps), result::kBadDeviceId);
}

}  // namespace
}  // namespace kalo::midi
