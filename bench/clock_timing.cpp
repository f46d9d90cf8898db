// Timing of the sequencer clock on the real timer thread and main loop. For every tick it records
// how late the tick starts on the main thread against its due time on the exact schedule, and
// prints one key=value line per figure:
//
//   clock_timing [--seconds N] [--tempo T] [--load] [--gui]
//
// --load keeps every core busy with normal-priority threads meanwhile. --gui runs the ticks on the
// window's Qt event loop with the main window open, its chord display and beat indicator set on every
// tick (on the offscreen platform unless QT_QPA_PLATFORM names another). The run asks for real-time
// scheduling as Play does and reports whether the system granted it.

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include <QApplication>
#include <memory>

#include "app/arranger.h"
#include "config/options.h"
#include "engine/sequencer_clock.h"
#include "gui/main_window.h"
#include "gui/qt_main_loop.h"
#include "gui/window_display.h"
#include "host/display.h"
#include "host/main_loop.h"
#include "host/program_folder.h"
#include "host/thread_priority.h"
#include "host/tick_timer.h"
#include "host/web_links.h"

namespace {

using namespace kalo;

struct Arguments {
  double Seconds = 10;
  int32_t Tempo = 120;
  bool Load = false;
  bool Gui = false;
};

bool ParseArguments(int argc, char** argv, Arguments& args) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--load") {
      args.Load = true;
    } else if (arg == "--gui") {
      args.Gui = true;
    } else if (arg == "--seconds" && i + 1 < argc) {
      args.Seconds = std::atof(argv[++i]);
    } else if (arg == "--tempo" && i + 1 < argc) {
      args.Tempo = std::atoi(argv[++i]);
    } else {
      return false;
    }
  }
  return args.Seconds > 0 && args.Tempo >= engine::kMinFieldTempo && args.Tempo <= engine::kMaxFieldTempo;
}

// The rest of the program as far as the clock sees it: an open output, the tempo field, and an
// engine reset that returns to the saved priority as the real one does.
class BenchHost final : public engine::ClockHost {
 public:
  explicit BenchHost(int32_t tempo) : tempo_(tempo) {}
  void SendClickout(uint8_t) override {}
  bool SecondSlotOpen() const override { return true; }
  void ResetEngine() override {
    if (Clock != nullptr) Clock->SetProcessPriority(Clock->SavedPriorityClass);
  }
  void Stop() override {}
  int32_t TempoFieldValue() const override { return tempo_; }
  bool ChordmemoryRunning() const override { return false; }
  void SetClockPassThrough(bool) override {}

  engine::SequencerClock* Clock = nullptr;

 private:
  int32_t tempo_;
};

// Stands between the timer and the clock: notes when each tick starts, then runs it. Ends the run
// after the wanted number of ticks. The record is allocated and touched before the run, so that
// no page fault falls into the timing.
class TickProbe final : public host::NoticeTarget {
 public:
  TickProbe(host::MainLoop& loop, engine::SequencerClock& clock, size_t ticks, host::Display* shown)
      : Lateness(ticks, 0), Starts(ticks, 0), loop_(loop), clock_(clock), shown_(shown) {}

  void OnNotice(uint32_t message, uintptr_t param) override {
    const int64_t now = host::ThreadTickTimer::MonotonicMicros();
    if (message == host::kTickNotice && Count < Lateness.size()) {
      Lateness[Count] = now - static_cast<int64_t>(param);
      Starts[Count] = now;
      ++Count;
    }
    clock_.OnNotice(message, param);
    if (shown_ != nullptr) {
      // What a tick shows at most: a chord and the beat, each repainted before the next tick.
      static constexpr const char* kChords[] = {"C maj", "A min", "F maj", "G 7th"};
      shown_->SetChordPanelText(kChords[Count / 24 % 4]);
      shown_->SetBeatIndicator(Count % 24 < 13 ? 0x0000FF00u : 0u, std::to_string(Count / 24 % 4 + 1));
    }
    if (Count == Lateness.size() && !done_) {
      done_ = true;
      clock_.ToggleClock();
      loop_.Quit();
    }
  }

  std::vector<int64_t> Lateness;  // microseconds after the due time
  std::vector<int64_t> Starts;    // monotonic microseconds
  size_t Count = 0;

 private:
  host::MainLoop& loop_;
  engine::SequencerClock& clock_;
  host::Display* shown_;
  bool done_ = false;
};

int64_t Percentile(const std::vector<int64_t>& sorted, double fraction) {
  if (sorted.empty()) return 0;
  auto index = static_cast<size_t>(fraction * static_cast<double>(sorted.size() - 1) + 0.5);
  return sorted[std::min(index, sorted.size() - 1)];
}

}  // namespace

int main(int argc, char** argv) {
  Arguments args;
  if (!ParseArguments(argc, argv, args)) {
    std::fprintf(stderr, "usage: clock_timing [--seconds N] [--tempo T (25 to 250)] [--load] [--gui]\n");
    return 2;
  }
  const auto ticks = static_cast<size_t>(args.Seconds * args.Tempo * 24 / 60 + 0.5) + 1;

  // With --gui: the window's loop and display, and the main window open over an arranger without
  // MIDI devices.
  std::unique_ptr<QApplication> application;
  std::unique_ptr<host::MainLoop> ownLoop;
  gui::WindowDisplay windowDisplay;
  host::HeadlessDialogs dialogs;
  // The window's arranger keeps its own clock idle; the measured clock below is a separate one.
  host::ManualTickTimer idleTimer;
  host::UnchangedPriority idlePriority;
  host::PrintingWebLinks links;
  const host::ProgramFolder folder(std::filesystem::temp_directory_path());
  std::unique_ptr<app::Arranger> arranger;
  std::unique_ptr<gui::MainWindow> window;
  if (args.Gui) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    application = std::make_unique<QApplication>(argc, argv);
    ownLoop = std::make_unique<gui::QtMainLoop>();
  } else {
    ownLoop = std::make_unique<host::StdMainLoop>();
  }
  host::MainLoop& loop = *ownLoop;
  if (args.Gui) {
    arranger = std::make_unique<app::Arranger>(
        app::ArrangerHost{loop, dialogs, windowDisplay, idleTimer, idlePriority, links, folder},
        std::vector<std::unique_ptr<midi::PortBackend>>{});
    window = std::make_unique<gui::MainWindow>(*arranger, windowDisplay);
    window->show();
  }
  host::PosixThreadPriority priority;
  host::ThreadTickTimer timer(loop, &priority);
  host::NullDisplay display;
  config::Options options;
  BenchHost benchHost(args.Tempo);
  engine::SequencerClock clock(benchHost, timer, priority, display, options);
  benchHost.Clock = &clock;
  clock.InitClock();
  TickProbe probe(loop, clock, ticks, args.Gui ? &windowDisplay : nullptr);
  timer.Open(probe, clock.TickBusy);  // the same timer, with the probe in front of the clock

  std::atomic<bool> stopLoad{false};
  std::vector<std::thread> load;
  if (args.Load) {
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    for (unsigned i = 0; i < cores; ++i)
      load.emplace_back([&stopLoad] {
        volatile uint64_t sink = 0;
        while (!stopLoad.load(std::memory_order_relaxed))
          for (int k = 0; k < 10000; ++k) sink = sink * 6364136223846793005ULL + 1442695040888963407ULL;
      });
  }

  bool granted = false;
  loop.Post([&] {
    clock.SetProcessPriority(host::kRealTimePriorityClass);  // as Play does, before the clock comes on
    clock.ToggleClock();
    granted = priority.GetPriorityClass() == host::kRealTimePriorityClass;
  });
  loop.Run();
  clock.SetProcessPriority(clock.SavedPriorityClass);
  clock.DoneClock();
  stopLoad.store(true);
  for (std::thread& thread : load) thread.join();

  const size_t n = probe.Count;
  std::vector<int64_t> sorted(probe.Lateness.begin(), probe.Lateness.begin() + static_cast<ptrdiff_t>(n));
  std::sort(sorted.begin(), sorted.end());
  double measured = 0;
  if (n >= 2 && probe.Starts[n - 1] > probe.Starts[0])
    measured =
        static_cast<double>(n - 1) / 24.0 * 60e6 / static_cast<double>(probe.Starts[n - 1] - probe.Starts[0]);

  std::printf("ticks=%zu\n", n);
  std::printf("lateness_p50_us=%lld\n", static_cast<long long>(Percentile(sorted, 0.50)));
  std::printf("lateness_p99_us=%lld\n", static_cast<long long>(Percentile(sorted, 0.99)));
  std::printf("lateness_p999_us=%lld\n", static_cast<long long>(Percentile(sorted, 0.999)));
  std::printf("lateness_max_us=%lld\n", static_cast<long long>(sorted.empty() ? 0 : sorted.back()));
  std::printf("dropped_ticks=%llu\n", static_cast<unsigned long long>(timer.DroppedTicks()));
  std::printf("tempo_set=%d\n", args.Tempo);
  std::printf("tempo_measured=%.3f\n", measured);
  std::printf("realtime=%s\n", granted ? "granted" : "refused");
  std::printf("load=%s\n", args.Load ? "on" : "off");
  std::printf("loop=%s\n", args.Gui ? "qt" : "std");
  return 0;
}
