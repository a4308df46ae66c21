#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "link/CommandFrame.h"
#include "link/ResultCodes.h"
#include "link/ScriptedStack.h"
#include "link/SerialLink.h"

namespace zel::link {
namespace {

using SerialLinkTest = ScriptedStackTest;

TEST(SerialLinkReplySet, ExactlyTheCommandsThatAnswer) {
  const std::set<int> withReply = {1, 2, 16, 17, 18, 20, 24, 26, 40, 41, 42, 49, 50, 62, 67, 68};
  for (int opcode = 0; opcode < 256; ++opcode) {
    EXPECT_EQ(SerialLink::ExpectsReply(static_cast<uint8_t>(opcode)), withReply.contains(opcode))
        << opcode;
  }
}

TEST_F(SerialLinkTest, RefusedReplyCodeFailsAndLeavesResultsAlone) {
  line_.ExpectCommand(1, {0}).SendReply(0x05, {0x1234});
  uint16_t status = 0xBEEF;
  EXPECT_FALSE(comm_.Status().ReadSysStatus(status));
  EXPECT_EQ(status, 0xBEEF);
}

TEST_F(SerialLinkTest, CommandWithoutReplyEndsWithTheAcceptance) {
  line_.ExpectCommand(3, {0});
  EXPECT_TRUE(comm_.Status().ClearError());
  // Nothing after the frame: no acknowledge of a reply the ZEL never sends.
  EXPECT_EQ(Wire(), Command(3, {0}));
}

TEST_F(SerialLinkTest, MissingReplyFailsTheCommand) {
  line_.ExpectCommand(2, {0});
  uint16_t error = 0;
  EXPECT_FALSE(comm_.Status().ReadError(error));
  EXPECT_EQ(comm_.Link().LastResult(), result::kNoByte);
}

TEST_F(SerialLinkTest, ClaimedLinkRefusesOtherThreadsWithoutTraffic) {
  comm_.ClaimLink();
  bool executed = true;
  bool opened = true;
  std::thread other([&] {
    uint16_t status = 0;
    executed = comm_.Status().ReadSysStatus(status);
    opened = comm_.Link().Open(CommSettings{});
  });
  other.join();
  EXPECT_FALSE(executed);
  EXPECT_FALSE(opened);
  EXPECT_TRUE(Wire().empty());
  EXPECT_EQ(line_.OpenCount(), 1);

  // The owner itself keeps the line.
  line_.ExpectCommand(4, {0});
  EXPECT_TRUE(comm_.Status().ResetSoftware());

  comm_.ReleaseLink();
  line_.ExpectCommand(3, {0});
  std::thread after([&] { executed = comm_.Status().ClearError(); });
  after.join();
  EXPECT_TRUE(executed);
}

// A line whose first write holds its exchange, and with it the link's lock, until the test lets
// go. Counts the opens and writes that reach it.
class HeldLine {
 public:
  ChannelOpener Opener() {
    return [this](const std::string&, int32_t, uint8_t& code) -> std::unique_ptr<ByteChannel> {
      std::lock_guard lock(mutex_);
      ++opens_;
      code = result::kOk;
      return std::make_unique<End>(*this);
    };
  }
  void WaitUntilHolding() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return holding_; });
  }
  void Release() {
    std::lock_guard lock(mutex_);
    released_ = true;
    changed_.notify_all();
  }
  int Opens() {
    std::lock_guard lock(mutex_);
    return opens_;
  }
  int Writes() {
    std::lock_guard lock(mutex_);
    return writes_;
  }

 private:
  class End final : public ByteChannel {
   public:
    explicit End(HeldLine& line) : line_(line) {}
    bool Write(const uint8_t*, int) override {
      std::unique_lock lock(line_.mutex_);
      if (line_.writes_++ == 0) {
        line_.holding_ = true;
        line_.changed_.notify_all();
        line_.changed_.wait(lock, [&] { return line_.released_; });
      }
      return false;
    }
    int Read(uint8_t*, int, const ReadTimeouts&) override { return 0; }
    bool Purge() override { return true; }
    bool Close() override { return true; }

   private:
    HeldLine& line_;
  };

  std::mutex mutex_;
  std::condition_variable changed_;
  bool holding_ = false;
  bool released_ = false;
  int opens_ = 0;
  int writes_ = 0;
};

TEST(SerialLinkClaim, ThreadsWaitingForTheLineWhenItIsClaimedGetNothing) {
  HeldLine line;
  SerialLink link(line.Opener());
  ASSERT_TRUE(link.Open(CommSettings{}));

  // An exchange under way holds the line; an exchange and an open from two other threads pass
  // the claim check and queue up behind it.
  std::thread busy([&] {
    CommandFrame frame(3);
    frame.FinishPacking();
    link.Execute(frame);
  });
  line.WaitUntilHolding();
  bool executed = true;
  bool opened = true;
  std::thread command([&] {
    CommandFrame frame(1);
    frame.FinishPacking();
    executed = link.Execute(frame);
  });
  std::thread reopen([&] { opened = link.Open(CommSettings{}); });
  // Only gives the two a chance to reach the lock first; they must fail however late they are.
  std::this_thread::sleep_for(std::chrono::milliseconds(50));

  link.Claim();
  line.Release();
  busy.join();
  command.join();
  reopen.join();
  EXPECT_FALSE(executed);
  EXPECT_FALSE(opened);
  EXPECT_EQ(line.Writes(), 1);  // the busy exchange's opcode only
  EXPECT_EQ(line.Opens(), 1);
  link.Release();
}

TEST_F(SerialLinkTest, FrameWhoseArgumentsOverflowedIsNeverSent) {
  CommandFrame frame(25);
  for (int i = 0; i < 130; ++i) frame.Put16(0);
  frame.FinishPacking();
  EXPECT_FALSE(comm_.Link().Execute(frame));
  EXPECT_TRUE(Wire().empty());
}

TEST_F(SerialLinkTest, ExchangesOfTwoThreadsNeverInterleave) {
  constexpr int kPerThread = 20;
  for (int i = 0; i < 2 * kPerThread; ++i) {
    line_.ExpectCommand(1, {0}).SendReply(0, {0x4000});
  }
  auto run = [&](int& good) {
    for (int i = 0; i < kPerThread; ++i) {
      uint16_t status = 0;
      if (comm_.Status().ReadSysStatus(status) && status == 0x4000) ++good;
    }
  };
  int goodA = 0;
  int goodB = 0;
  std::thread a(run, std::ref(goodA));
  std::thread b(run, std::ref(goodB));
  a.join();
  b.join();
  EXPECT_EQ(goodA + goodB, 2 * kPerThread);
}

}  // namespace
}  // namespace zel::link
