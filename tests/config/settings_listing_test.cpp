#include "config/settings_listing.h"

#include <gtest/gtest.h>

#include <sstream>

#include "config/settings_keys.h"
#include "temp_folder.h"

namespace kalo::config {
namespace {

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

TEST(SettingsListingTest, AMissingFileIsNamedAndEveryKeyShowsItsFactoryValueInOrder) {
  testing::TempFolder temp;
  host::ProgramFolder folder(temp.Path());
  SettingsEnvironment environment;
  environment.FolderWritable = [](const std::filesystem::path&) { return true; };
  SettingsFile file(folder, environment);
  std::vector<std::string> lines = Lines(SettingsListing(file.Path(), file.Exists(), file.Read()));
  ASSERT_EQ(lines.size(), SettingsKeys().size() + 1);
  EXPECT_EQ(lines[0], "# \"" + (temp.Path() / "kalo.ini").string() + "\" (does not exist: factory settings)");
  EXPECT_EQ(lines[1], "Reset=0");
  EXPECT_EQ(lines[10], "ToAdv=3");  // the factory To-Extended key, Eb
  EXPECT_EQ(lines.back(), "SynthLatency=10");
  EXPECT_FALSE(std::filesystem::exists(file.Path())) << "listing never writes";
}

TEST(SettingsListingTest, UnusableStoredValuesAreNamedBeforeTheKeys) {
  testing::TempFolder temp;
  std::filesystem::path ini = temp.Write("my.ini", "[Options]\nTempo1=abc\nTempo3=100\n");
  SettingsFile file(host::ProgramFolder(temp.Path()), ini, SettingsEnvironment{});
  std::string listing = SettingsListing(file.Path(), true, file.Read());
  std::vector<std::string> lines = Lines(listing);
  EXPECT_EQ(lines[0], "# \"" + ini.string() + "\"");
  EXPECT_EQ(lines[1], "# Tempo1: stored value unusable, default used");
  EXPECT_NE(listing.find("\nTempo1=60\nTempo2=90\nTempo3=100\n"), std::string::npos) << listing;
}

}  // namespace
}  // namespace kalo::config
