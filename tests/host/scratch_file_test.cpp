#include "host/scratch_file.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>

namespace kalo::host {
namespace {

TEST(ScratchFile, EachIsANewPrivateFileThatGoesWithItsObject) {
  std::filesystem::path first;
  {
    ScratchFile a("kalo-scratch-test-");
    ScratchFile b("kalo-scratch-test-");
    ASSERT_FALSE(a.Path().empty()) << a.Error();
    ASSERT_FALSE(b.Path().empty()) << b.Error();
    EXPECT_NE(a.Path(), b.Path());
    EXPECT_EQ(a.Path().parent_path(), std::filesystem::temp_directory_path());
    EXPECT_EQ(a.Path().filename().string().rfind("kalo-scratch-test-", 0), 0u);
    EXPECT_EQ(std::filesystem::file_size(a.Path()), 0u);
    struct stat info {};
    ASSERT_EQ(stat(a.Path().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    first = a.Path();
  }
  EXPECT_FALSE(std::filesystem::exists(first));
}

TEST(ScratchFile, AnUnusableFolderGivesAnErrorAndNoPath) {
  const char* saved = std::getenv("TMPDIR");
  const std::string keep = saved ? saved : "";
  setenv("TMPDIR", "/nonexistent-kalo-folder", 1);
  ScratchFile file("kalo-scratch-test-");
  if (saved)
    setenv("TMPDIR", keep.c_str(), 1);
  else
    unsetenv("TMPDIR");
  EXPECT_TRUE(file.Path().empty());
  EXPECT_FALSE(file.Error().empty());
}

}  // namespace
}  // namespace kalo::host
