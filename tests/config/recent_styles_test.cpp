// The last-used styles kept in the settings.

#include "config/recent_styles.h"

#include <gtest/gtest.h>

namespace kalo::config {
namespace {

TEST(RecentStyles, TheLatestComesFirstWithoutRepeatsAndTheOldestFallsOffPastSix) {
  Settings settings;
  for (const char* path : {"/a", "/b", "/c", "/d", "/e", "/f", "/b", "/g"})
    RememberRecentStyle(settings, path);
  EXPECT_EQ(RecentStyles(settings), (std::vector<std::string>{"/g", "/b", "/f", "/e", "/d", "/c"}));
  EXPECT_EQ(settings.LastStyle1, "/g");
  ForgetRecentStyle(settings, "/f");
  EXPECT_EQ(RecentStyles(settings), (std::vector<std::string>{"/g", "/b", "/e", "/d", "/c"}));
  EXPECT_EQ(settings.LastStyle6, "");
}

}  // namespace
}  // namespace kalo::config
