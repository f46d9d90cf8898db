// Memory and time of `kalo render` as a player runs it: the program itself, started once per figure,
// playing pop8 at tempo 120 over a chord chart with fills and part changes.
//
//   render_memory [--minutes A,B,...] [--midi-measures N]
//
// For each length (default 4 and 25 minutes) the chart is rendered to a WAV file and the program's
// largest resident set is reported (wav_<m>min_max_rss_mb, from the kernel's accounting of the child)
// with the wall time. Then a chart of N measures (default 6000) is written as a Standard MIDI File
// (midi_<n>_measures_seconds) and, for comparison, as an event list only (events_<n>_measures_seconds).
// The files go to a scratch folder that is removed at the end.

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;

constexpr int kTempo = 120;
constexpr int kBeatsPerMeasure = 4;

// A chart of `measures` measures of pop8's 4/4: a four-chord cycle, a fill every 8 measures, Extended
// from measure 17 to 32 of every 32.
std::string Chart(int measures) {
  const char* chords[] = {"C", "Am", "F", "G7"};
  std::string chart;
  for (int m = 0; m < measures; ++m) {
    if (m > 0) chart += " | ";
    if (m % 32 == 16) chart += "[ToExtended] ";
    if (m % 32 == 0 && m > 0) chart += "[ToBasic] ";
    if (m % 8 == 7) chart += "[Fill] ";
    chart += chords[m % 4];
  }
  return chart;
}

struct Run {
  bool Ok = false;
  double Seconds = 0;
  double MaxRssMb = 0;
};

// Runs the program with `args` and waits for it; its standard error goes to `log`.
Run RunProgram(const std::vector<std::string>& args, const fs::path& log) {
  std::vector<char*> argv;
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 2, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  const auto start = std::chrono::steady_clock::now();
  pid_t child = 0;
  Run run;
  if (posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
    int status = 0;
    rusage usage{};
    if (wait4(child, &status, 0, &usage) == child) {
      run.Ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
      run.MaxRssMb = static_cast<double>(usage.ru_maxrss) / 1024.0;  // kilobytes on Linux
    }
  }
  run.Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  posix_spawn_file_actions_destroy(&actions);
  return run;
}

std::vector<int> Numbers(const std::string& list) {
  std::vector<int> numbers;
  for (size_t at = 0; at < list.size();) {
    numbers.push_back(std::atoi(list.c_str() + at));
    const size_t comma = list.find(',', at);
    at = comma == std::string::npos ? list.size() : comma + 1;
  }
  return numbers;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<int> minutes = {4, 25};
  int midiMeasures = 6000;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--minutes" && i + 1 < argc) {
      minutes = Numbers(argv[++i]);
    } else if (arg == "--midi-measures" && i + 1 < argc) {
      midiMeasures = std::atoi(argv[++i]);
    } else {
      std::fprintf(stderr, "usage: render_memory [--minutes A,B,...] [--midi-measures N]\n");
      return arg == "--help" ? 0 : 2;
    }
  }

  const fs::path scratch = fs::temp_directory_path() / ("kalo-render-memory-" + std::to_string(getpid()));
  fs::create_directories(scratch);
  const auto render = [&](int measures, const std::string& target, const std::string& option) {
    return RunProgram({KALO_PROGRAM, "render", "--style", KALO_BENCH_STYLE, "--tempo", std::to_string(kTempo),
                       "--chart", Chart(measures), "--ending", option, (scratch / target).string()},
                      scratch / "render.log");
  };

  int failed = 0;
  std::printf("style=%s\ntempo=%d\n", fs::path(KALO_BENCH_STYLE).filename().c_str(), kTempo);
  for (int length : minutes) {
    const int measures = length * kTempo / kBeatsPerMeasure;
    const Run run = render(measures, "song.wav", "-o");
    const std::string key = "wav_" + std::to_string(length) + "min_";
    std::printf("%smeasures=%d\n%smax_rss_mb=%.1f\n%sseconds=%.2f\n", key.c_str(), measures, key.c_str(),
                run.MaxRssMb, key.c_str(), run.Seconds);
    if (run.Ok) std::printf("%sfile_mb=%.1f\n", key.c_str(), fs::file_size(scratch / "song.wav") / 1048576.0);
    failed += run.Ok ? 0 : 1;
    fs::remove(scratch / "song.wav");
  }
  if (midiMeasures > 0) {
    const Run midi = render(midiMeasures, "song.mid", "-o");
    const Run events = render(midiMeasures, "song.txt", "--events");
    const std::string n = std::to_string(midiMeasures);
    std::printf("midi_%s_measures_seconds=%.2f\nmidi_%s_measures_max_rss_mb=%.1f\n", n.c_str(), midi.Seconds,
                n.c_str(), midi.MaxRssMb);
    std::printf("events_%s_measures_seconds=%.2f\n", n.c_str(), events.Seconds);
    failed += (midi.Ok ? 0 : 1) + (events.Ok ? 0 : 1);
  }
  if (failed > 0) {
    std::ifstream log(scratch / "render.log");
    std::fprintf(stderr, "render_memory: %d render(s) failed; the last said:\n%s\n", failed,
                 std::string(std::istreambuf_iterator<char>(log), {}).c_str());
  }
  fs::remove_all(scratch);
  return failed > 0 ? 1 : 0;
}
