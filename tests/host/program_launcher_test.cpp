#include "host/program_launcher.h"

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <string>

#include <gtest/gtest.h>

namespace kalo::host {
namespace {

using std::chrono::milliseconds;

TEST(RunToEnd, GivesTheExitCodeOrNothingForWhatDidNotEndByItself) {
  const struct {
    const char* Program;
    std::vector<std::string> Arguments;
    std::optional<int> Code;
  } rows[] = {
      {"/bin/true", {}, 0},
      {"/bin/sh", {"-c", "exit 7"}, 7},
      {"/bin/sh", {"-c", "kill -9 $$"}, std::nullopt},  // ended by a signal
      {"/nonexistent/program", {}, std::nullopt},
      // Standard output is /dev/null, not this program's.
      {"/bin/sh", {"-c", "test \"$(readlink /proc/$$/fd/1)\" = /dev/null"}, 0},
  };
  for (const auto& row : rows)
    EXPECT_EQ(RunToEnd(row.Program, row.Arguments, milliseconds(20000)), row.Code) << row.Program;
}

TEST(RunToEnd, KillsAChildThatRunsPastTheDeadline) {
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(RunToEnd("/bin/sleep", {"60"}, milliseconds(100)), std::nullopt);
  // Ended, not waited for: far from the minute the child would take.
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
}

TEST(RunToEnd, TheChildHoldsNoneOfThisProgramsFiles) {
  // A file such as the instance lock must not stay open in a child that outlives its closing here.
  const int kept = ::open("/dev/null", O_RDONLY);  // no O_CLOEXEC
  ASSERT_GE(kept, 3);
  const std::string test = "test ! -e /proc/self/fd/" + std::to_string(kept);
  EXPECT_EQ(RunToEnd("/bin/sh", {"-c", test}, milliseconds(20000)), 0);
  ::close(kept);
}

}  // namespace
}  // namespace kalo::host
