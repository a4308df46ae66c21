#include <gtest/gtest.h>

#include <vector>

#include "link/ResultCodes.h"
#include "link/SerialPort.h"
#include "support/ScriptedChannel.h"

namespace zel::link {
namespace {

using test::ScriptedChannel;
using Bytes = std::vector<uint8_t>;

// The frame protocol against a scripted ZEL on a virtual clock, T = 100 ms.
class FrameProtocolTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(port_.Open(38400, "Com1", 100, 4), result::kOk); }

  void Reopen(int32_t trials) { ASSERT_EQ(port_.Open(38400, "Com1", 100, trials), result::kOk); }

  // The bytes the tool wrote, in order.
  Bytes Wire() const { return line_.Written(); }

  static Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
  }

  ScriptedChannel line_;
  SerialPort port_{line_.Opener()};
};

TEST_F(FrameProtocolTest, WorkedExamplesGoOutByteForByte) {
  struct Case {
    uint8_t code;
    std::vector<uint16_t> words;
    Bytes wire;
    uint16_t checksum;
  };
  const Case cases[] = {
      {1, {0}, {0x01, 0x00, 0x00, 0x00, 0xB4, 0x76}, 0x76B4},
      {26, {0}, {0x1A, 0x00, 0x00, 0x00, 0x0C, 0x73}, 0x730C},
      {20, {12, 0}, {0x14, 0x01, 0x0C, 0x00, 0x00, 0x00, 0x15, 0xC3}, 0xC315},
      {5, {1}, {0x05, 0x00, 0x01, 0x00, 0x64, 0xAC}, 0xAC64},
      {33, {1000}, {0x21, 0x00, 0xE8, 0x03, 0x8F, 0x68}, 0x688F},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.code));
    line_.ClearWritten();
    // The scripted side builds the same bytes from its own definition of the checksum.
    EXPECT_EQ(ScriptedChannel::FrameBytes(c.code, c.words), c.wire);
    line_.AcceptCommand(c.wire);
    FrameBuffer frame = ScriptedChannel::MakeFrame(c.code, c.words);
    EXPECT_EQ(port_.SendFrame(&frame), result::kOk);
    EXPECT_EQ(Wire(), c.wire);
    EXPECT_EQ(frame.checksum, c.checksum);
  }
  EXPECT_TRUE(line_.ScriptDone());
}

TEST_F(FrameProtocolTest, CommandWithReplyCompletesTheHandshake) {
  line_.ExpectCommand(26, {0}).SendReply(0x00, {0x1043, 0x0002, 0x0007, 0x0001});
  FrameBuffer command = ScriptedChannel::MakeFrame(26, {0});
  ASSERT_EQ(port_.SendFrame(&command), result::kOk);
  FrameBuffer reply;
  ASSERT_EQ(port_.ReceiveFrame(&reply, 0), result::kOk);

  EXPECT_EQ(reply.code, 0x00);
  EXPECT_EQ(reply.length, 3);
  EXPECT_EQ(Bytes(reply.data.begin(), reply.data.begin() + 8),
            (Bytes{0x43, 0x10, 0x02, 0x00, 0x07, 0x00, 0x01, 0x00}));
  EXPECT_EQ(reply.checksum, ScriptedChannel::FrameChecksum(0x00, {0x1043, 2, 7, 1}));
  // Command frame, then 'O' after the reply code and 'O' after the checked reply.
  EXPECT_EQ(Wire(), Concat({ScriptedChannel::FrameBytes(26, {0}), {'O', 'O'}}));
  EXPECT_TRUE(line_.ScriptDone());
  EXPECT_EQ(line_.NowMs(), 0);  // nothing waited: every byte was there when asked for
}

TEST_F(FrameProtocolTest, SilentZelGivesUpOnTheOpcodeAfterTPlusOneSecondWithoutRetry) {
  FrameBuffer frame = ScriptedChannel::MakeFrame(1, {0});
  EXPECT_EQ(port_.SendFrameWithRetries(&frame), result::kOpcodeNoAnswer);
  EXPECT_EQ(line_.NowMs(), 1100);
  EXPECT_EQ(Wire(), Bytes{0x01});  // the opcode once: silence is not retried
}

TEST_F(FrameProtocolTest, OpcodeAnswerMayTakeUpToTPlusOneSecond) {
  line_.Expect(1).Pause(1100).Send('O').ExpectFrameRest().Send('O');
  FrameBuffer frame = ScriptedChannel::MakeFrame(1, {0});
  EXPECT_EQ(port_.SendFrame(&frame), result::kOk);
  EXPECT_EQ(line_.NowMs(), 1100);

  line_.Expect(1).Pause(1101).Send('O');
  EXPECT_EQ(port_.SendFrame(&frame), result::kOpcodeNoAnswer);
}

TEST_F(FrameProtocolTest, CompleteFrameGetsTMillisecondsForItsAnswer) {
  // Answer to the rest after exactly T: accepted. One millisecond later: no answer (mode A).
  line_.Expect(1).Send('O').ExpectFrameRest().Pause(100).Send('O');
  FrameBuffer frame = ScriptedChannel::MakeFrame(5, {1});
  EXPECT_EQ(port_.SendFrame(&frame), result::kOk);
  const int64_t start = line_.NowMs();
  line_.Expect(1).Send('O').ExpectFrameRest().Pause(101).Send('O');
  EXPECT_EQ(port_.SendFrame(&frame), result::kFrameNoAnswer);
  EXPECT_EQ(line_.NowMs() - start, 100);
}

TEST_F(FrameProtocolTest, EachAnswerMapsToItsCode) {
  struct Case {
    const char* what;
    Bytes opcodeAnswer;  // empty: silence
    Bytes frameAnswer;
    uint8_t expected;
  };
  const Case cases[] = {
      {"F to opcode", {'F'}, {}, result::kOpcodeRejected},
      {"garbage to opcode", {'o'}, {}, result::kOpcodeBadAnswer},
      {"F to frame", {'O'}, {'F'}, result::kFrameRejected},
      {"garbage to frame", {'O'}, {0x00}, result::kFrameBadAnswer},
      {"silence to frame", {'O'}, {}, result::kFrameNoAnswer},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ScriptedChannel line;
    SerialPort port(line.Opener());
    ASSERT_EQ(port.Open(38400, "Com1", 100, 1), result::kOk);
    line.Expect(1).Send(c.opcodeAnswer);
    if (c.opcodeAnswer == Bytes{'O'}) line.ExpectFrameRest().Send(c.frameAnswer);
    FrameBuffer frame = ScriptedChannel::MakeFrame(7, {1, 2});
    EXPECT_EQ(port.SendFrame(&frame), c.expected);
    // Only the frame's own bytes were written; a bad opcode answer stops before L.
    EXPECT_EQ(line.Written().size(), c.opcodeAnswer == Bytes{'O'} ? 8u : 1u);
  }
}

TEST_F(FrameProtocolTest, StaleBytesAreDiscardedBeforeTheOpcode) {
  // A late 'F' from an earlier exchange is waiting; it must not be taken for this answer.
  line_.Send({'F', 'F'}).AcceptCommand();
  FrameBuffer frame = ScriptedChannel::MakeFrame(1, {0});
  EXPECT_EQ(port_.SendFrame(&frame), result::kOk);
}

TEST_F(FrameProtocolTest, OpcodeRejectedThreeTimesPassesOnlyWithFourTrials) {
  for (int32_t trials : {4, 3}) {
    SCOPED_TRACE(trials);
    ScriptedChannel line;
    SerialPort port(line.Opener());
    ASSERT_EQ(port.Open(38400, "Com1", 100, trials), result::kOk);
    line.Expect(1).Send('F').Expect(1).Send('F').Expect(1).Send('F').AcceptCommand();
    FrameBuffer frame = ScriptedChannel::MakeFrame(1, {0});
    const uint8_t code = port.SendFrameWithRetries(&frame);
    const Bytes wire = line.Written();
    if (trials == 4) {
      EXPECT_EQ(code, result::kOk);
      EXPECT_EQ(wire, Concat({{1, 1, 1}, ScriptedChannel::FrameBytes(1, {0})}));
    } else {
      EXPECT_EQ(code, result::kOpcodeRejected);
      EXPECT_EQ(wire, (Bytes{1, 1, 1}));
    }
  }
}

TEST_F(FrameProtocolTest, RejectedChecksumResendsTheWholeFrameFromTheOpcode) {
  const Bytes wire = ScriptedChannel::FrameBytes(20, {12, 0});
  line_.ExpectBytes({wire[0]}).Send('O').ExpectFrameRest().Send('F').AcceptCommand(wire);
  FrameBuffer frame = ScriptedChannel::MakeFrame(20, {12, 0});
  EXPECT_EQ(port_.SendFrameWithRetries(&frame), result::kOk);
  EXPECT_EQ(Wire(), Concat({wire, wire}));
  EXPECT_TRUE(line_.ScriptDone());
}

TEST_F(FrameProtocolTest, RejectionsStopAfterNAttemptsInTotal) {
  Reopen(2);
  line_.Expect(1).Send('O').ExpectFrameRest().Send('F');
  line_.Expect(1).Send('O').ExpectFrameRest().Send('F');
  line_.AcceptCommand();  // a third attempt would succeed, but there is none
  FrameBuffer frame = ScriptedChannel::MakeFrame(5, {1});
  EXPECT_EQ(port_.SendFrameWithRetries(&frame), result::kFrameRejected);
  EXPECT_EQ(Wire().size(), 12u);

  // An unexpected answer ends the exchange at once, even with attempts left.
  ScriptedChannel line;
  SerialPort port(line.Opener());
  ASSERT_EQ(port.Open(38400, "Com1", 100, 4), result::kOk);
  line.Expect(1).Send('F').Expect(1).Send('?').AcceptCommand();
  EXPECT_EQ(port.SendFrameWithRetries(&frame), result::kOpcodeBadAnswer);
  EXPECT_EQ(line.Written(), (Bytes{5, 5}));
}

TEST_F(FrameProtocolTest, NoTrialsSendNothing) {
  for (int32_t trials : {0, -3}) {
    Reopen(trials);
    FrameBuffer frame = ScriptedChannel::MakeFrame(1, {0});
    EXPECT_EQ(port_.SendFrameWithRetries(&frame), result::kNoTrials);
  }
  EXPECT_TRUE(Wire().empty());
  EXPECT_EQ(line_.NowMs(), 0);
}

TEST_F(FrameProtocolTest, BadReplyChecksumIsAnsweredWithF) {
  Bytes reply = ScriptedChannel::FrameBytes(0x00, {0x1234});
  reply.back() ^= 0x01;
  line_.Send(reply[0]).Expect(1).Send(Bytes(reply.begin() + 1, reply.end()));
  FrameBuffer frame;
  EXPECT_EQ(port_.ReceiveFrame(&frame, 0), result::kReplyChecksum);
  EXPECT_EQ(Wire(), (Bytes{'O', 'F'}));
  // The checksum that arrived is kept, not the one computed.
  EXPECT_EQ(frame.checksum, reply[4] | (reply[5] << 8));
  EXPECT_EQ(frame.data[0], 0x34);
}

TEST_F(FrameProtocolTest, FullLengthReplyFitsTheBuffer) {
  std::vector<uint16_t> words(256);
  for (size_t i = 0; i < words.size(); ++i) words[i] = static_cast<uint16_t>(0x0100 * i + 0x55);
  line_.SendReply(0x00, words);
  FrameBuffer frame;
  frame.checksum = 0xDEAD;
  ASSERT_EQ(port_.ReceiveFrame(&frame, 0), result::kOk);
  EXPECT_EQ(frame.length, 255);
  EXPECT_EQ(frame.DataBytes(), 512);
  EXPECT_EQ(frame.data[0], 0x55);
  EXPECT_EQ(frame.data[511], 0xFF);
  EXPECT_EQ(frame.data[510], 0x55);
  EXPECT_EQ(frame.checksum, ScriptedChannel::FrameChecksum(0x00, words));
  EXPECT_EQ(Wire(), (Bytes{'O', 'O'}));
}

TEST_F(FrameProtocolTest, MissingReplyCodeWaitsTPlusTheAllowance) {
  FrameBuffer frame;
  EXPECT_EQ(port_.ReceiveFrame(&frame, 0), result::kNoByte);
  EXPECT_EQ(line_.NowMs(), 100);
  EXPECT_EQ(port_.ReceiveFrame(&frame, 2500), result::kNoByte);
  EXPECT_EQ(line_.NowMs(), 100 + 2600);
  EXPECT_TRUE(Wire().empty());  // no 'O' without a reply code

  // A slow command's reply arriving within its allowance is taken.
  line_.Pause(2550).SendReply(0x00, {7});
  EXPECT_EQ(port_.ReceiveFrame(&frame, 2500), result::kOk);
}

TEST_F(FrameProtocolTest, ReplyStoppingShortGives0x0F) {
  const Bytes reply = ScriptedChannel::FrameBytes(0x00, {1, 2, 3, 4});  // L = 3, 8 data bytes
  struct Case {
    const char* what;
    size_t bytesAfterCode;
  };
  const Case cases[] = {{"no L", 0},
                        {"L only", 1},
                        {"half the data", 5},
                        {"no checksum", 9},
                        {"one checksum byte", 10}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ScriptedChannel line;
    SerialPort port(line.Opener());
    ASSERT_EQ(port.Open(38400, "Com1", 100, 4), result::kOk);
    line.Send(reply[0]).Expect(1).Send(
        Bytes(reply.begin() + 1, reply.begin() + 1 + static_cast<long>(c.bytesAfterCode)));
    FrameBuffer frame;
    EXPECT_EQ(port.ReceiveFrame(&frame, 0), result::kReplyShort);
    EXPECT_EQ(line.Written(), Bytes{'O'});  // no final acknowledge for a frame that never ended
  }
}

TEST_F(FrameProtocolTest, ReplyDataMayTrickleButNotStall) {
  // Data bytes 100 ms apart are within T of each other: accepted.
  const Bytes reply = ScriptedChannel::FrameBytes(0x00, {0x0102, 0x0304});
  line_.Send(reply[0]).Expect(1).Send(Bytes(reply.begin() + 1, reply.end()), 100).Expect(1);
  FrameBuffer frame;
  EXPECT_EQ(port_.ReceiveFrame(&frame, 0), result::kOk);
  EXPECT_EQ(line_.NowMs(), 600);

  // A gap of 101 ms inside the data ends the read one T after the last byte.
  const int64_t start = line_.NowMs();
  line_.Send(reply[0]).Expect(1).Send(Bytes(reply.begin() + 1, reply.begin() + 4));
  line_.Pause(101).Send(Bytes(reply.begin() + 4, reply.end()));
  EXPECT_EQ(port_.ReceiveFrame(&frame, 0), result::kReplyShort);
  EXPECT_EQ(line_.NowMs() - start, 100);
}

TEST_F(FrameProtocolTest, DataReadIsBoundedPerByteAndInTotal) {
  // The data continue the frame after L: the first data byte gets T plus the command's allowance,
  // each further byte T, the whole read T per byte plus the allowance.
  const Bytes reply = ScriptedChannel::FrameBytes(0x00, {0x0102, 0x0304});  // 4 data bytes
  for (int32_t allowance : {0, 100}) {
    SCOPED_TRACE(allowance);
    ScriptedChannel line;
    SerialPort port(line.Opener());
    ASSERT_EQ(port.Open(38400, "Com1", 100, 4), result::kOk);
    line.Send(reply[0]).Expect(1).Send(reply[1]);
    line.Pause(150).Send(reply[2]).Pause(90).Send(Bytes(reply.begin() + 3, reply.end()), 1);
    FrameBuffer frame;
    const uint8_t code = port.ReceiveFrame(&frame, allowance);
    if (allowance == 0) {
      EXPECT_EQ(code, result::kReplyShort);  // 150 ms after L is past T
      EXPECT_EQ(line.NowMs(), 100);
    } else {
      EXPECT_EQ(code, result::kOk);  // inside T + 100, then within T of each other
    }
  }

  // A long reply that stops after L (the recorder's 256 words) fails after one interval, not
  // after T for each of its 514 bytes.
  ScriptedChannel line;
  SerialPort port(line.Opener());
  ASSERT_EQ(port.Open(38400, "Com1", 100, 4), result::kOk);
  line.Send(0x00).Expect(1).Send(0xFF);
  FrameBuffer frame;
  EXPECT_EQ(port.ReceiveFrame(&frame, 228), result::kReplyShort);
  EXPECT_EQ(line.NowMs(), 328);
}

TEST_F(FrameProtocolTest, LineFailuresEndTheExchangeWithTheirCodes) {
  FrameBuffer frame = ScriptedChannel::MakeFrame(1, {0});
  line_.SetWriteFails(true);
  EXPECT_EQ(port_.SendFrame(&frame), result::kWriteFailed);
  line_.SetWriteFails(false);

  line_.SetReadFails(true);
  EXPECT_EQ(port_.SendFrame(&frame), result::kReadFailed);
  EXPECT_EQ(port_.ReceiveFrame(&frame, 0), result::kReadFailed);
  line_.SetReadFails(false);

  // The 'O' after the reply code cannot be written.
  line_.ClearWritten();
  line_.Send(0x00);
  line_.SetWriteFails(true);
  EXPECT_EQ(port_.ReceiveFrame(&frame, 0), result::kWriteFailed);
}

TEST_F(FrameProtocolTest, NotOpenOrNoBufferSendsNothing) {
  FrameBuffer frame = ScriptedChannel::MakeFrame(1, {0});
  EXPECT_EQ(port_.SendFrame(nullptr), result::kWriteFailed);
  EXPECT_EQ(port_.ReceiveFrame(nullptr, 0), result::kReadFailed);
  ASSERT_EQ(port_.Close(), result::kOk);
  EXPECT_EQ(port_.SendFrame(&frame), result::kWriteFailed);
  EXPECT_EQ(port_.SendFrameWithRetries(&frame), result::kWriteFailed);
  EXPECT_EQ(port_.ReceiveFrame(&frame, 0), result::kReadFailed);
  EXPECT_TRUE(Wire().empty());
}

}  // namespace
}  // namespace zel::link
