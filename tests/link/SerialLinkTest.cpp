#include <gtest/gtest.h>

#include <set>
#include <thread>
#include <vector>

#include "link/CommandFrame.h"
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
