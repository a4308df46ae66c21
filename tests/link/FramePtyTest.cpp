#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "link/ResultCodes.h"
#include "link/SerialPort.h"
#include "link/WorkedExamples.h"
#include "sim/Simulator.h"
#include "support/ScriptedChannel.h"

namespace zel::link {
namespace {

using test::ScriptedChannel;

// The frame protocol over a real pseudo-terminal against the simulated ZEL, which checks the
// tool's checksums with its own reading of the protocol.
class FramePtyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    linkPath_ =
        (std::filesystem::temp_directory_path() / ("zel-frame-pty-" + std::to_string(getpid())))
            .string();
    sim::SimulatorOptions options;
    options.linkPath = linkPath_;
    options.baud = 38400;
    sim_ = std::make_unique<sim::Simulator>(options);
    std::string error;
    ASSERT_TRUE(sim_->Start(&error)) << error;
    setenv("ZEL_COM4", linkPath_.c_str(), 1);
    ASSERT_EQ(port_.Open(38400, "Com4", 100, 4), result::kOk);
  }
  void TearDown() override {
    port_.Close();
    sim_->Stop();
    unsetenv("ZEL_COM4");
  }

  // Sends a command and, when the ZEL answers it with a reply, receives that reply.
  uint8_t Exchange(uint8_t opcode, const std::vector<uint16_t>& words, FrameBuffer& reply) {
    FrameBuffer command = ScriptedChannel::MakeFrame(opcode, words);
    const uint8_t code = port_.SendFrameWithRetries(&command);
    if (code != result::kOk || !sim::DeviceModel::HasReply(opcode)) return code;
    return port_.ReceiveFrame(&reply, 0);
  }

  // The simulator counts the tool's final acknowledge on its own thread, a moment after the
  // tool wrote it.
  template <typename Predicate>
  bool SimReaches(Predicate predicate) {
    for (int i = 0; i < 2000; ++i) {
      if (predicate(sim_->Stats())) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
  }

  std::string linkPath_;
  std::unique_ptr<sim::Simulator> sim_;
  SerialPort port_;
};

TEST_F(FramePtyTest, WorkedExamplesAreAcceptedByTheZel) {
  for (const test::WorkedExample& c : test::WorkedExamples()) {
    SCOPED_TRACE(static_cast<int>(c.opcode));
    FrameBuffer command = ScriptedChannel::MakeFrame(c.opcode, c.words);
    ASSERT_EQ(port_.SendFrameWithRetries(&command), result::kOk);
    EXPECT_EQ(command.checksum, c.checksum);
    if (sim::DeviceModel::HasReply(c.opcode)) {
      FrameBuffer reply;
      ASSERT_EQ(port_.ReceiveFrame(&reply, 0), result::kOk);
      EXPECT_EQ(reply.code, sim::DeviceModel::kReplyOk);
    }
  }
  EXPECT_TRUE(SimReaches([](const sim::SimulatorStats& s) { return s.repliesAcked == 3; }));
  EXPECT_EQ(sim_->Stats().framesAccepted, 5u);
  EXPECT_EQ(sim_->Stats().framesRejected, 0u);
}

TEST_F(FramePtyTest, ReadVersionReturnsTheIdentityWords) {
  FrameBuffer reply;
  ASSERT_EQ(Exchange(26, {0}, reply), result::kOk);
  const sim::DeviceIdentity identity = sim_->Device().Identity();
  ASSERT_EQ(reply.length, 3);
  auto word = [&](int i) { return reply.data[2 * i] | (reply.data[2 * i + 1] << 8); };
  EXPECT_EQ(word(0), identity.softwareVersion);
  EXPECT_EQ(word(1), identity.hardwareVersion);
  EXPECT_EQ(word(2), identity.applicationNumber);
  EXPECT_EQ(word(3), identity.applicationVersion);
}

TEST_F(FramePtyTest, RejectedOpcodesAreRetriedUpToNAttempts) {
  FrameBuffer reply;
  sim_->Faults().RejectOpcodes(3);
  EXPECT_EQ(Exchange(26, {0}, reply), result::kOk);

  ASSERT_EQ(port_.Open(38400, "Com4", 100, 3), result::kOk);
  sim_->Faults().RejectOpcodes(3);
  EXPECT_EQ(Exchange(26, {0}, reply), result::kOpcodeRejected);
  EXPECT_EQ(sim_->Stats().framesRejected, 6u);

  // A rejected checksum sends the frame again from its opcode.
  sim_->Faults().RejectChecksums(1);
  EXPECT_EQ(Exchange(26, {0}, reply), result::kOk);
  EXPECT_EQ(sim_->Stats().framesRejected, 7u);
}

TEST_F(FramePtyTest, DamagedRepliesFail) {
  FrameBuffer reply;
  sim_->Faults().CorruptNextReplyChecksum();
  EXPECT_EQ(Exchange(26, {0}, reply), result::kReplyChecksum);
  EXPECT_TRUE(SimReaches([](const sim::SimulatorStats& s) { return s.repliesRefused == 1; }));

  sim_->Faults().StopNextReplyAfter(3);  // L and one data word, then nothing
  EXPECT_EQ(Exchange(26, {0}, reply), result::kReplyShort);

  // The line is usable again for the next exchange.
  EXPECT_EQ(Exchange(26, {0}, reply), result::kOk);
}

TEST_F(FramePtyTest, ZelAtAnotherBaudRateIsSilentUntilReopened) {
  ASSERT_EQ(port_.Open(9600, "Com4", 20, 4), result::kOk);
  FrameBuffer reply;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(Exchange(26, {0}, reply), result::kOpcodeNoAnswer);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1020));

  ASSERT_EQ(port_.Open(38400, "Com4", 20, 4), result::kOk);
  EXPECT_EQ(Exchange(26, {0}, reply), result::kOk);
}

TEST_F(FramePtyTest, HangUpFailsTheExchangeAndAReopenRecovers) {
  sim_->Faults().HangUpOnNextOpcode();
  FrameBuffer reply;
  EXPECT_EQ(Exchange(26, {0}, reply), result::kReadFailed);
  EXPECT_TRUE(SimReaches([](const sim::SimulatorStats& s) { return s.hangUps == 1; }));
  ASSERT_EQ(port_.Open(38400, "Com4", 100, 4), result::kOk);
  EXPECT_EQ(Exchange(26, {0}, reply), result::kOk);
}

}  // namespace
}  // namespace zel::link
