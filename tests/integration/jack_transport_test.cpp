// MIDI over a real JACK server: the program's own output port connected to its own input port.
// Needs a running server (scripts/jack.sh start). With KALO_TEST_JACK=1 a missing server fails the
// test; otherwise the test is skipped.

#include <gtest/gtest.h>
#include <jack/jack.h>

#include <chrono>
#include <cstdlib>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "host/main_loop.h"
#include "midi/backends/fluidsynth_backend.h"
#include "midi/backends/platform_backends.h"
#include "midi/backends/rtmidi_backend.h"
#include "midi/midi_errors.h"
#include "midi/midi_input.h"
#include "midi/midi_output.h"
#include "midi/midi_system.h"

namespace kalo::midi {
namespace {

// A plain JACK client for wiring ports; null when no server answers.
struct JackClient {
  JackClient() {
    jack_status_t status{};
    Client = jack_client_open("kalo-test-wiring", JackNoStartServer, &status);
  }
  ~JackClient() {
    if (Client != nullptr) jack_client_close(Client);
  }
  // Full names of the MIDI ports called KALO with these flags.
  std::set<std::string> OwnPorts(unsigned long flags) const {
    std::set<std::string> names;
    const char** ports = jack_get_ports(Client, ":KALO$", JACK_DEFAULT_MIDI_TYPE, flags);
    for (const char** p = ports; p != nullptr && *p != nullptr; ++p) names.insert(*p);
    if (ports != nullptr) jack_free(ports);
    return names;
  }
  jack_client_t* Client = nullptr;
};

// The one name in after that was not in before, or empty.
std::string NewPort(const std::set<std::string>& before, const std::set<std::string>& after) {
  std::string found;
  for (const std::string& name : after) {
    if (before.count(name) == 0) {
      if (!found.empty()) return {};
      found = name;
    }
  }
  return found;
}

class JackTransport : public ::testing::Test {
 protected:
  void SetUp() override {
    KeepJackServerFromStarting();
    wiring_ = std::make_unique<JackClient>();
    if (wiring_->Client == nullptr) {
      const char* required = std::getenv("KALO_TEST_JACK");
      if (required != nullptr && std::string(required) == "1") {
        FAIL() << "KALO_TEST_JACK=1 but no JACK server answers (start one with scripts/jack.sh start)";
      }
      GTEST_SKIP() << "no JACK server answers";
    }
  }

  std::unique_ptr<JackClient> wiring_;
};

TEST_F(JackTransport, ShortAndSysexMessagesCrossARealConnectionIntact) {
  host::StdMainLoop loop;
  MidiSystem system(loop);
  system.Devices().AddBackend(std::make_unique<RtMidiBackend>(RtMidiApiKind::Jack));
  ASSERT_TRUE(system.Devices().Backends().at(0).Working) << system.Devices().Backends().at(0).Reason;

  const auto inputsBefore = wiring_->OwnPorts(JackPortIsInput);
  TMidiInput input(system);
  input.SetProductName(kOwnPortName);
  input.Open();
  input.Start();
  const std::string inputPort = NewPort(inputsBefore, wiring_->OwnPorts(JackPortIsInput));
  ASSERT_FALSE(inputPort.empty());

  const auto outputsBefore = wiring_->OwnPorts(JackPortIsOutput);
  TMidiOutput output(system);
  output.SetProductName(kOwnPortName);
  output.Open();
  const std::string outputPort = NewPort(outputsBefore, wiring_->OwnPorts(JackPortIsOutput));
  ASSERT_FALSE(outputPort.empty());
  ASSERT_EQ(jack_connect(wiring_->Client, outputPort.c_str(), inputPort.c_str()), 0);

  std::vector<std::unique_ptr<TMyMidiEvent>> received;
  input.OnMidiInput = [&](TMidiInput& in) {
    while (in.MessageCount() > 0) received.push_back(in.GetMidiEvent());
  };
  std::vector<uint8_t> sysex(300);
  for (size_t i = 0; i < sysex.size(); ++i) sysex[i] = static_cast<uint8_t>(i & 0x7F);
  sysex.front() = 0xF0;
  sysex.back() = 0xF7;

  output.PutShort(0x90, 60, 100);
  output.PutShort(0xB0, 7, 99);
  output.PutShort(0xC0, 17, 0);
  output.PutLong(sysex.data(), sysex.size());
  output.PutShort(0x80, 60, 0);
  EXPECT_EQ(output.Error(), 0);

  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (received.size() < 5 && std::chrono::steady_clock::now() < deadline) {
    loop.RunPending();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  ASSERT_EQ(received.size(), 5u);
  EXPECT_EQ(received[0]->Message(), (ShortMessage{0x90, 60, 100}));
  EXPECT_EQ(received[1]->Message(), (ShortMessage{0xB0, 7, 99}));
  EXPECT_EQ(received[2]->Message(), (ShortMessage{0xC0, 17, 0}));
  ASSERT_EQ(received[3]->Status, 0xF0);
  ASSERT_EQ(received[3]->SysexLength, sysex.size());
  EXPECT_EQ(std::vector<uint8_t>(received[3]->Sysex.get(), received[3]->Sysex.get() + sysex.size()), sysex);
  EXPECT_EQ(received[4]->Message(), (ShortMessage{0x80, 60, 0}));
  for (size_t i = 1; i < received.size(); ++i) EXPECT_GE(received[i]->Time, received[i - 1]->Time);
  EXPECT_EQ(input.LostEvents(), 0u);

  output.Close();
  input.Close();
  EXPECT_TRUE(wiring_->OwnPorts(JackPortIsInput).count(inputPort) == 0);
}

TEST_F(JackTransport, ProgramPortsAreListedAndAPortThatVanishedFailsToOpenWithoutCrashing) {
  host::StdMainLoop loop;
  MidiSystem system(loop);
  AddPlatformBackends(system.Devices());
  bool jackWorks = false;
  for (const BackendStatus& backend : system.Devices().Backends()) {
    if (backend.Name == "jack") jackWorks = backend.Working;
  }
  ASSERT_TRUE(jackWorks);
  ASSERT_GE(system.Devices().InputCount(), 1);

  // A port of another client that is listed, then goes away before it is opened.
  jack_port_t* port =
      jack_port_register(wiring_->Client, "vanishing", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
  ASSERT_NE(port, nullptr);
  ASSERT_EQ(jack_activate(wiring_->Client), 0);
  system.Devices().Refresh();
  TMidiInput input(system);
  input.SetProductName(jack_port_name(port));  // the client may have been renamed by the server
  jack_port_unregister(wiring_->Client, port);
  try {
    input.Open();
    FAIL() << "opened a port that is gone";
  } catch (const EMidiInputError& e) {
    EXPECT_STREQ(e.what(), "The MIDI device is no longer connected");
  }
  EXPECT_FALSE(input.IsOpen());
}

TEST_F(JackTransport, TheSynthesizerJoinsTheRunningServerAndPlaysIntoItsPlaybackPorts) {
  host::StdMainLoop loop;
  MidiSystem system(loop);
  SynthOptions options;
  options.Driver = SynthDriver::Jack;
  auto owned = std::make_unique<FluidSynthBackend>(options);
  FluidSynthBackend& synth = *owned;
  system.Devices().AddBackend(std::move(owned));
  TMidiOutput output(system);
  output.SetProductName(kSynthName);
  ASSERT_TRUE(output.Open());
  ASSERT_EQ(synth.AudioDriver(), "jack") << synth.SilentReason();

  // The server tells other clients of new connections asynchronously: wait up to two seconds.
  auto connectedPorts = [this](int expected) {
    int connected = -1;
    for (int attempt = 0; attempt < 200 && connected != expected; ++attempt) {
      if (attempt > 0) std::this_thread::sleep_for(std::chrono::milliseconds(10));
      connected = 0;
      const char** ports =
          jack_get_ports(wiring_->Client, "^KALO GM Synth", JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput);
      for (const char** p = ports; p != nullptr && *p != nullptr; ++p) {
        if (jack_port_connected(jack_port_by_name(wiring_->Client, *p)) > 0) ++connected;
      }
      if (ports != nullptr) jack_free(ports);
    }
    return connected;
  };
  EXPECT_EQ(connectedPorts(2), 2) << "left and right reach the server's playback ports";
  output.PutShort(0x90, 60, 100);
  EXPECT_EQ(output.Error(), result::kOk);
  output.Close();
  EXPECT_EQ(connectedPorts(0), 0) << "closing leaves the server";
}

}  // namespace
}  // namespace kalo::midi
