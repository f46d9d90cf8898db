// What the commands write: never over their own inputs, never into a file found unwritable only after
// the work, never output lost without a failing exit code, never a half-read @FILE.

#include <gtest/gtest.h>

#include "cli/kalo_process.h"

namespace kalo::cli::testing {
namespace {

namespace fs = std::filesystem;
using config::testing::ReadText;
using config::testing::TempFolder;

const std::string kStyle = KALO_SHIPPED_STYLES_DIR "/rock1.vxs";

TEST(CommandOutputs, AnOutputThatIsAnInputOrCannotBeWrittenIsRefusedBeforeTheWork) {
  TempFolder temp;
  const std::string dir = temp.Path().string() + "/";
  temp.Write("beat.vxs",
             "style beat\ntempo 90\nmetre 4/4\nchannel 10 drums\npart Basic 1 measure\n  drums kick w: x\n");
  fs::copy_file(KALO_SHIPPED_SONGS_DIR "/demo3.vxa", dir + "song.vxa");
  fs::create_hard_link(dir + "song.vxa", dir + "song.txt");
  fs::copy_file(kStyle, dir + "style.mid");
  fs::permissions(temp.Write("old.mid", "old"), fs::perms::owner_read);
  const std::string ini = temp.Write("kalo.ini", "[Options]\n").string();
  const std::string events = dir + "ev.txt";
  const struct {
    std::vector<std::string> Args;
    int Code;
    std::string Says;
  } rows[] = {
      // beat.vxs is the default output of its own source
      {{"style", "build", dir + "beat.vxs"}, 1, "it is the style source"},
      {{"render", dir + "song.vxa", "--events", dir + "song.txt"}, 1, "it is the song \"" + dir + "song.vxa"},
      {{"render", "--style", dir + "style.mid", "--chart", "C", "--events", events, "-o", dir + "style.mid"},
       1,
       "it is the style"},
      {{"render", "--style", kStyle, "--chart", "C", "--ini", ini, "--events", ini},
       1,
       "it is the settings file"},
      {{"song", "from-chart", "C", "--melody", "@" + dir + "song.txt", "-o", dir + "song"},
       1,
       "it is the melody"},
      {{"render", "--style", kStyle, "--chart", "C", "--events", events, "-o", "/nonexistent-dir/x.wav"},
       1,
       "\"/nonexistent-dir/x.wav\": No such file or directory"},
      {{"render", "--style", kStyle, "--chart", "C", "--events", events, "-o", dir + "old.mid"},
       1,
       "read-only"},
      {{"render", "--style", kStyle, "--chart", "C", "--events", events, "-o", events + ".mid", "-o",
        dir + "./ev.txt.mid"},
       1,
       "twice"},
      {{"render", "--style", kStyle, "--chart", "C", "--events", "/dev/null"}, 0, ""}};
  const std::string before = ReadText(dir + "song.vxa") + ReadText(dir + "beat.vxs") + ReadText(ini);
  for (const auto& row : rows) {
    const KaloRun run = RunKalo(row.Args);
    EXPECT_EQ(run.Code, row.Code) << run.Output;
    EXPECT_NE(run.Output.find(row.Says), std::string::npos) << run.Output;
    EXPECT_FALSE(fs::exists(events)) << run.Output;
  }
  EXPECT_EQ(ReadText(dir + "song.vxa") + ReadText(dir + "beat.vxs") + ReadText(ini), before);
}

TEST(CommandOutputs, AWriteErrorFailsTheCommandWithItsReasonAndLeavesNoTemporaryFile) {
  TempFolder temp;
  for (const std::vector<std::string>& args : {std::vector<std::string>{"style", "events", kStyle},
                                               {"style", "info", kStyle},
                                               {"chord", "60", "64", "67"},
                                               {"config"},
                                               {"song", "info", KALO_SHIPPED_SONGS_DIR "/demo3.vxa"},
                                               {"--help"}}) {
    const KaloRun run = RunKalo(args, "/dev/full");
    EXPECT_EQ(run.Code, 1) << args[0];
    EXPECT_NE(run.Output.find("cannot write to standard output: No space left on device"), std::string::npos)
        << run.Output;
  }
  // Beyond the file size limit a write fails with EFBIG instead of the signal killing the program.
  const std::string out = (temp.Path() / "out").string();
  for (const std::string& file : {out + ".vxa", out + ".txt"}) {
    const KaloRun run =
        RunKalo(file.ends_with(".vxa")
                    ? std::vector<std::string>{"song", "from-chart", "C | Am7", "-o", file}
                    : std::vector<std::string>{"render", "--style", kStyle, "--chart", "C", "--events", file},
                "", true);
    EXPECT_EQ(run.Code, 1);
    EXPECT_NE(run.Output.find("cannot write \"" + file + "\": File too large"), std::string::npos)
        << run.Output;
    EXPECT_EQ(run.Output.find(file), run.Output.rfind(file)) << "the name once";
    EXPECT_TRUE(fs::is_empty(temp.Path()));
  }
}

TEST(CommandOutputs, AnAtFileIsReadWholeOrRefusedWithItsSize) {
  TempFolder temp;
  std::string chart;
  for (int line = 0; line < 1025; ++line) chart += "#" + std::string(1023, 'x') + "\n";  // over 1 MiB
  const fs::path file = temp.Write("long.chart", chart + "C | Am7 | G7 | F\n");
  const std::string song = (temp.Path() / "long.vxa").string();
  ASSERT_EQ(RunKalo({"song", "from-chart", "@" + file.string(), "-o", song}).Code, 0);
  EXPECT_NE(RunKalo({"song", "info", song}).Output.find("3:1 @36 G 7th\n4:1 @52 F maj\n5:1 @68 STOP"),
            std::string::npos);
  fs::resize_file(file, (size_t{16} << 20) + 1);
  const KaloRun refused = RunKalo({"song", "from-chart", "@" + file.string(), "-o", song});
  EXPECT_EQ(refused.Code, 1);
  EXPECT_NE(refused.Output.find("long.chart\": 16 MiB, more than a chart can be (16 MiB)"),
            std::string::npos);
}

}  // namespace
}  // namespace kalo::cli::testing
