#include "host/main_loop.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace kalo::host {
namespace {

struct Recorder : NoticeTarget {
  std::vector<std::pair<uint32_t, uintptr_t>> Seen;
  std::thread::id Thread;
  void OnNotice(uint32_t message, uintptr_t param) override {
    Seen.emplace_back(message, param);
    Thread = std::this_thread::get_id();
  }
};

TEST(StdMainLoop, NoticesFromAnotherThreadArriveInTheOrderPosted) {
  StdMainLoop loop;
  Recorder target;
  std::thread producer([&] {
    for (uint32_t i = 0; i < 1000; ++i) ASSERT_TRUE(loop.PostNotice(target, i % 3, i));
  });
  producer.join();
  EXPECT_EQ(loop.RunPending(), 1000u);
  ASSERT_EQ(target.Seen.size(), 1000u);
  for (uintptr_t i = 0; i < 1000; ++i) EXPECT_EQ(target.Seen[i].second, i);
  EXPECT_EQ(target.Thread, std::this_thread::get_id());
}

TEST(StdMainLoop, AFullNoticeQueueRefusesInsteadOfOverwriting) {
  StdMainLoop loop(4);
  Recorder target;
  for (uintptr_t i = 0; i < 4; ++i) EXPECT_TRUE(loop.PostNotice(target, 0, i));
  EXPECT_FALSE(loop.PostNotice(target, 0, 99));
  loop.RunPending();
  ASSERT_EQ(target.Seen.size(), 4u);
  EXPECT_EQ(target.Seen.back().second, 3u);
  EXPECT_TRUE(loop.PostNotice(target, 0, 5));  // room again after draining
}

TEST(StdMainLoop, DroppedNoticesOfOneTargetNeverArriveAndTheOthersKeepTheirOrder) {
  StdMainLoop loop(8);
  Recorder kept;
  Recorder dropped;
  std::thread producer([&] {
    for (uintptr_t i = 0; i < 6; ++i) ASSERT_TRUE(loop.PostNotice(i % 2 == 0 ? kept : dropped, 0, i));
  });
  producer.join();
  loop.DropNotices(dropped);
  EXPECT_EQ(loop.RunPending(), 6u);  // a dropped notice still frees its slot
  EXPECT_TRUE(dropped.Seen.empty());
  ASSERT_EQ(kept.Seen.size(), 3u);
  for (size_t i = 0; i < 3; ++i) EXPECT_EQ(kept.Seen[i].second, 2 * i);
  for (uintptr_t i = 0; i < 8; ++i) EXPECT_TRUE(loop.PostNotice(dropped, 1, i));  // all room again
  loop.RunPending();
  EXPECT_EQ(dropped.Seen.size(), 8u);
}

TEST(StdMainLoop, SendNoticeRunsOnTheMainThreadAndWaitsForIt) {
  StdMainLoop loop;
  Recorder target;
  std::thread::id mainId;
  std::atomic<int> sent{0};
  std::thread worker;
  loop.Post([&] {
    mainId = std::this_thread::get_id();
    worker = std::thread([&] {
      for (int i = 0; i < 100; ++i) {
        EXPECT_TRUE(loop.SendNotice(target, 7, static_cast<uintptr_t>(i)));
        // The handler has run before SendNotice returned.
        EXPECT_EQ(target.Seen.size(), static_cast<size_t>(i + 1));
        sent.fetch_add(1);
      }
      loop.Quit();
    });
  });
  loop.Run();
  worker.join();
  EXPECT_EQ(sent.load(), 100);
  EXPECT_EQ(target.Thread, mainId);

  // A loop that is not running never runs the notice: SendNotice fails instead of waiting for ever.
  StdMainLoop idle;
  std::thread other([&] { EXPECT_FALSE(idle.SendNotice(target, 1, 1)); });
  other.join();
  EXPECT_EQ(target.Seen.size(), 100u);
}

TEST(StdMainLoop, PostedFunctionsRunInOrderAndSendRunsDirectlyOnTheMainThread) {
  StdMainLoop loop;
  std::vector<int> order;
  loop.Post([&] { order.push_back(1); });
  loop.Post([&] {
    order.push_back(2);
    loop.Post([&] { order.push_back(4); });
  });
  loop.Send([&] { order.push_back(3); });  // main thread: runs at once, before the queue
  loop.RunPending();
  EXPECT_EQ(order, (std::vector<int>{3, 1, 2, 4}));

  std::thread helper([&] {
    loop.Send([&] { order.push_back(5); });
    EXPECT_EQ(order.back(), 5) << "Send from a helper thread returns after the function ran";
    loop.Quit();
  });
  loop.Run();
  helper.join();
}

}  // namespace
}  // namespace kalo::host
