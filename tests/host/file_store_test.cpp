#include "host/file_store.h"

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <fstream>
#include <set>

#include "config/temp_folder.h"
#include "host/process_environment.h"

namespace kalo::host {
namespace {

namespace fs = std::filesystem;
using config::testing::ReadText;
using config::testing::TempFolder;

std::set<std::string> NamesIn(const fs::path& folder) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename().string());
  return names;
}

fs::perms Mode(const fs::path& file) { return fs::status(file).permissions(); }

TEST(WriteFileSafely, WhatStandsAtATemporaryNameIsNeverOpenedOrFollowed) {
  struct Row {
    const char* What;
    int Taken;  // temporary names 1..Taken hold a link, a player's file or a dangling link in turn
    bool Saved;
  };
  for (const Row row :
       {Row{"the first names taken", 5, true}, Row{"every name taken", kTemporaryNameAttempts, false}}) {
    TempFolder temp;
    const fs::path victim = temp.Write("victim.txt", "victim");
    const fs::path target = temp.Write("song.vxs", "old");
    const fs::path own = temp.Write("X.tmp", "player's own");
    fs::create_symlink(victim, temp.Path() / "song.vxs.tmp");  // the name an older writer used
    for (int attempt = 1; attempt <= row.Taken; ++attempt) {
      const fs::path name = TemporaryNameFor(target, attempt);
      if (attempt % 3 == 1) fs::create_symlink(victim, name);
      if (attempt % 3 == 2) std::ofstream(name) << "player's " << attempt;
      if (attempt % 3 == 0) fs::create_symlink(temp.Path() / "nowhere", name);
    }
    const std::set<std::string> before = NamesIn(temp.Path());

    const auto error = WriteFileSafely(target, std::string_view("new"));
    EXPECT_EQ(!error, row.Saved) << row.What << ": " << error.value_or("");
    EXPECT_EQ(ReadText(target), row.Saved ? "new" : "old") << row.What;
    EXPECT_EQ(ReadText(victim), "victim") << row.What;
    EXPECT_EQ(ReadText(own), "player's own") << row.What;
    EXPECT_EQ(ReadText(TemporaryNameFor(target, 2)), "player's 2") << row.What;
    EXPECT_TRUE(fs::is_symlink(TemporaryNameFor(target, 1))) << row.What;
    EXPECT_FALSE(fs::exists(temp.Path() / "nowhere")) << row.What;
    EXPECT_EQ(NamesIn(temp.Path()), before) << row.What;
  }
}

TEST(WriteFileSafely, TheTargetKeepsItsModeALinkStaysAndAReadOnlyFileIsRefused) {
  struct Row {
    const char* What;
    fs::perms Before;
    bool ThroughLink;
    bool Saved;
  };
  using enum fs::perms;
  const Row rows[] = {
      {"a private file", owner_read | owner_write, false, true},
      {"a shared file", owner_all | group_read | group_write | others_read, false, true},
      {"a file reached through a link", owner_read | owner_write | group_read, true, true},
      {"a read-only file", owner_read | group_read | others_read, false, false},
      {"a read-only file reached through a link", owner_read, true, false},
  };
  for (const Row& row : rows) {
    TempFolder temp;
    const fs::path file = temp.Write("real/style.vxs", "old");
    fs::permissions(file, row.Before);
    const fs::path saved = row.ThroughLink ? temp.Path() / "style.vxs" : file;
    if (row.ThroughLink) fs::create_symlink("real/style.vxs", saved);

    const auto error = WriteFileSafely(saved, std::string_view("new"));
    EXPECT_EQ(!error, row.Saved) << row.What;
    if (error) {
      EXPECT_NE(error->find("read-only"), std::string::npos) << *error;
    }
    EXPECT_EQ(ReadText(file), row.Saved ? "new" : "old") << row.What;
    EXPECT_EQ(Mode(file), row.Before) << row.What;
    EXPECT_EQ(fs::is_symlink(saved), row.ThroughLink) << row.What;
    EXPECT_EQ(NamesIn(file.parent_path()), std::set<std::string>{"style.vxs"}) << row.What;
  }
}

// What a save of 256 KiB over a small file, on a folder with room for 64 KiB, left behind.
struct FullSave {
  bool Mounted = false;  // on a tmpfs of its own; else the file size limit stood in for the disk
  std::string Refusal;   // why no tmpfs could be mounted
  std::string Error;     // what the writer returned
  std::string Old;       // the target afterwards
  std::string Names;     // everything in the folder afterwards
};

void WriteAll(int fd, const std::string& text) {
  for (size_t done = 0; done < text.size();) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n <= 0) return;
    done += static_cast<size_t>(n);
  }
}

// Mounts a 64 KiB tmpfs on folder inside a mount namespace of this (child) process, with a user
// namespace where the process alone may not. Returns why not when it cannot.
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
  if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
    return std::string("private mounts: ") + std::strerror(errno);
  if (::mount("kalo-test", folder.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, "size=64k") != 0)
    return std::string("mount: ") + std::strerror(errno);
  return std::nullopt;
}

// Runs the save in a child process (its mounts and limits end with it) and reports over a pipe.
FullSave SaveOnAFullDisk(const fs::path& folder, bool mountTmpfs) {
  int channel[2];
  if (::pipe(channel) != 0) return {};
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(channel[0]);
    std::string report;
    const std::optional<std::string> refusal = mountTmpfs ? MountSmallTmpfs(folder) : std::nullopt;
    if (mountTmpfs && refusal) {
      report = "0\n" + *refusal;
    } else {
      if (!mountTmpfs) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{64 << 10, RLIM_INFINITY};
        ::setrlimit(RLIMIT_FSIZE, &limit);
      }
      std::ofstream(folder / "song.vxw") << "the player's song";
      const std::vector<uint8_t> bytes(256 << 10, 0x42);
      const auto error = WriteFileSafely(folder / "song.vxw", bytes);
      std::string names;
      for (const auto& entry : fs::directory_iterator(folder))
        names += entry.path().filename().string() + " ";
      report = std::string(mountTmpfs ? "1" : "-") + "\n" + error.value_or("") + "\n" +
               ReadText(folder / "song.vxw") + "\n" + names;
    }
    WriteAll(channel[1], report);
    ::_exit(0);
  }
  ::close(channel[1]);
  std::string report;
  char buffer[512];
  for (ssize_t n; (n = ::read(channel[0], buffer, sizeof buffer)) > 0;)
    report.append(buffer, static_cast<size_t>(n));
  ::close(channel[0]);
  ::waitpid(child, nullptr, 0);

  FullSave save;
  std::istringstream lines(report);
  std::string mounted;
  std::getline(lines, mounted);
  save.Mounted = mounted == "1";
  if (mounted == "0") {
    std::getline(lines, save.Refusal);
    return save;
  }
  std::getline(lines, save.Error);
  std::getline(lines, save.Old);
  std::getline(lines, save.Names);
  return save;
}

TEST(WriteFileSafely, ASaveThatFillsTheDiskLeavesTheOldFileAndNoTemporaryFile) {
  TempFolder temp;
  FullSave save = SaveOnAFullDisk(temp.Path(), true);
  std::string reason = std::strerror(ENOSPC);
  if (!save.Mounted) {
    // No tmpfs may be mounted here: the file size limit makes the same write fail instead.
    std::cout << "[   INFO   ] no tmpfs (" << save.Refusal << "); a file size limit fills the disk\n";
    RecordProperty("full_disk", "file size limit");
    save = SaveOnAFullDisk(temp.Path(), false);
    reason = std::strerror(EFBIG);
  }
  EXPECT_NE(save.Error.find(PrintableName(temp.Path() / "song.vxw") + ": " + reason), std::string::npos)
      << save.Error;
  EXPECT_EQ(save.Old, "the player's song");
  EXPECT_EQ(save.Names, "song.vxw ");
}

TEST(ReadRegularFile, WhatIsNotAFileIsRefusedAtOnceWithItsReason) {
  TempFolder temp;
  const fs::path fifo = temp.Path() / "style.vxs";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const struct Row {
    fs::path Path;
    std::string Reason;
  } rows[] = {
      {fifo, "a FIFO, not a file"},
      {"/dev/zero", "a device, not a file"},
      {temp.Path(), std::strerror(EISDIR)},
      {temp.Path() / "gone", std::strerror(ENOENT)},
  };
  for (const Row& row : rows) {
    const FileRead read = ReadRegularFile(row.Path, 1 << 20);
    EXPECT_EQ(read.Error, PrintableName(row.Path) + ": " + row.Reason);
    EXPECT_TRUE(read.Bytes.empty()) << row.Path;
    EXPECT_EQ(read.Missing, row.Path.filename() == "gone") << row.Path;
  }
}

TEST(ReadRegularFile, ReadsUpToTheLimitAndSaysWhenThereIsMore) {
  TempFolder temp;
  const fs::path file = temp.Write("list.vxi", "0123456789");
  for (const auto& [limit, expected, longer] : {std::tuple{4u, "0123", true},
                                                {10u, "0123456789", false},
                                                {11u, "0123456789", false},
                                                {0u, "", true}}) {
    const FileRead read = ReadRegularFile(file, limit);
    EXPECT_TRUE(read.Ok()) << limit;
    EXPECT_EQ(std::string(read.Bytes.begin(), read.Bytes.end()), expected) << limit;
    EXPECT_EQ(read.Longer, longer) << limit;
  }
}

TEST(FileNames, AFileTypeIsAppendedUnlessThereAndANameCannotSplitAMessage) {
  for (const auto& [name, type, expected] : {std::tuple{"Rock v1.5", ".vxs", "Rock v1.5.vxs"},
                                             {"Song 2.1", ".vxw", "Song 2.1.vxw"},
                                             {"Rock.VXS", ".vxs", "Rock.VXS"},
                                             {"a.vxs.bak", ".vxs", "a.vxs.bak.vxs"}}) {
    EXPECT_EQ(WithFileType(name, type), expected) << name;
  }
  EXPECT_EQ(PrintableName("/x/a\nStyle saved.\r\t\x1b.vxs"), "\"/x/a\\nStyle saved.\\r\\t\\x1B.vxs\"");
}

TEST(ProbeFolderWritable, TheProbeOpensNothingAtAnyName) {
  TempFolder temp;
  const fs::path victim = temp.Write("victim.txt", "victim");
  fs::create_symlink(victim, temp.Path() / ".kalo-write-probe");
  const std::set<std::string> before = NamesIn(temp.Path());
  EXPECT_TRUE(ProbeFolderWritable(temp.Path()));
  EXPECT_FALSE(ProbeFolderWritable(victim));
  EXPECT_EQ(ReadText(victim), "victim");
  EXPECT_EQ(NamesIn(temp.Path()), before);
}

}  // namespace
}  // namespace kalo::host
