#include "host/instance_lock.h"

#include <gtest/gtest.h>

#include <memory>

#include "config/temp_folder.h"

namespace kalo::host {
namespace {

TEST(InstanceLock, OneHolderAtATimeAndTheLockIsFreeAgainWhenItEnds) {
  config::testing::TempFolder folder;
  const auto file = folder.Path() / "new" / "kalo.lock";
  auto first = std::make_unique<InstanceLock>(file);
  EXPECT_EQ(first->Result(), InstanceLock::Outcome::Acquired);
  EXPECT_EQ(InstanceLock(file).Result(), InstanceLock::Outcome::HeldElsewhere);
  first.reset();
  EXPECT_EQ(InstanceLock(file).Result(), InstanceLock::Outcome::Acquired);
  EXPECT_TRUE(std::filesystem::exists(file));
}

TEST(InstanceLock, ALockFileThatCannotBeMadeGivesNoGuardRatherThanARefusal) {
  config::testing::TempFolder folder;
  // The settings "folder" is a file: nothing can be created below it.
  const auto notAFolder = folder.Write("settings", "");
  EXPECT_EQ(InstanceLock(notAFolder / "kalo.lock").Result(), InstanceLock::Outcome::Unavailable);
}

}  // namespace
}  // namespace kalo::host
