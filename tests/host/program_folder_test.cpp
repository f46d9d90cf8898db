#include "host/program_folder.h"

#include <gtest/gtest.h>

#include "config/temp_folder.h"

namespace kalo::host {
namespace {

namespace fs = std::filesystem;

// A program in <root>/usr/bin reads its shipped folders from <root>/usr/share/kalo unless it has its
// own STYLES beside it (the build folder, a portable copy).
TEST(ProgramFolder, AnInstalledProgramReadsItsShippedFoldersFromShareKalo) {
  const struct {
    const char* Name;
    std::vector<const char*> Folders;
    bool Installed;
  } rows[] = {
      {"installed", {"usr/share/kalo/STYLES"}, true},
      {"STYLES beside the program", {"usr/bin/STYLES", "usr/share/kalo/STYLES"}, false},
      {"no shipped folders at all", {"usr/share/kalo"}, false},
  };
  for (const auto& row : rows) {
    config::testing::TempFolder temp;
    for (const char* folder : row.Folders) fs::create_directories(temp.Path() / folder);
    const fs::path bin = temp.Path() / "usr/bin";
    const ProgramFolder program(bin, "kalo", InstalledDataFolder(bin));
    EXPECT_EQ(program.Installed(), row.Installed) << row.Name;
    EXPECT_EQ(program.Styles(), (row.Installed ? temp.Path() / "usr/share/kalo" : bin) / "STYLES")
        << row.Name;
    EXPECT_EQ(program.WithExtension(".ini"), bin / "kalo.ini") << row.Name;
  }
}

}  // namespace
}  // namespace kalo::host
