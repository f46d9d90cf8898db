// Played-through latency of `kalo live` over JACK: a note leaves a port of this program, goes into
// KALO's own input port, through the input dispatch on KALO's main thread and out of KALO's own output
// port, back into this program. JACK's own loopback (a port of this program connected straight to
// another of its ports) is measured in the same run, note for note. Needs a running JACK server
// (scripts/jack.sh start). Prints one key=value per line; times in microseconds.
//   passthrough_latency [notes]

#include <jack/jack.h>
#include <jack/midiport.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

constexpr uint8_t kNote = 72;  // above the accompaniment zone: played through

// One note in flight at a time. The process callback sends it on both outputs at frame offset 0 and
// notes the frame time of each arrival; times are frame counts of the server's clock.
struct Bench {
  jack_client_t* Client = nullptr;
  jack_port_t* ToKalo = nullptr;
  jack_port_t* FromKalo = nullptr;
  jack_port_t* LoopOut = nullptr;
  jack_port_t* LoopIn = nullptr;
  std::atomic<int> Request{0};  // the main thread asks for note number n (1, 2, ...)
  std::atomic<int> Sent{0};
  std::atomic<jack_nframes_t> SentAt{0};
  std::atomic<jack_nframes_t> KaloAt{0};
  std::atomic<jack_nframes_t> LoopAt{0};
  std::atomic<bool> KaloArrived{false};
  std::atomic<bool> LoopArrived{false};
  std::atomic<int> Xruns{0};
};

// First note-on of kNote in the buffer: its frame time, or false.
bool Arrival(jack_port_t* port, jack_nframes_t frames, jack_nframes_t cycle, jack_nframes_t& at) {
  void* buffer = jack_port_get_buffer(port, frames);
  const uint32_t count = jack_midi_get_event_count(buffer);
  for (uint32_t i = 0; i < count; ++i) {
    jack_midi_event_t event;
    if (jack_midi_event_get(&event, buffer, i) != 0 || event.size != 3) continue;
    if ((event.buffer[0] & 0xF0) == 0x90 && event.buffer[1] == kNote && event.buffer[2] > 0) {
      at = cycle + event.time;
      return true;
    }
  }
  return false;
}

int Process(jack_nframes_t frames, void* arg) {
  auto* b = static_cast<Bench*>(arg);
  const jack_nframes_t cycle = jack_last_frame_time(b->Client);
  jack_nframes_t at = 0;
  if (!b->KaloArrived.load() && Arrival(b->FromKalo, frames, cycle, at)) {
    b->KaloAt = at;
    b->KaloArrived = true;
  }
  if (!b->LoopArrived.load() && Arrival(b->LoopIn, frames, cycle, at)) {
    b->LoopAt = at;
    b->LoopArrived = true;
  }
  void* toKalo = jack_port_get_buffer(b->ToKalo, frames);
  void* loopOut = jack_port_get_buffer(b->LoopOut, frames);
  jack_midi_clear_buffer(toKalo);
  jack_midi_clear_buffer(loopOut);
  const int wanted = b->Request.load();
  if (wanted != b->Sent.load()) {
    // A note-off for the previous note and the new note-on, both at offset 0 of this cycle.
    const uint8_t off[3] = {0x80, kNote, 0};
    const uint8_t on[3] = {0x90, kNote, 100};
    for (void* out : {toKalo, loopOut}) {
      jack_midi_event_write(out, 0, off, 3);
      jack_midi_event_write(out, 0, on, 3);
    }
    b->SentAt = cycle;
    b->Sent = wanted;
  }
  return 0;
}

std::set<std::string> OwnPorts(jack_client_t* client, unsigned long flags) {
  std::set<std::string> names;
  const char** ports = jack_get_ports(client, ":KALO$", JACK_DEFAULT_MIDI_TYPE, flags);
  for (const char** p = ports; p != nullptr && *p != nullptr; ++p) names.insert(*p);
  if (ports != nullptr) jack_free(ports);
  return names;
}

void Print(const char* key, std::vector<double> values) {
  std::sort(values.begin(), values.end());
  auto at = [&](double q) {
    return values[std::min(values.size() - 1, static_cast<size_t>(q * values.size()))];
  };
  std::printf("%s_p50_us=%.1f\n%s_p99_us=%.1f\n%s_max_us=%.1f\n", key, at(0.5), key, at(0.99), key,
              values.back());
}

}  // namespace

int main(int argc, char** argv) {
  const int notes = argc > 1 ? std::atoi(argv[1]) : 1000;
  setenv("JACK_NO_START_SERVER", "1", 0);
  Bench b;
  jack_status_t status{};
  b.Client = jack_client_open("kalo-passthrough-bench", JackNoStartServer, &status);
  if (b.Client == nullptr) {
    std::fprintf(stderr, "passthrough_latency: no JACK server answers (scripts/jack.sh start)\n");
    return 1;
  }
  b.ToKalo = jack_port_register(b.Client, "to-kalo", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
  b.FromKalo = jack_port_register(b.Client, "from-kalo", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
  b.LoopOut = jack_port_register(b.Client, "loop-out", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
  b.LoopIn = jack_port_register(b.Client, "loop-in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
  jack_set_process_callback(b.Client, Process, &b);
  // A cycle the server could not finish in time drops the MIDI of the clients it skipped: notes lost
  // then are the server's, and the count shows how many such cycles the run had.
  jack_set_xrun_callback(
      b.Client,
      [](void* arg) {
        ++static_cast<Bench*>(arg)->Xruns;
        return 0;
      },
      &b);
  jack_activate(b.Client);
  jack_connect(b.Client, jack_port_name(b.LoopOut), jack_port_name(b.LoopIn));

  // kalo live with a shipped style, reading the keyboard from its own port and playing to its own port.
  const auto inBefore = OwnPorts(b.Client, JackPortIsInput), outBefore = OwnPorts(b.Client, JackPortIsOutput);
  int input[2];
  if (pipe(input) != 0) return 1;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, input[0], 0);
  posix_spawn_file_actions_addclose(&actions, input[1]);
  int output[2];
  if (pipe(output) != 0) return 1;
  posix_spawn_file_actions_adddup2(&actions, output[1], 1);
  posix_spawn_file_actions_addclose(&actions, output[0]);
  std::vector<std::string> args{KALO_PROGRAM, "live", "--style", KALO_BENCH_STYLE, "--out", "KALO"};
  std::vector<char*> argv2;
  for (std::string& a : args) argv2.push_back(a.data());
  argv2.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawn(&pid, KALO_PROGRAM, &actions, nullptr, argv2.data(), environ) != 0) return 1;
  close(input[0]);
  close(output[1]);
  // kalo live prints its first status line once the style is loaded and the clock runs; input before
  // that is discarded by the start. The later lines are read by a thread so that the pipe never fills.
  {
    pollfd fd{output[0], POLLIN, 0};
    char c = 0;
    while (poll(&fd, 1, 10000) > 0 && read(output[0], &c, 1) == 1 && c != '\n') {
    }
  }
  std::thread drain([fd = output[0]] {
    char buffer[4096];
    while (read(fd, buffer, sizeof buffer) > 0) {
    }
  });
  std::string kaloIn, kaloOut;
  for (int i = 0; i < 1000 && (kaloIn.empty() || kaloOut.empty()); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    for (const auto& p : OwnPorts(b.Client, JackPortIsInput))
      if (!inBefore.count(p)) kaloIn = p;
    for (const auto& p : OwnPorts(b.Client, JackPortIsOutput))
      if (!outBefore.count(p)) kaloOut = p;
  }
  if (kaloIn.empty() || kaloOut.empty()) {
    std::fprintf(stderr, "passthrough_latency: kalo live's ports did not appear\n");
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    return 1;
  }
  jack_connect(b.Client, jack_port_name(b.ToKalo), kaloIn.c_str());
  jack_connect(b.Client, kaloOut.c_str(), jack_port_name(b.FromKalo));
  std::this_thread::sleep_for(std::chrono::milliseconds(300));

  const double rate = jack_get_sample_rate(b.Client);
  const jack_nframes_t period = jack_get_buffer_size(b.Client);
  const double usPerFrame = 1e6 / rate;
  std::vector<double> kalo, loop, difference;
  int lost = 0;
  for (int n = 1; n <= notes; ++n) {
    b.KaloArrived = false;
    b.LoopArrived = false;
    b.Request = n;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(500);
    while (!(b.KaloArrived && b.LoopArrived) && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    if (!(b.KaloArrived && b.LoopArrived)) {
      std::fprintf(stderr, "passthrough_latency: note %d lost (KALO %s, loopback %s)\n", n,
                   b.KaloArrived ? "arrived" : "lost", b.LoopArrived ? "arrived" : "lost");
      ++lost;
      continue;
    }
    const double k = static_cast<double>(b.KaloAt - b.SentAt) * usPerFrame;
    const double l = static_cast<double>(b.LoopAt - b.SentAt) * usPerFrame;
    kalo.push_back(k);
    loop.push_back(l);
    difference.push_back(k - l);
    // Let a few cycles pass, so that notes do not always leave at the same point of KALO's work.
    std::this_thread::sleep_for(std::chrono::microseconds(1000 + (n * 737) % 3000));
  }
  kill(pid, SIGTERM);
  int exitStatus = 0;
  waitpid(pid, &exitStatus, 0);
  close(input[1]);
  drain.join();
  close(output[0]);
  jack_client_close(b.Client);

  std::printf("clock=JACK frame time (jack_last_frame_time of the cycle + the event's frame offset)\n");
  std::printf("sent=at frame offset 0 of this program's process callback, the cycle's first frame\n");
  std::printf("arrived=in this program's process callback, cycle frame time + the event's offset\n");
  std::printf("sample_rate=%.0f\nperiod_frames=%u\nnotes=%zu\nlost=%d\nserver_xruns=%d\n", rate, period,
              kalo.size(), lost, b.Xruns.load());
  if (kalo.empty()) return 1;
  Print("kalo", kalo);
  Print("jack_loopback", loop);
  Print("added", difference);
  std::printf("kalo_exit_status=%d\n", WIFEXITED(exitStatus) ? WEXITSTATUS(exitStatus) : -1);
  return 0;
}
