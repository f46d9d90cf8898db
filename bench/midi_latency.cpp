// Time from the MIDI driver callback to the OnMidiInput handler on the main thread, over the virtual
// backend and over JACK, beside JACK's own loopback time measured in the same run. Prints one
// key=value per line; times in microseconds.
//   midi_latency [virtual-events] [jack-events]

#include <jack/jack.h>
#include <jack/midiport.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "host/main_loop.h"
#include "host/time_source.h"
#include "midi/backends/platform_backends.h"
#include "midi/backends/rtmidi_backend.h"
#include "midi/backends/virtual_backend.h"
#include "midi/midi_input.h"
#include "midi/midi_system.h"

namespace {

using kalo::midi::InputCallback;
using kalo::midi::PortResult;

int64_t NowMicros() {
  return std::chrono::duration_cast<std::chrono::microseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// Per-event time stamps written by one thread and read after the run.
struct Stamps {
  explicit Stamps(size_t n) : At(n) {
    for (auto& a : At) a.store(-1, std::memory_order_relaxed);
  }
  std::vector<std::atomic<int64_t>> At;
};

void PrintStats(const std::string& key, const Stamps& from, const Stamps& to) {
  std::vector<double> deltas;
  for (size_t i = 0; i < from.At.size(); ++i) {
    const int64_t a = from.At[i].load(std::memory_order_acquire);
    const int64_t b = to.At[i].load(std::memory_order_acquire);
    if (a >= 0 && b >= 0) deltas.push_back(static_cast<double>(b - a));
  }
  std::printf("%s_count=%zu\n", key.c_str(), deltas.size());
  if (deltas.empty()) return;
  std::sort(deltas.begin(), deltas.end());
  auto at = [&](double q) {
    return deltas[std::min(deltas.size() - 1, static_cast<size_t>(q * deltas.size()))];
  };
  std::printf("%s_p50_us=%.1f\n%s_p99_us=%.1f\n%s_max_us=%.1f\n", key.c_str(), at(0.50), key.c_str(),
              at(0.99), key.c_str(), deltas.back());
}

// The event number travels in the two data bytes of a note-on.
uint32_t Encode(size_t seq) {
  return 0x90u | (static_cast<uint32_t>((seq >> 7) & 0x7F) << 8) | (static_cast<uint32_t>(seq & 0x7F) << 16);
}
size_t Decode(uint8_t data1, uint8_t data2) { return (size_t{data1} << 7) | data2; }

// An input handler that stamps every event it drains and quits the loop after the last one.
void CollectInto(kalo::midi::TMidiInput& input, kalo::host::MainLoop& loop, Stamps& handled, size_t total) {
  auto received = std::make_shared<size_t>(0);
  input.OnMidiInput = [&handled, &loop, total, received](kalo::midi::TMidiInput& in) {
    const int64_t now = NowMicros();
    while (in.MessageCount() > 0) {
      auto event = in.GetMidiEvent();
      const size_t seq = Decode(event->Data1, event->Data2);
      if (seq < handled.At.size()) handled.At[seq].store(now, std::memory_order_release);
      if (++*received == total) loop.Quit();
    }
  };
}

void RunVirtual(size_t events) {
  kalo::host::SteadyTimeSource clock;
  kalo::host::StdMainLoop loop;
  kalo::midi::MidiSystem system(loop);
  auto owned = std::make_unique<kalo::midi::VirtualBackend>(clock);
  kalo::midi::VirtualBackend& backend = *owned;
  backend.AddInput("bench in");
  system.Devices().AddBackend(std::move(owned));
  kalo::midi::TMidiInput input(system);
  input.Open();
  input.Start();
  Stamps injected(events), handled(events);
  CollectInto(input, loop, handled, events);
  std::thread driver([&] {
    for (size_t i = 0; i < events; ++i) {
      injected.At[i].store(NowMicros(), std::memory_order_release);
      backend.InjectShort(0, Encode(i));  // runs the input's driver callback on this thread
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    std::this_thread::sleep_for(std::chrono::seconds(1));
    loop.Quit();  // in case an event was lost
  });
  loop.Run();
  driver.join();
  input.Close();
  std::printf("virtual_events=%zu\n", events);
  PrintStats("virtual_callback_to_handler", injected, handled);
}

// Wraps the JACK backend to stamp the moment the driver callback runs, before the device layer sees it.
class StampingBackend final : public kalo::midi::PortBackend {
 public:
  StampingBackend(std::unique_ptr<kalo::midi::PortBackend> inner, Stamps& stamps)
      : inner_(std::move(inner)), stamping_(stamps) {}
  std::string Name() const override { return inner_->Name(); }
  std::string Start() override { return inner_->Start(); }
  void Refresh() override { inner_->Refresh(); }
  int InputCount() override { return inner_->InputCount(); }
  PortResult GetInputCapabilities(int index, kalo::midi::InputCapabilities& caps) override {
    return inner_->GetInputCapabilities(index, caps);
  }
  PortResult OpenInput(int index, InputCallback& callback,
                       std::unique_ptr<kalo::midi::InputPort>& port) override {
    stamping_.Target = &callback;
    return inner_->OpenInput(index, stamping_, port);
  }
  int OutputCount() override { return inner_->OutputCount(); }
  PortResult GetOutputCapabilities(int index, kalo::midi::OutputCapabilities& caps) override {
    return inner_->GetOutputCapabilities(index, caps);
  }
  PortResult OpenOutput(int index, kalo::midi::OutputCallback& callback,
                        std::unique_ptr<kalo::midi::OutputPort>& port) override {
    return inner_->OpenOutput(index, callback, port);
  }
  PortResult SetOutputVolume(int index, uint32_t volume) override {
    return inner_->SetOutputVolume(index, volume);
  }
  std::string ErrorText(PortResult code) override { return inner_->ErrorText(code); }

 private:
  struct Stamping final : InputCallback {
    explicit Stamping(Stamps& stamps) : At(stamps) {}
    void OnShortData(uint32_t packed, uint32_t timeMs) noexcept override {
      const size_t seq = Decode(static_cast<uint8_t>(packed >> 8), static_cast<uint8_t>(packed >> 16));
      if (seq < At.At.size()) At.At[seq].store(NowMicros(), std::memory_order_release);
      Target->OnShortData(packed, timeMs);
    }
    void OnLongData(const uint8_t* bytes, size_t length, uint32_t timeMs) noexcept override {
      Target->OnLongData(bytes, length, timeMs);
    }
    Stamps& At;
    InputCallback* Target = nullptr;
  };
  std::unique_ptr<kalo::midi::PortBackend> inner_;
  Stamping stamping_;
};

// A plain JACK client: every few cycles it writes one numbered event to its output port, which is
// connected to its own input port (JACK's loopback) and to the program's input port.
struct LoopbackClient {
  LoopbackClient(size_t events, int everyCycles)
      : Written(events), Read(events), Total(events), Every(everyCycles) {}

  static int Process(jack_nframes_t frames, void* arg) {
    auto* self = static_cast<LoopbackClient*>(arg);
    const int64_t now = NowMicros();
    void* in = jack_port_get_buffer(self->In, frames);
    const uint32_t count = jack_midi_get_event_count(in);
    for (uint32_t i = 0; i < count; ++i) {
      jack_midi_event_t event;
      if (jack_midi_event_get(&event, in, i) == 0 && event.size == 3) {
        const size_t seq = Decode(event.buffer[1], event.buffer[2]);
        if (seq < self->Read.At.size()) self->Read.At[seq].store(now, std::memory_order_release);
      }
    }
    void* out = jack_port_get_buffer(self->Out, frames);
    jack_midi_clear_buffer(out);
    if (self->Running.load() && ++self->Cycle % self->Every == 0 && self->Next < self->Total) {
      const uint32_t packed = Encode(self->Next);
      const jack_midi_data_t bytes[3] = {static_cast<jack_midi_data_t>(packed & 0xFF),
                                         static_cast<jack_midi_data_t>((packed >> 8) & 0x7F),
                                         static_cast<jack_midi_data_t>((packed >> 16) & 0x7F)};
      if (jack_midi_event_write(out, 0, bytes, 3) == 0) {
        self->Written.At[self->Next].store(now, std::memory_order_release);
        ++self->Next;
      }
    }
    return 0;
  }

  jack_client_t* Client = nullptr;
  jack_port_t* Out = nullptr;
  jack_port_t* In = nullptr;
  Stamps Written, Read;
  size_t Total;
  int Every;
  size_t Next = 0;
  long Cycle = 0;
  std::atomic<bool> Running{false};
};

void RunJack(size_t events) {
  jack_status_t status{};
  LoopbackClient loopback(events, 4);
  loopback.Client = jack_client_open("kalo-latency-loop", JackNoStartServer, &status);
  if (loopback.Client == nullptr) {
    std::printf("jack_status=no server\n");
    return;
  }
  loopback.Out = jack_port_register(loopback.Client, "out", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
  loopback.In = jack_port_register(loopback.Client, "in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
  jack_set_process_callback(loopback.Client, &LoopbackClient::Process, &loopback);
  jack_activate(loopback.Client);
  std::printf("jack_sample_rate=%u\njack_period_frames=%u\n", jack_get_sample_rate(loopback.Client),
              jack_get_buffer_size(loopback.Client));

  kalo::host::StdMainLoop loop;
  kalo::midi::MidiSystem system(loop);
  Stamps callback(events), handled(events);
  system.Devices().AddBackend(std::make_unique<StampingBackend>(
      std::make_unique<kalo::midi::RtMidiBackend>(kalo::midi::RtMidiApiKind::Jack), callback));
  kalo::midi::TMidiInput input(system);
  input.SetProductName(kalo::midi::kOwnPortName);
  input.Open();
  input.Start();
  CollectInto(input, loop, handled, events);

  // The program's input port is the KALO port no other client of this run owns.
  const std::string out = std::string(jack_get_client_name(loopback.Client)) + ":out";
  const std::string in = std::string(jack_get_client_name(loopback.Client)) + ":in";
  jack_connect(loopback.Client, out.c_str(), in.c_str());
  const char** ports = jack_get_ports(loopback.Client, ":KALO$", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput);
  for (const char** p = ports; p != nullptr && *p != nullptr; ++p)
    jack_connect(loopback.Client, out.c_str(), *p);
  if (ports != nullptr) jack_free(ports);

  std::this_thread::sleep_for(std::chrono::milliseconds(200));  // connections take effect
  loopback.Running = true;
  const double periodMs =
      1000.0 * jack_get_buffer_size(loopback.Client) / jack_get_sample_rate(loopback.Client);
  const auto timeout = std::chrono::milliseconds(static_cast<int64_t>(events * 4 * periodMs) + 5000);
  std::atomic<bool> finished{false};
  std::thread watchdog([&] {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!finished && std::chrono::steady_clock::now() < end)
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    loop.Quit();
  });
  loop.Run();
  finished = true;
  watchdog.join();
  loopback.Running = false;
  input.Close();
  jack_client_close(loopback.Client);

  std::printf("jack_events=%zu\n", events);
  PrintStats("jack_loopback_write_to_read", loopback.Written, loopback.Read);
  PrintStats("jack_callback_to_handler", callback, handled);
  PrintStats("jack_write_to_handler", loopback.Written, handled);
  std::printf("jack_lost_events=%u\n", input.LostEvents());
}

}  // namespace

int main(int argc, char** argv) {
  kalo::midi::KeepJackServerFromStarting();
  const size_t virtualEvents = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 5000;
  const size_t jackEvents = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 500;
  RunVirtual(std::min<size_t>(virtualEvents, 16384));
  RunJack(std::min<size_t>(jackEvents, 16384));
  return 0;
}
