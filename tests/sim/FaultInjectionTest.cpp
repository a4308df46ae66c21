#include "sim/SimulatorFixture.h"

namespace zel::sim::test {
namespace {

using Bytes = std::vector<uint8_t>;
using std::chrono::milliseconds;

class FaultInjectionTest : public SimulatorFixture {
 protected:
  void SetUp() override { StartSimulator(); }
  FaultInjector& Faults() { return simulator_->Faults(); }
};

TEST_F(FaultInjectionTest, SilentDeviceAnswersNothingUntilCleared) {
  Faults().SetNeverAnswer(true);
  line_->Write({0x1A});
  EXPECT_TRUE(line_->Silent(milliseconds(150)));
  line_->Write({0x00, 0x00, 0x00, 0x0C, 0x73});
  EXPECT_TRUE(line_->Silent(milliseconds(150)));
  Faults().SetNeverAnswer(false);
  EXPECT_TRUE(line_->Exchange(26, {0}).complete);
}

TEST_F(FaultInjectionTest, RejectionsAreCountedAndThenServedNormally) {
  Faults().RejectOpcodes(3);
  for (int i = 0; i < 3; ++i) {
    line_->Write({0x1A});
    EXPECT_EQ(line_->Read(1), Bytes{'F'}) << "attempt " << i;
  }
  EXPECT_TRUE(line_->Exchange(26, {0}).complete);

  // A frame refused at its checksum must not be executed: only the accepted resend counts.
  Faults().RejectChecksums(2);
  EXPECT_FALSE(line_->Command(21, {2, 0, 100}));
  EXPECT_FALSE(line_->Command(21, {2, 0, 101}));
  EXPECT_EQ(simulator_->Device().TempParameter(2), DeviceModel::DefaultParameter(2));
  EXPECT_TRUE(line_->Command(21, {2, 0, 102}));
  EXPECT_EQ(simulator_->Device().TempParameter(2), 102);
  EXPECT_EQ(simulator_->Stats().framesRejected, 5u);
}

TEST_F(FaultInjectionTest, CorruptedReplyIsRefusedByTheToolOnce) {
  Faults().CorruptNextReplyChecksum();
  DeviceLine::Reply bad = line_->Exchange(26, {0});
  EXPECT_FALSE(bad.complete);
  EXPECT_EQ(bad.words.size(), 4u);
  EXPECT_TRUE(line_->Exchange(26, {0}).complete);
  SimulatorStats stats =
      SettledStats([](const SimulatorStats& s) { return s.repliesAcked + s.repliesRefused >= 2; });
  EXPECT_EQ(stats.repliesRefused, 1u);
  EXPECT_EQ(stats.repliesAcked, 1u);
}

TEST_F(FaultInjectionTest, ReplyStoppedMidwayLeavesTheDeviceReady) {
  Faults().StopNextReplyAfter(3);
  ASSERT_TRUE(line_->Command(26, {0}));
  EXPECT_EQ(line_->Read(1), Bytes{0});
  line_->Write({'O'});
  EXPECT_EQ(line_->Read(11, milliseconds(150)), (Bytes{0x03, 0x40, 0x10}));
  EXPECT_TRUE(line_->Exchange(26, {0}).complete);
}

TEST_F(FaultInjectionTest, NoiseArrivesBeforeTheAcknowledge) {
  Faults().SendNoiseBeforeNextAck({0x55, 0xAA, 0x00});
  line_->Write({0x1A});
  EXPECT_EQ(line_->Read(4), (Bytes{0x55, 0xAA, 0x00, 'O'}));
  line_->Write({0x00, 0x00, 0x00, 0x0C, 0x73});
  EXPECT_EQ(line_->Read(1), Bytes{'O'});
  EXPECT_TRUE(line_->ReceiveReply().complete);
}

TEST_F(FaultInjectionTest, StrayAcknowledgeMakesARefusedFrameLookAcceptedToAByteAStepTool) {
  // One byte read per step, as the tool does: the stray 'O' passes for the opcode's answer and
  // the opcode's answer for the frame's, although the device refuses the frame.
  Faults().SendStrayAcks(1);
  Faults().RejectChecksums(1);
  EXPECT_TRUE(line_->Command(21, {2, 0, 100}));
  EXPECT_EQ(line_->Read(1), Bytes{'F'});  // the device's real verdict, still on the line
  EXPECT_EQ(simulator_->Device().TempParameter(2), DeviceModel::DefaultParameter(2));

  // With a reply the verdict is taken for the reply code and the frame is read a byte late.
  Faults().SendStrayAcks(1);
  ASSERT_TRUE(line_->Command(26, {0}));
  DeviceLine::Reply reply = line_->ReceiveReply();
  EXPECT_EQ(reply.code, 'O');
  EXPECT_FALSE(reply.complete);
  // The rest of the real reply is still waiting; the tool purges it before its next frame.
  EXPECT_FALSE(line_->Read(16, milliseconds(100)).empty());
  EXPECT_TRUE(line_->Exchange(26, {0}).complete);

  // Refused opcode behind the stray 'O': the rest of the frame arrives while the device waits
  // for an opcode, so its L is served as one; the device is in step again after a quiet gap.
  Faults().SendStrayAcks(1);
  Faults().RejectOpcodes(1);
  EXPECT_FALSE(line_->Command(21, {2, 0, 100}));  // reads the 'F' meant for the opcode
  line_->Read(16, milliseconds(150));
  EXPECT_TRUE(line_->Exchange(26, {0}).complete);
  EXPECT_EQ(simulator_->Device().TempParameter(2), DeviceModel::DefaultParameter(2));
}

TEST_F(FaultInjectionTest, HangUpEndsTheToolsOpenAndTheLinkServesAgain) {
  Faults().HangUpOnNextOpcode();
  line_->Write({0x1A});
  EXPECT_TRUE(line_->HungUp());
  EXPECT_EQ(simulator_->Stats().hangUps, 1u);

  DeviceLine reopened(simulator_->LinkPath(), 38400);
  ASSERT_TRUE(reopened.IsOpen());
  EXPECT_TRUE(reopened.Exchange(26, {0}).complete);
}

TEST_F(FaultInjectionTest, BytesOfTheHungUpLineDoNotReachTheNextOne) {
  Faults().HangUpOnNextOpcode();
  // Arrives in one piece: the device takes the first byte and hangs up on it.
  line_->Write({0x1A, 0x1A, 0x00});
  EXPECT_TRUE(line_->HungUp());

  DeviceLine reopened(simulator_->LinkPath(), 38400);
  ASSERT_TRUE(reopened.IsOpen());
  EXPECT_TRUE(reopened.Exchange(26, {0}).complete);
  EXPECT_EQ(simulator_->Stats().framesAccepted, 1u);
}

TEST_F(FaultInjectionTest, ClearAllDisarmsEveryFault) {
  Faults().RejectOpcodes(5);
  Faults().CorruptNextReplyChecksum();
  Faults().SendNoiseBeforeNextAck({0x11});
  Faults().HangUpOnNextOpcode();
  Faults().ClearAll();
  EXPECT_TRUE(line_->Exchange(26, {0}).complete);
  EXPECT_EQ(simulator_->Stats().framesRejected, 0u);
}

}  // namespace
}  // namespace zel::sim::test
