// `kalo live` over a real JACK server: a test client plays chords and a melody note into KALO's own
// input port and listens on KALO's own output port. Needs a running server (scripts/jack.sh start); with
// KALO_TEST_JACK=1 a missing server fails the test, otherwise it is skipped.

#include <gtest/gtest.h>
#include <jack/jack.h>
#include <jack/midiport.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "app/engine_rig.h"
#include "config/temp_folder.h"

extern char** environ;

namespace kalo {
namespace {

struct Received {
  jack_nframes_t Frame;  // the server's frame time of the event
  // When the cycle that carried it ran, in microseconds of the system clock. The dummy driver's frames
  // run slower than the system clock on a loaded machine, while KALO keeps time by the system clock:
  // timing is checked in these units.
  jack_time_t Micros;
  std::vector<uint8_t> Bytes;
};

// One client with an output into KALO and an input from it: queued messages go out at the start of the
// next cycle; what arrives is kept with its frame time. A test client, so its callback may lock.
struct TestClient {
  TestClient() {
    jack_status_t status{};
    Client = jack_client_open("kalo-live-test", JackNoStartServer, &status);
    if (Client == nullptr) return;
    Out = jack_port_register(Client, "to-kalo", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
    In = jack_port_register(Client, "from-kalo", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
    jack_set_process_callback(Client, &TestClient::Process, this);
    jack_activate(Client);
  }
  ~TestClient() {
    if (Client != nullptr) jack_client_close(Client);
  }
  // Returns the system time now (microseconds); the messages leave at the next cycle, after it.
  jack_time_t Send(std::vector<std::vector<uint8_t>> messages) {
    std::lock_guard<std::mutex> lock(Mutex);
    Pending.insert(Pending.end(), messages.begin(), messages.end());
    return jack_get_time();
  }
  static int Process(jack_nframes_t frames, void* self) {
    auto* c = static_cast<TestClient*>(self);
    const jack_nframes_t now = jack_last_frame_time(c->Client);
    const jack_time_t cycleStart = jack_get_time();
    void* out = jack_port_get_buffer(c->Out, frames);
    void* in = jack_port_get_buffer(c->In, frames);
    jack_midi_clear_buffer(out);
    std::lock_guard<std::mutex> lock(c->Mutex);
    for (const auto& m : c->Pending) jack_midi_event_write(out, 0, m.data(), m.size());
    c->Pending.clear();
    jack_midi_event_t event;
    for (uint32_t i = 0; i < jack_midi_get_event_count(in); ++i)
      if (jack_midi_event_get(&event, in, i) == 0 && event.size >= 1 && event.size <= 3)
        c->Got.push_back({now + event.time, cycleStart, {event.buffer, event.buffer + event.size}});
    return 0;
  }

  jack_client_t* Client = nullptr;
  jack_port_t* Out = nullptr;
  jack_port_t* In = nullptr;
  std::mutex Mutex;
  std::vector<std::vector<uint8_t>> Pending;
  std::vector<Received> Got;
};

std::set<std::string> OwnPorts(jack_client_t* client, unsigned long flags) {
  std::set<std::string> names;
  const char** ports = jack_get_ports(client, ":KALO$", JACK_DEFAULT_MIDI_TYPE, flags);
  for (const char** p = ports; p != nullptr && *p != nullptr; ++p) names.insert(*p);
  if (ports != nullptr) jack_free(ports);
  return names;
}

// The style: one Basic measure whose every beat starts pattern note C (48) on channel 1.
std::vector<uint8_t> TestStyle() {
  app::testing::StyleWriter style;
  style.Voice(0, 0).Part(1, 1, [](app::testing::StyleWriter& s, int, int, int) { s.Play({{0, 48}}, 12); });
  return style.FileBytes();
}

// Broken input is dropped: a system-exclusive start without its end before the first chord, messages
// without their data bytes during play. Closing the terminal (SIGHUP) ends the run cleanly.
TEST(LiveCommand, ChordsDriveTheStyleTheMelodyPlaysThroughAndAHangUpLeavesNothingSounding) {
  TestClient jack;
  if (jack.Client == nullptr) {
    const char* required = std::getenv("KALO_TEST_JACK");
    if (required != nullptr && std::string(required) == "1")
      FAIL() << "KALO_TEST_JACK=1 but no JACK server answers";
    GTEST_SKIP() << "no JACK server answers";
  }
  config::testing::TempFolder folder;
  const auto bytes = TestStyle();
  const std::string stylePath = folder.Write("TEST.VXS", std::string(bytes.begin(), bytes.end())).string();
  const std::string ini = folder.Write("kalo.ini", "[Options]\nPAD=0\nPlayIntro=0\nQuantize=0\n").string();

  int stdinPipe[2];
  ASSERT_EQ(pipe(stdinPipe), 0);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, stdinPipe[0], 0);
  posix_spawn_file_actions_addclose(&actions, stdinPipe[1]);
  int stdoutPipe[2];
  ASSERT_EQ(pipe(stdoutPipe), 0);
  posix_spawn_file_actions_adddup2(&actions, stdoutPipe[1], 1);
  posix_spawn_file_actions_addclose(&actions, stdoutPipe[0]);
  std::vector<std::string> args{KALO_PROGRAM, "live",    "--style", stylePath, "--out",
                                "KALO",       "--tempo", "240",     "--ini",   ini};
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  ASSERT_EQ(posix_spawn(&pid, KALO_PROGRAM, &actions, nullptr, argv.data(), environ), 0);
  posix_spawn_file_actions_destroy(&actions);
  close(stdinPipe[0]);
  close(stdoutPipe[1]);
  // The first status line comes when the style is loaded and the clock runs: input from then on counts.
  std::string shown;
  auto readShown = [&](int milliseconds) {
    pollfd fd{stdoutPipe[0], POLLIN, 0};
    char buffer[4096];
    while (poll(&fd, 1, milliseconds) > 0) {
      const ssize_t got = read(stdoutPipe[0], buffer, sizeof buffer);
      if (got <= 0) break;
      shown.append(buffer, static_cast<size_t>(got));
      if (milliseconds > 0 && shown.find('\n') != std::string::npos) break;
    }
  };
  readShown(10000);
  ASSERT_NE(shown.find("stopped"), std::string::npos) << shown;

  // This test runs alone: the KALO ports there are are those of the program it started.
  std::set<std::string> newIn, newOut;
  for (int i = 0; i < 500 && (newIn.empty() || newOut.empty()); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    newIn = OwnPorts(jack.Client, JackPortIsInput);
    newOut = OwnPorts(jack.Client, JackPortIsOutput);
  }
  ASSERT_EQ(newIn.size(), 1u);
  ASSERT_EQ(newOut.size(), 1u);
  ASSERT_EQ(jack_connect(jack.Client, jack_port_name(jack.Out), newIn.begin()->c_str()), 0);
  ASSERT_EQ(jack_connect(jack.Client, newOut.begin()->c_str(), jack_port_name(jack.In)), 0);
  // A loaded server may take a while before both connections carry messages: a right-hand note played
  // through and heard back shows that they do, before any chord counts.
  auto heardBack = [&] {
    std::lock_guard<std::mutex> lock(jack.Mutex);
    return std::any_of(jack.Got.begin(), jack.Got.end(),
                       [](const Received& r) { return r.Bytes == std::vector<uint8_t>{0x91, 84, 1}; });
  };
  for (int i = 0; i < 100 && !heardBack(); ++i) {
    jack.Send({{0x95, 84, 1}, {0x85, 84, 0}});
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  ASSERT_TRUE(heardBack()) << "KALO's ports carry nothing";
  std::this_thread::sleep_for(std::chrono::milliseconds(100));

  const double beatMicros = 60e6 / 240;
  jack.Send({{0xF0, 0x43, 0x10}});
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  jack.Send({{0x90, 48, 100}, {0x90, 52, 100}, {0x90, 55, 100}});  // C E G in the accompaniment zone
  std::this_thread::sleep_for(std::chrono::milliseconds(1100));
  const jack_time_t minorSent = jack.Send({{0x80, 48, 0},
                                           {0x80, 52, 0},
                                           {0x80, 55, 0},  //
                                           {0x90, 45, 100},
                                           {0x90, 48, 100},
                                           {0x90, 52, 100}});  // A C E
  std::this_thread::sleep_for(std::chrono::milliseconds(700));
  // The right hand, on channel 6: played on the keyboard channel, which the style's load made the first
  // channel the style leaves free (channel 2).
  jack.Send({{0x95, 72, 90}});
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  const jack_time_t brokenSent = jack.Send({{0xC5}, {0xB5, 0x07}});
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  ASSERT_EQ(kill(pid, SIGHUP), 0);
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  close(stdinPipe[1]);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  readShown(0);
  close(stdoutPipe[0]);
  // The status lines, plain on a pipe, showed both chords with the part playing.
  EXPECT_NE(shown.find("chord C maj  part Basic"), std::string::npos) << shown;
  EXPECT_NE(shown.find("chord A min  part Basic"), std::string::npos) << shown;
  std::this_thread::sleep_for(std::chrono::milliseconds(100));

  std::vector<Received> got;
  {
    std::lock_guard<std::mutex> lock(jack.Mutex);
    got = jack.Got;
  }
  std::vector<Received> styleOns;
  bool melody = false;
  for (const Received& r : got) {
    if (r.Bytes.size() == 3 && r.Bytes[0] == 0x90 && r.Bytes[2] > 0 && r.Bytes[1] != 72)
      styleOns.push_back(r);
    if (r.Bytes == std::vector<uint8_t>{0x91, 72, 90}) melody = true;
    const bool programOrVolume =
        (r.Bytes[0] & 0xF0) == 0xC0 || ((r.Bytes[0] & 0xF0) == 0xB0 && r.Bytes[1] == 7);
    EXPECT_FALSE(r.Micros >= brokenSent && programOrVolume) << "a message without its data went out";
  }
  EXPECT_TRUE(melody) << "the right-hand note arrives on the keyboard channel";
  ASSERT_GE(styleOns.size(), 5u);
  // Every style note falls on one beat grid. Its phase is the median of the notes' phases against the
  // first note, so that one late note (a busy machine) does not shift the grid for all the others.
  const jack_time_t start = styleOns.front().Micros;
  auto phase = [&](const Received& r) {
    const double beats = static_cast<double>(r.Micros - start) / beatMicros;
    return beats - std::round(beats);
  };
  std::vector<double> phases;
  for (const Received& r : styleOns) phases.push_back(phase(r));
  std::nth_element(phases.begin(), phases.begin() + phases.size() / 2, phases.end());
  const double gridPhase = phases[phases.size() / 2];
  bool minorSeen = false;
  for (const Received& r : styleOns) {
    EXPECT_NEAR(phase(r), gridPhase, 0.1) << "note " << +r.Bytes[1] << " off the beat";
    const bool minor = r.Bytes[1] % 12 == 9;
    EXPECT_TRUE(minor || r.Bytes[1] % 12 == 0) << +r.Bytes[1];
    if (!minor) {
      EXPECT_FALSE(minorSeen) << "C major after A minor";
      EXPECT_LT(r.Micros, minorSent + beatMicros * 1.1);
    } else if (!minorSeen) {
      minorSeen = true;
      EXPECT_GE(r.Micros, minorSent) << "A minor before its chord was played";
      EXPECT_LE(r.Micros, minorSent + beatMicros * 1.1) << "A minor later than the next beat";
    }
  }
  EXPECT_TRUE(minorSeen);

  // Nothing sounds at the end: every note-on was ended by its note-off or a channel's all-notes-off.
  std::vector<midi::CapturedMessage> heard;
  for (const Received& r : got) heard.push_back({r.Frame, r.Bytes});
  EXPECT_EQ(app::testing::StillSounding(heard), "");
}

}  // namespace
}  // namespace kalo
