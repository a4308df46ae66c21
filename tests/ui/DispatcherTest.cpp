#include "ui/Dispatcher.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace zel::ui {
namespace {

struct Recorder : MessageTarget {
  std::vector<std::pair<unsigned, std::uintptr_t>> got;
  Dispatcher* repostTo = nullptr;
  Dispatcher::TargetId self = 0;
  void OnMessage(unsigned message, std::uintptr_t wParam, std::intptr_t) override {
    got.emplace_back(message, wParam);
    if (repostTo) repostTo->Post(self, message, wParam + 1);
  }
};

TEST(Dispatcher, DeliversPostsFromWorkersInOrderPerThread) {
  Dispatcher d;
  Recorder r;
  auto id = d.Register(&r);
  constexpr int kPerThread = 500;
  std::vector<std::thread> workers;
  for (unsigned t = 0; t < 4; ++t)
    workers.emplace_back([&, t] {
      for (int i = 0; i < kPerThread; ++i) d.Post(id, kWmUser + t, static_cast<std::uintptr_t>(i));
    });
  for (auto& w : workers) w.join();
  d.Pump();
  ASSERT_EQ(r.got.size(), 4u * kPerThread);
  std::vector<std::uintptr_t> next(4, 0);
  for (auto [message, wParam] : r.got) {
    unsigned t = message - kWmUser;
    EXPECT_EQ(wParam, next[t]++);
  }
  d.Unregister(id);
}

TEST(Dispatcher, MessagesToAClosedTargetAreDroppedNotDelivered) {
  Dispatcher d;
  Recorder r;
  auto id = d.Register(&r);
  d.Post(id, kWmUser + 40);
  d.Unregister(id);
  EXPECT_EQ(d.PendingCount(), 0u);
  EXPECT_FALSE(d.Post(id, kWmUser + 40));
  EXPECT_EQ(d.Pump(), 0u);
  EXPECT_TRUE(r.got.empty());
}

TEST(Dispatcher, ATargetThatRepostsToItselfDoesNotStarveThePump) {
  Dispatcher d;
  Recorder r;
  r.repostTo = &d;
  r.self = d.Register(&r);
  d.Post(r.self, kWmUser + 1, 0);
  EXPECT_EQ(d.Pump(), 1u);
  EXPECT_EQ(d.PendingCount(), 1u);
  d.Unregister(r.self);
}

TEST(Dispatcher, PumpUntilWaitsForAWorkerAndWakeHandlerSeesEveryPost) {
  Dispatcher d;
  Recorder r;
  auto id = d.Register(&r);
  std::atomic<int> wakes{0};
  d.SetWakeHandler([&] { ++wakes; });
  std::thread worker([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    d.Post(id, kWmUser + 2, 1);
  });
  EXPECT_TRUE(d.PumpUntil([&] { return !r.got.empty(); }, std::chrono::seconds(10)));
  worker.join();
  EXPECT_EQ(wakes.load(), 1);
  EXPECT_FALSE(d.PumpUntil([] { return false; }, std::chrono::milliseconds(1)));
  d.Unregister(id);
}

}  // namespace
}  // namespace zel::ui
