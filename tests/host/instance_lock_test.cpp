#include "host/instance_lock.h"

#include <gtest/gtest.h>

#include <memory>

#include "config/temp_folder.h"

namespace kalo::host {
namespace {

TEST(InstanceLock, OneHolderAtATimeWhoRemovesTheLockFileWhenItEnds) {
  config::testing::TempFolder folder;
  const auto file = folder.Path() / "new" / "kalo.lock";
  auto first = std::make_unique<InstanceLock>(file);
  EXPECT_EQ(first->Result(), InstanceLock::Outcome::Acquired);
  EXPECT_EQ(InstanceLock(file).Result(), InstanceLock::Outcome::HeldElsewhere);
  EXPECT_TRUE(std::filesystem::exists(file)) << "a refused start leaves the holder's file";
  first.reset();
  EXPECT_FALSE(std::filesystem::exists(file));
  {
    const InstanceLock again(file);
    EXPECT_EQ(again.Result(), InstanceLock::Outcome::Acquired);
  }
  EXPECT_FALSE(std::filesystem::exists(file));
  // Without leave to make the folder, a missing folder gives no guard and stays missing.
  EXPECT_EQ(InstanceLock(folder.Path() / "none" / "kalo.lock", false).Result(),
            InstanceLock::Outcome::Unavailable);
  EXPECT_FALSE(std::filesystem::exists(folder.Path() / "none"));
}

TEST(InstanceLock, ALockFileThatCannotBeMadeGivesNoGuardRatherThanARefusal) {
  config::testing::TempFolder folder;
  // The settings "folder" is a file: nothing can be created below it.
  const auto notAFolder = folder.Write("settings", "");
  EXPECT_EQ(InstanceLock(notAFolder / "kalo.lock").Result(), InstanceLock::Outcome::Unavailable);
}

}  // namespace
}  // namespace kalo::host
