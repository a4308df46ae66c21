#include <gtest/gtest.h>

#include <cctype>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "link/ExchangeTrace.h"
#include "link/ResultCodes.h"
#include "link/ScriptedStack.h"

namespace zel::link {
namespace {

using test::ScriptedChannel;
using Bytes = std::vector<uint8_t>;

// Each acknowledge is a single byte, so one byte too many on the line (a late answer to an
// earlier exchange, noise) shifts every answer that follows. Such an exchange must fail, never
// pass as the ZEL's acceptance, and the next clean exchange must go through.
using OutOfStepLineTest = ScriptedStackTest;

TEST_F(OutOfStepLineTest, SecondAnswerToTheOpcodeFailsBeforeTheRestIsSent) {
  struct Case {
    const char* what;
    Bytes answers;
  };
  const Case cases[] = {
      {"stray 'O', then the ZEL's 'O'", {'O', 'O'}},
      {"stray 'O', then the ZEL's refusal", {'O', 'F'}},
      {"the ZEL's 'O', then noise", {'O', 0x00}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    line_.ClearWritten();
    line_.ExpectBytes({5}).Send(c.answers);
    EXPECT_FALSE(comm_.Status().Enable(false));
    EXPECT_EQ(comm_.Link().LastResult(), result::kOpcodeBadAnswer);
    EXPECT_EQ(Wire(), Bytes{5});  // the frame's rest never went out
    EXPECT_EQ(line_.PendingInput(), 0);

    line_.ClearWritten();
    line_.ExpectCommand(5, {0});
    EXPECT_TRUE(comm_.Status().Enable(false));
  }
}

TEST_F(OutOfStepLineTest, ByteAfterTheLastAcknowledgeFailsTheExchange) {
  // Without a reply: the stray 'O' went for the opcode's answer and the ZEL's 'O' to the opcode
  // for the frame's; its refusal of the frame comes behind.
  line_.Expect(1).Send('O').ExpectFrameRest().Send(Bytes{'O', 'F'});
  EXPECT_FALSE(comm_.Status().Enable(false));
  EXPECT_EQ(comm_.Link().LastResult(), result::kFrameBadAnswer);
  EXPECT_EQ(line_.PendingInput(), 0);
  line_.ExpectCommand(5, {0});
  EXPECT_TRUE(comm_.Status().Enable(false));

  // With a reply: a byte behind the checksum, which the ZEL never sends. The reply is refused
  // even though its checksum holds.
  Bytes reply = ScriptedChannel::FrameBytes(0x00, {0x1234});
  Bytes rest(reply.begin() + 1, reply.end());
  rest.push_back(0x4F);
  line_.ExpectCommand(1, {0}).Send(reply[0]).ExpectBytes({'O'}).Send(rest).ExpectBytes({'F'});
  uint16_t status = 0;
  EXPECT_FALSE(comm_.Status().ReadSysStatus(status));
  EXPECT_EQ(comm_.Link().LastResult(), result::kReplyChecksum);
  line_.ExpectCommand(1, {0}).SendReply(0x00, {0x4000});
  EXPECT_TRUE(comm_.Status().ReadSysStatus(status));
  EXPECT_EQ(status, 0x4000);
}

TEST_F(OutOfStepLineTest, TraceDecodesEveryExchange) {
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
