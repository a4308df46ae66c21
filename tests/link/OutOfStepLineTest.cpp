#include <gtest/gtest.h>

#include <vector>

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

}  // namespace
}  // namespace zel::link
