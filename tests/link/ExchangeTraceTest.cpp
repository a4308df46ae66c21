#include <gtest/gtest.h>

#include <atomic>
#include <cctype>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "link/ExchangeTrace.h"
#include "link/ScriptedStack.h"

namespace zel::link {
namespace {

using ExchangeTraceTest = ScriptedStackTest;

TEST_F(ExchangeTraceTest, OneDecodedLinePerExchange) {
  std::ostringstream out;
  ExchangeTrace trace(out);
  comm_.Link().SetObserver(&trace);

  line_.Expect(1).Send('F');  // refused once, then through with its reply
  line_.ExpectCommand(26, {0}).SendReply(0x00, {0x1043, 0x0002, 0x0007, 0x0001});
  uint16_t a = 0, b = 0, c = 0, d = 0;
  EXPECT_TRUE(comm_.Parameter().ReadVersion(a, b, c, d));
  line_.ExpectCommand(1, {0}).SendReply(0x05, {0x1234});  // the ZEL refuses the command
  uint16_t status = 0;
  EXPECT_FALSE(comm_.Status().ReadSysStatus(status));
  line_.ExpectBytes({33});  // and then silence
  EXPECT_FALSE(comm_.Drive().SetVelocity(-2));
  comm_.ClaimLink();
  std::thread other([&] { EXPECT_FALSE(comm_.Status().ClearError()); });
  other.join();
  comm_.ReleaseLink();
  comm_.Link().SetObserver(nullptr);
  line_.ExpectCommand(3, {0});
  EXPECT_TRUE(comm_.Status().ClearError());  // detached: not traced

  const std::vector<std::string> expected = {
      "0x1A ReadVersion args 0x0000 | send 0x13 'F' to opcode, 0x00 ok | retries 1 | "
      "receive 0x00 ok | reply 0x00: 0x1043 0x0002 0x0007 0x0001 | ok",
      "0x01 ReadSysStatus args 0x0000 | send 0x00 ok | retries 0 | receive 0x00 ok | "
      "reply 0x05: 0x1234 | FAILED",
      "0x21 SetVelocity args 0xFFFE | send 0x14 no answer to opcode | retries 0 | FAILED",
      "0x03 ClearError args 0x0000 | not sent: the link is claimed by another thread | FAILED",
  };
  // Each line: "HH:MM:SS.mmm ", the decoded exchange, " | <ms> ms".
  auto decoded = [](const std::string& line) -> std::string {
    const std::string shape = "00:00:00.000 ";
    if (line.size() < shape.size()) return "(too short) " + line;
    for (size_t i = 0; i < shape.size(); ++i) {
      const bool digit = std::isdigit(static_cast<unsigned char>(line[i])) != 0;
      if (shape[i] == '0' ? !digit : line[i] != shape[i]) return "(no time) " + line;
    }
    const size_t bar = line.rfind(" | ");
    if (bar == std::string::npos || line.compare(line.size() - 3, 3, " ms") != 0) {
      return "(no duration) " + line;
    }
    return line.substr(shape.size(), bar - shape.size());
  };
  std::istringstream lines(out.str());
  std::string line;
  size_t count = 0;
  while (std::getline(lines, line)) {
    ASSERT_LT(count, expected.size()) << line;
    EXPECT_EQ(decoded(line), expected[count]);
    ++count;
  }
  EXPECT_EQ(count, expected.size());
}

// The monitor's thread keeps exchanging while the user turns the trace on and off.
TEST_F(ExchangeTraceTest, AttachAndDetachWhileAnotherThreadExchanges) {
  constexpr int kExchanges = 200;
  for (int i = 0; i < kExchanges; ++i) line_.ExpectCommand(3, {0});
  std::ostringstream out;
  ExchangeTrace trace(out);
  std::atomic<int> succeeded{0};
  std::thread monitor([&] {
    for (int i = 0; i < kExchanges; ++i) succeeded += comm_.Status().ClearError() ? 1 : 0;
  });
  for (int i = 0; i < 50; ++i) {
    comm_.Link().SetObserver(&trace);
    std::this_thread::yield();
    comm_.Link().SetObserver(nullptr);
  }
  monitor.join();
  EXPECT_EQ(succeeded.load(), kExchanges);
  // Whatever was traced came in whole lines.
  std::istringstream lines(out.str());
  std::string line;
  while (std::getline(lines, line)) EXPECT_NE(line.find("0x03 ClearError"), std::string::npos);
}

TEST(ExchangeTraceNames, CommandsOfBothSetsAreNamed) {
  EXPECT_EQ(ExchangeTrace::CommandName(49), "ReadRecordedData");
  EXPECT_EQ(ExchangeTrace::CommandName(68), "GetRemoteData");
  EXPECT_EQ(ExchangeTrace::CommandName(77), "ResetCAN");
  EXPECT_EQ(ExchangeTrace::CommandName(69), "?");
  EXPECT_EQ(ExchangeTrace::ResultMeaning(0x80), "open failed");
  EXPECT_EQ(ExchangeTrace::ResultMeaning(0x42), "?");
}

}  // namespace
}  // namespace zel::link
