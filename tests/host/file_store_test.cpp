#include "host/file_store.h"

#include <sched.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstring>
#include <fstream>
#include <set>
#include <thread>

#include "config/temp_folder.h"
#include "host/process_environment.h"

namespace kalo::host {
namespace {

namespace fs = std::filesystem;
using config::testing::ReadText;
using config::testing::TempFolder;

std::string NamesIn(const fs::path& folder) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename().string());
  std::string joined;
  for (const std::string& name : names) joined += name + " ";
  return joined;
}

// Runs a test body with unnamed temporary files, and with the named ones of file systems without them.
class BothTemporaryKinds : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override { UseUnnamedTemporaryFiles(GetParam()); }
  void TearDown() override { UseUnnamedTemporaryFiles(true); }
};
INSTANTIATE_TEST_SUITE_P(WriteFileSafely, BothTemporaryKinds, ::testing::Bool());

TEST_P(BothTemporaryKinds, WhatStandsAtATemporaryNameIsNeverTruncatedOrFollowed) {
  for (const int taken : {5, kTemporaryNameAttempts}) {  // the first names, and every name
    TempFolder temp;
    const fs::path victim = temp.Write("victim.txt", "victim");
    const fs::path target = temp.Write("song.vxs", "old");
    temp.Write("X.tmp", "player's own");
    fs::create_symlink(victim, temp.Path() / "song.vxs.tmp");  // the name an older writer used
    for (int attempt = 1; attempt <= taken; ++attempt) {
      const fs::path name = TemporaryNameFor(target, attempt);
      if (attempt % 3 == 1) fs::create_symlink(victim, name);
      if (attempt % 3 == 2) std::ofstream(name) << "player's";
      if (attempt % 3 == 0) fs::create_symlink(temp.Path() / "nowhere", name);
    }
    const std::string before = NamesIn(temp.Path());

    const auto error = WriteFileSafely(target, std::string_view("new"));
    EXPECT_EQ(error.has_value(), taken == kTemporaryNameAttempts) << error.value_or("");
    EXPECT_EQ(ReadText(target), error ? "old" : "new");
    EXPECT_EQ(ReadText(victim) + ReadText(temp.Path() / "X.tmp") + ReadText(TemporaryNameFor(target, 2)),
              "victimplayer's ownplayer's");
    EXPECT_TRUE(fs::is_symlink(TemporaryNameFor(target, 1)));
    EXPECT_EQ(NamesIn(temp.Path()), before);
  }
}

TEST(WriteFileSafely, TheTargetKeepsItsModeALinkStaysAndAReadOnlyFileIsRefused) {
  using enum fs::perms;
  const struct {
    fs::perms Before;
    bool ThroughLink;
  } rows[] = {{owner_read | owner_write, false},
              {owner_all | group_read | group_write | others_read, false},
              {owner_read | owner_write | group_read, true},
              {owner_read | group_read | others_read, false},
              {owner_read, true}};
  for (const auto& row : rows) {
    TempFolder temp;
    const fs::path file = temp.Write("real/style.vxs", "old");
    fs::permissions(file, row.Before);
    const fs::path saved = row.ThroughLink ? temp.Path() / "style.vxs" : file;
    if (row.ThroughLink) fs::create_symlink("real/style.vxs", saved);
    const bool readOnly = (row.Before & owner_write) == none;

    const auto error = WriteFileSafely(saved, std::string_view("new"));
    EXPECT_EQ(error,
              readOnly ? std::optional(PrintableName(saved) + ": the file is read-only") : std::nullopt);
    EXPECT_EQ(ReadText(file), readOnly ? "old" : "new");
    EXPECT_EQ(fs::status(file).permissions(), row.Before);
    EXPECT_EQ(fs::is_symlink(saved), row.ThroughLink);
    EXPECT_EQ(NamesIn(file.parent_path()), "style.vxs ");
  }
}

// Mounts a 64 KiB tmpfs on folder in a mount namespace of this (child) process, within a user
// namespace where the process alone may not; the reason when it cannot.
std::optional<std::string> MountSmallTmpfs(const fs::path& folder) {
  if (::unshare(CLONE_NEWNS) != 0) {
    const uid_t uid = ::geteuid();
    const gid_t gid = ::getegid();
    if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) return std::string("unshare: ") + std::strerror(errno);
    std::ofstream("/proc/self/setgroups") << "deny";
    std::ofstream("/proc/self/uid_map") << "0 " << uid << " 1";
    std::ofstream("/proc/self/gid_map") << "0 " << gid << " 1";
  }
  // Private, so that the mount never reaches the namespace the tests run in.
  if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
      ::mount("kalo-test", folder.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, "size=64k") != 0)
    return std::string("mount: ") + std::strerror(errno);
  return std::nullopt;
}

// Saves 256 KiB over a small file in folder/disk, which holds 64 KiB: on a tmpfs of its own, or else
// under a file size limit. Runs in a child process, whose mounts and limits end with it; the child
// writes to folder/report: "refused <reason>", or the writer's message, the old file's text and
// what the disk holds, one a line.
std::string SaveOnAFullDisk(const fs::path& folder, bool mountTmpfs) {
  const fs::path disk = folder / "disk";
  fs::create_directories(disk);
  const pid_t child = ::fork();
  if (child == 0) {
    std::ofstream report(folder / "report");
    if (const auto refusal = mountTmpfs ? MountSmallTmpfs(disk) : std::nullopt) {
      report << "refused " << *refusal;
      report.close();
      ::_exit(0);
    }
    if (!mountTmpfs) {
      std::signal(SIGXFSZ, SIG_IGN);
      const rlimit limit{64 << 10, RLIM_INFINITY};
      ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    std::ofstream(disk / "song.vxw") << "the player's song";
    const auto error = WriteFileSafely(disk / "song.vxw", std::vector<uint8_t>(256 << 10, 0x42));
    report << error.value_or("saved") << "\n" << ReadText(disk / "song.vxw") << "\n" << NamesIn(disk);
    report.close();
    ::_exit(0);
  }
  ::waitpid(child, nullptr, 0);
  return ReadText(folder / "report");
}

TEST(WriteFileSafely, ASaveThatFillsTheDiskLeavesTheOldFileAndNoTemporaryFile) {
  TempFolder temp;
  std::string report = SaveOnAFullDisk(temp.Path(), true);
  int reason = ENOSPC;
  if (report.starts_with("refused")) {
    // No tmpfs may be mounted here: the file size limit makes the same write fail instead.
    std::cout << "[   INFO   ] no tmpfs (" << report << "); a file size limit fills the disk\n";
    report = SaveOnAFullDisk(temp.Path(), false);
    reason = EFBIG;
  }
  EXPECT_EQ(report, PrintableName(temp.Path() / "disk/song.vxw") + ": " + std::strerror(reason) +
                        "\nthe player's song\nsong.vxw ");
}

TEST_P(BothTemporaryKinds, LeftoversOfCutSavesGoAndEverythingElseAtTheNamesStays) {
  TempFolder temp;
  const fs::path target = temp.Write("song.vxa", "old");
  const auto old = fs::file_time_type::clock::now() - std::chrono::seconds(kStaleTemporarySeconds + 5);
  for (int attempt = 1; attempt <= 5; ++attempt) std::ofstream(TemporaryNameFor(target, attempt)) << "left";
  for (const int stale : {1, 2, 3, 5}) fs::last_write_time(TemporaryNameFor(target, stale), old);
  fs::remove(TemporaryNameFor(target, 3));
  fs::create_symlink("song.vxa", TemporaryNameFor(target, 3));  // not a file: stays
  const int held = ::open(TemporaryNameFor(target, 5).c_str(), O_RDONLY);
  ASSERT_EQ(::flock(held, LOCK_EX), 0);  // a save in progress holds its file

  ASSERT_EQ(WriteFileSafely(target, std::string_view("new")), std::nullopt);
  ::close(held);
  EXPECT_EQ(ReadText(target), "new");
  // 1 and 2 were old and free; 3 is a link, 4 is recent, 5 is held.
  EXPECT_EQ(NamesIn(temp.Path()), ".song.vxa.3.tmp .song.vxa.4.tmp .song.vxa.5.tmp song.vxa ");
}

TEST(WriteFileSafely, ASaveKilledWhileWritingLeavesNothingBehind) {
  TempFolder temp;
  const fs::path target = temp.Path() / "song.vxa";
  std::ofstream(target) << "old";
  const int probe = ::open(temp.Path().c_str(), O_TMPFILE | O_WRONLY, 0600);
  if (probe < 0) GTEST_SKIP() << "no unnamed files here: leftovers go at a later save";
  ::close(probe);
  const std::vector<uint8_t> bytes(size_t{32} << 20, 0x42);
  for (int run = 0; run < 3; ++run) {
    const pid_t child = ::fork();
    if (child == 0) {
      WriteFileSafely(target, bytes);
      ::_exit(0);
    }
    // Killed as soon as it holds its temporary file open, named or not.
    const fs::path descriptors = "/proc/" + std::to_string(child) + "/fd";
    for (bool writing = false; !writing && ::waitpid(child, nullptr, WNOHANG) == 0;) {
      std::error_code ec;
      for (const auto& fd : fs::directory_iterator(descriptors, ec))
        writing = writing || fs::read_symlink(fd.path(), ec).string().starts_with(temp.Path().string());
    }
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    EXPECT_EQ(NamesIn(temp.Path()), "song.vxa ") << "run " << run;
  }
}

TEST(ReadRegularFile, WhatIsNotAFileIsRefusedAtOnceWithItsReason) {
  TempFolder temp;
  const fs::path fifo = temp.Path() / "style.vxs";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const struct {
    fs::path Path;
    std::string Reason;
  } rows[] = {{fifo, "a FIFO, not a file"},
              {"/dev/zero", "a device, not a file"},
              {temp.Path(), std::strerror(EISDIR)},
              {temp.Path() / "gone", std::strerror(ENOENT)}};
  for (const auto& row : rows) {
    const FileRead read = ReadRegularFile(row.Path, 1 << 20);
    EXPECT_EQ(read.Error, PrintableName(row.Path) + ": " + row.Reason);
    EXPECT_EQ(read.Missing, row.Path.filename() == "gone") << row.Path;
  }
}

TEST(FileNames, ANameCannotSplitOrForgeALineOfAMessage) {
  EXPECT_EQ(PrintableName("/x/a\nStyle saved.\r\t\x1b.vxs"), "\"/x/a\\nStyle saved.\\r\\t\\x1B.vxs\"");
}

TEST(PrintableText, NothingFromInputReachesTheTerminalAsACommand) {
  const struct {
    std::string Text, Shown;
  } rows[] = {{"F\x1b]0;PWNED\x07", "F\\x1B]0;PWNED\\x07"},  // retitles the terminal
              {"a\x7f\x01", "a\\x7F\\x01"},
              {"C\xc2\x9b"
               "2J",
               "C\\xC2\\x9B2J"},  // U+009B, the one-byte CSI
              {"\x9b"
               "2J \xff\xe2\x99",
               "\\x9B2J \\xFF\\xE2\\x99"},  // not UTF-8
              {"C\xe2\x99\xaf \xce\x94 Caf\xc3\xa9 \\STYLES", "C\xe2\x99\xaf \xce\x94 Caf\xc3\xa9 \\STYLES"}};
  for (const auto& row : rows) EXPECT_EQ(PrintableText(row.Text), row.Shown);
}

TEST(ProbeFolderWritable, TheProbeOpensNothingAtAnyName) {
  TempFolder temp;
  const fs::path victim = temp.Write("victim.txt", "victim");
  fs::create_symlink(victim, temp.Path() / ".kalo-write-probe");
  EXPECT_TRUE(ProbeFolderWritable(temp.Path()));
  EXPECT_FALSE(ProbeFolderWritable(victim));
  EXPECT_EQ(ReadText(victim), "victim");
  EXPECT_EQ(NamesIn(temp.Path()), ".kalo-write-probe victim.txt ");
}

}  // namespace
}  // namespace kalo::host
