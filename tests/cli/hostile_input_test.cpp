// Every command that reads a file, given what a hostile user or a failing machine gives it: it ends
// at once with its reason, never hangs, and prints no byte of the input's name raw.

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "cli/kalo_process.h"

namespace kalo::cli::testing {
namespace {

namespace fs = std::filesystem;
using config::testing::ReadText;
using config::testing::TempFolder;

constexpr int kAny = -1;
const fs::path kStyle = KALO_SHIPPED_STYLES_DIR "/rock1.vxs";
const fs::path kSong = KALO_SHIPPED_SONGS_DIR "/demo3.vxa";
const fs::path kSongs = KALO_SOURCE_DIR "/songs";

TEST(HostileInput, EveryReaderRefusesAtOnceWhatIsNotItsFileAndPrintsNamesEscaped) {
  TempFolder temp;
  const fs::path ini = temp.Write("good.ini", "[Options]\nTempo1=70\n");
  const std::string out = (temp.Path() / "out").string();
  std::string noise(65536, '\0');  // bytes of no kind, none of them a line break
  for (size_t i = 0; i < noise.size(); ++i) noise[i] = static_cast<char>(((i * 2654435761u) >> 13) | 0x80);
  const struct {
    std::vector<std::string> Args;                 // "{}" stands for the input
    fs::path Good;                                 // the file it wants: its first half is the cut-short input
    int ZeroLength, CutShort, Noise, Missing = 1;  // exit codes; what cannot be read gives 1
  } commands[] = {
      {{"style", "info", "{}"}, kStyle, 0, 0, 0},
      {{"style", "events", "{}"}, kStyle, 0, 0, 0},
      {{"style", "build", "{}", "-o", out + ".vxs"}, KALO_SOURCE_DIR "/styles/rock1.style", 1, kAny, 1},
      {{"song", "info", "{}", "--ini", ini}, kSong, 0, 0, 1},  // noise is no arrangement
      {{"render", "{}", "--ini", ini, "--events", out}, kSong, 1, kAny, kAny},
      {{"render", "--style", "{}", "--chart", "C", "--ini", ini, "--events", out}, kStyle, 1, kAny, 1},
      {{"render", "--style", kStyle, "--chart", "C", "--ini", "{}", "--events", out}, ini, kAny, 0, 1, 0},
      {{"song", "from-chart", "@{}", "-o", out + ".vxa", "--ini", ini}, kSongs / "demo3.chart", 2, kAny, 2},
      {{"song", "from-chart", "C", "--melody", "@{}", "-o", out, "--ini", ini},
       kSongs / "demo3.melody",
       0,
       kAny,
       2},
      {{"song", "from-chart", "C", "--style", "{}", "-o", out + ".vxa", "--ini", ini}, kStyle, 1, kAny, 1},
      {{"config", "--ini", "{}"}, ini, 0, 0, 0, 0},
      {{"live", "--style", "{}", "--ini", ini}, kStyle, 1, kAny, 1},
      {{"style", "preview", "{}", "--ini", ini, "--events", out}, kStyle, 1, kAny, 1},
  };
  const fs::path fifo = temp.Path() / "fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  fs::create_symlink("loop", temp.Path() / "loop");
  const std::string forged = "kalo render: wrote everything fine";
  for (const auto& command : commands) {
    const std::string good = ReadText(command.Good);
    const struct {
      fs::path Input;
      int Code;
    } inputs[] = {{temp.Write("zero-length", ""), command.ZeroLength},
                  {temp.Write("cut-short", good.substr(0, good.size() / 2)), command.CutShort},
                  {temp.Write("noise", noise), command.Noise},
                  {temp.Path(), 1},
                  {fifo, 1},
                  {"/dev/zero", 1},
                  {temp.Path() / "loop", 1},
                  {temp.Path() / ("nosuch\n" + forged + "\x1b]0;PWNED\x07"), command.Missing}};
    for (const auto& input : inputs) {
      // A cut-short style may still play, and would play live until stopped.
      if (command.Args[0] == "live" && input.Code == kAny) continue;
      std::vector<std::string> args = command.Args;
      for (std::string& arg : args)
        if (const size_t at = arg.find("{}"); at != std::string::npos)
          arg.replace(at, 2, input.Input.string());
      const KaloRun run = RunKalo(args);
      const int expected = args[0] == "config" ? 0 : input.Code;
      EXPECT_TRUE(expected == kAny ? run.Code < 128 : run.Code == expected)
          << args[0] << " " << args[1] << " with " << input.Input.filename() << ": " << run.Code << "\n"
          << run.Output;
      EXPECT_EQ(run.Output.find('\x1b'), std::string::npos) << run.Output;
      EXPECT_EQ(run.Output.find("\n" + forged), std::string::npos) << run.Output;
    }
  }
}

}  // namespace
}  // namespace kalo::cli::testing
