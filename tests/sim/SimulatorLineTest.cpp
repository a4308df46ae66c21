#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "sim/SimulatorFixture.h"

namespace zel::sim::test {
namespace {

using Bytes = std::vector<uint8_t>;
using std::chrono::milliseconds;

class SimulatorLineTest : public SimulatorFixture {};

// Sends a frame exactly as given, with the opcode handshake, and returns both acknowledges.
Bytes SendRaw(DeviceLine& line, const Bytes& frame) {
  line.Write({frame[0]});
  Bytes acks = line.Read(1);
  line.Write(Bytes(frame.begin() + 1, frame.end()));
  Bytes second = line.Read(1);
  acks.insert(acks.end(), second.begin(), second.end());
  return acks;
}

TEST_F(SimulatorLineTest, WorkedExamplesAreAcceptedAndAnswered) {
  SimulatorOptions options = TestOptions();
  options.device.identity = {0x1041, 0x0203, 0x0007, 0x0102};
  StartSimulator(options);

  // ReadSysStatus: accepted, and a one-word reply follows.
  EXPECT_EQ(SendRaw(*line_, {0x01, 0x00, 0x00, 0x00, 0xB4, 0x76}), (Bytes{'O', 'O'}));
  DeviceLine::Reply status = line_->ReceiveReply();
  EXPECT_TRUE(status.complete);
  EXPECT_EQ(status.words, (std::vector<uint16_t>{simulator_->Device().StatusWord()}));

  // ReadVersion: the configured identity, byte for byte.
  EXPECT_EQ(SendRaw(*line_, {0x1A, 0x00, 0x00, 0x00, 0x0C, 0x73}), (Bytes{'O', 'O'}));
  DeviceLine::Reply version = line_->ReceiveReply();
  EXPECT_EQ(version.code, 0);
  EXPECT_TRUE(version.complete);
  EXPECT_EQ(version.words, (std::vector<uint16_t>{0x1041, 0x0203, 0x0007, 0x0102}));

  // ReadTempParam 12, width 0.
  EXPECT_EQ(SendRaw(*line_, {0x14, 0x01, 0x0C, 0x00, 0x00, 0x00, 0x15, 0xC3}), (Bytes{'O', 'O'}));
  DeviceLine::Reply parameter = line_->ReceiveReply();
  EXPECT_TRUE(parameter.complete);
  EXPECT_EQ(parameter.words, (std::vector<uint16_t>{0}));

  // Enable and SetVelocity have no reply: the line stays quiet after the second 'O'.
  EXPECT_EQ(SendRaw(*line_, {0x05, 0x00, 0x01, 0x00, 0x64, 0xAC}), (Bytes{'O', 'O'}));
  EXPECT_TRUE(line_->Silent());
  EXPECT_EQ(SendRaw(*line_, {0x21, 0x00, 0xE8, 0x03, 0x8F, 0x68}), (Bytes{'O', 'O'}));
  EXPECT_TRUE(line_->Silent());
  EXPECT_EQ(simulator_->Stats().framesAccepted, 5u);
}

TEST_F(SimulatorLineTest, DefaultIdentityReplyTravelsAsExpected) {
  StartSimulator();
  ASSERT_EQ(SendRaw(*line_, {0x1A, 0x00, 0x00, 0x00, 0x0C, 0x73}), (Bytes{'O', 'O'}));
  ASSERT_EQ(line_->Read(1), Bytes{0x00});
  line_->Write({'O'});
  // L = 3, words 0x1040 0x0200 0x0001 0x0100 low byte first, checksum low byte first.
  EXPECT_EQ(line_->Read(11),
            (Bytes{0x03, 0x40, 0x10, 0x00, 0x02, 0x01, 0x00, 0x00, 0x01, 0x5D, 0x42}));
  line_->Write({'O'});
  EXPECT_TRUE(line_->Silent());
  EXPECT_EQ(SettledStats([](const SimulatorStats& s) { return s.repliesAcked > 0; }).repliesAcked,
            1u);
}

TEST_F(SimulatorLineTest, BrokenFramesAreRefusedAndTheDeviceResynchronises) {
  StartSimulator();
  // A corrupted checksum: 'F', and nothing of the command is executed.
  Bytes frame = DeviceLine::Frame(21, {12, 0, 77});
  frame.back() ^= 0x01;
  EXPECT_EQ(SendRaw(*line_, frame), (Bytes{'O', 'F'}));
  EXPECT_EQ(simulator_->Device().TempParameter(12), 0);

  // A frame that stops after L: after the gap the device waits for a fresh opcode.
  line_->Write({21});
  ASSERT_EQ(line_->Read(1), Bytes{'O'});
  line_->Write({2, 12});
  std::this_thread::sleep_for(milliseconds(120));
  EXPECT_TRUE(line_->Command(21, {12, 0, 77}));
  EXPECT_EQ(simulator_->Device().TempParameter(12), 77);

  // The tool does not answer the reply code: the device drops the reply and serves again.
  ASSERT_TRUE(line_->Command(26, {0}));
  EXPECT_EQ(line_->Read(1), Bytes{0});
  std::this_thread::sleep_for(milliseconds(350));
  EXPECT_TRUE(line_->Exchange(26, {0}).complete);
  EXPECT_EQ(simulator_->Stats().framesRejected, 1u);
}

TEST_F(SimulatorLineTest, CommandIsInEffectOnceItsAcceptanceArrived) {
  StartSimulator();
  for (uint16_t value = 1; value <= 50; ++value) {
    ASSERT_TRUE(line_->Command(21, {12, 0, value}));
    ASSERT_EQ(simulator_->Device().TempParameter(12), value);
  }
}

TEST_F(SimulatorLineTest, AnotherBaudRateGetsSilenceUntilTheRateMatches) {
  StartSimulator(TestOptions(), 9600);
  line_->Write({0x1A});
  EXPECT_TRUE(line_->Silent(milliseconds(150)));
  EXPECT_GE(simulator_->Stats().bytesDropped, 1u);

  ASSERT_TRUE(line_->SetBaud(38400));
  EXPECT_TRUE(line_->Exchange(26, {0}).complete);
}

TEST_F(SimulatorLineTest, DeviceAtAnotherRateAnswersOnlyThere) {
  SimulatorOptions options = TestOptions();
  options.baud = 19200;
  StartSimulator(options, 38400);
  line_->Write({0x01});
  EXPECT_TRUE(line_->Silent(milliseconds(150)));
  ASSERT_TRUE(line_->SetBaud(19200));
  EXPECT_TRUE(line_->Exchange(1, {0}).complete);
}

TEST_F(SimulatorLineTest, UnknownOpcodesAreTakenOffTheLine) {
  // Firmware up to 0x1000 does not know the CAN error word.
  SimulatorOptions options = TestOptions();
  options.device.identity.softwareVersion = 0x1000;
  StartSimulator(options);
  // In the reply set: the frame is accepted and refused by its reply code.
  DeviceLine::Reply refused = line_->Exchange(67, {1, 2});
  EXPECT_TRUE(refused.complete);
  EXPECT_EQ(refused.code, DeviceModel::kReplyRejected);
  // Outside it: accepted, no reply.
  EXPECT_TRUE(line_->Command(99, {0}));
  EXPECT_TRUE(line_->Silent());
  EXPECT_TRUE(line_->Exchange(26, {0}).complete);
}

TEST_F(SimulatorLineTest, LongestReplyCarries256Words) {
  StartSimulator();
  DeviceLine::Reply upload = line_->Exchange(49, {0});
  EXPECT_TRUE(upload.complete);
  ASSERT_FALSE(upload.raw.empty());
  EXPECT_EQ(upload.raw[0], 255);
  EXPECT_EQ(upload.words.size(), 256u);
}

// Behind a full-speed USB adapter the device's bytes reach the tool in packets of at most 62
// bytes. Each step below waits for the tool's answer, so the bursts are counted exactly, with no
// clock involved: the tool answers a byte only once the adapter has handed it over.
TEST_F(SimulatorLineTest, AdapterHandsTheDevicesBytesOverInPacketsOfAtMost62) {
  SimulatorOptions options = TestOptions();
  options.adapterLatency = milliseconds(4);
  options.device.identity = {0x1041, 0x0203, 0x0007, 0x0102};
  StartSimulator(options);

  // A short reply is held until the timer runs out and then arrives whole.
  DeviceLine::Reply version = line_->Exchange(26, {0});
  ASSERT_TRUE(version.complete);
  EXPECT_EQ(version.words, (std::vector<uint16_t>{0x1041, 0x0203, 0x0007, 0x0102}));
  SimulatorStats stats = simulator_->Stats();
  EXPECT_EQ(stats.adapterFullBursts, 0u);
  // 'O', 'O', the reply code (perhaps with the 'O' before it) and the frame of L, 4 words and
  // the checksum.
  EXPECT_EQ(stats.adapterBytes, 3u + 11u);
  EXPECT_GE(stats.adapterBursts, 3u);
  EXPECT_LE(stats.adapterBursts, 4u);

  // 256 recorded words: the frame of 515 bytes goes as eight full packets at once and the 19
  // bytes left when the timer runs out; its checksum holds, so nothing was lost or reordered.
  for (int upload = 0; upload < 2; ++upload) {
    const SimulatorStats before = simulator_->Stats();
    DeviceLine::Reply recorded = line_->Exchange(49, {0});
    ASSERT_TRUE(recorded.complete) << "upload " << upload;
    ASSERT_EQ(recorded.raw.size(), 515u);
    EXPECT_EQ(recorded.words.size(), 256u);
    stats = simulator_->Stats();
    EXPECT_EQ(stats.adapterFullBursts - before.adapterFullBursts, 8u);
    EXPECT_EQ(stats.adapterBytes - before.adapterBytes, 3u + 515u);
    const uint64_t bursts = stats.adapterBursts - before.adapterBursts;
    EXPECT_GE(bursts, 8u + 1u + 2u) << "'O', 'O' with the reply code, the full packets, the rest";
    EXPECT_LE(bursts, 8u + 1u + 3u);
  }

  // A hang-up takes what had gathered with it; the fresh line is served behind the adapter too.
  ASSERT_TRUE(simulator_->RequestHangUp());
  EXPECT_TRUE(line_->HungUp());
  line_ = std::make_unique<DeviceLine>(options.linkPath, 38400);
  ASSERT_TRUE(line_->IsOpen());
  DeviceLine::Reply again = line_->Exchange(26, {0});
  ASSERT_TRUE(again.complete);
  EXPECT_EQ(again.words, version.words);
  EXPECT_EQ(simulator_->Stats().framesRejected, 0u);
}

TEST_F(SimulatorLineTest, PacedRepliesTakeAtLeastTheirLineTime) {
  SimulatorOptions options = TestOptions();
  options.baud = 19200;
  options.paced = true;
  StartSimulator(options, 19200);
  ASSERT_TRUE(line_->Command(24, {0}));
  auto start = std::chrono::steady_clock::now();
  DeviceLine::Reply all = line_->ReceiveReply();
  auto took = std::chrono::steady_clock::now() - start;
  EXPECT_TRUE(all.complete);
  EXPECT_EQ(all.words.size(), 42u);
  // Reply code, L, 84 data bytes and the checksum: 88 bytes of 10 bits at 19200 bit/s. Only the
  // lower bound is a property of pacing; the upper depends on the machine.
  EXPECT_GE(took, std::chrono::microseconds(88 * 10 * 1'000'000LL / 19200 - 1000));
}

TEST_F(SimulatorLineTest, PacedDeviceHearsTheToolsBytesAtLineRateToo) {
  SimulatorOptions options = TestOptions();
  options.baud = 9600;
  options.paced = true;
  StartSimulator(options, 9600);
  // The opcode has to cross the line before the device can answer it, and the answer has to
  // cross back: two byte times at the least. The rest of the frame, five bytes written at once,
  // takes five more before the device's 'O'.
  const auto byteTime = std::chrono::microseconds(10 * 1'000'000LL / 9600);
  auto start = std::chrono::steady_clock::now();
  line_->Write({0x1A});
  ASSERT_EQ(line_->Read(1), std::vector<uint8_t>{'O'});
  EXPECT_GE(std::chrono::steady_clock::now() - start,
            2 * byteTime - std::chrono::microseconds(100));
  start = std::chrono::steady_clock::now();
  line_->Write({0x00, 0x00, 0x00, 0x0C, 0x73});
  ASSERT_EQ(line_->Read(1), std::vector<uint8_t>{'O'});
  EXPECT_GE(std::chrono::steady_clock::now() - start,
            6 * byteTime - std::chrono::microseconds(100));
}

TEST_F(SimulatorLineTest, LinkIsReplacedWhenStaleRemovedOnStopAndFilesAreNeverOverwritten) {
  std::string path = FreshLinkPath();
  ASSERT_EQ(symlink("/nonexistent/pts/99", path.c_str()), 0);
  SimulatorOptions options = TestOptions();
  options.linkPath = path;
  {
    Simulator simulator(options);
    ASSERT_TRUE(simulator.Start());
    DeviceLine line(path, 38400);
    ASSERT_TRUE(line.IsOpen());
    EXPECT_TRUE(line.Exchange(26, {0}).complete);
    // Stop returns with the tool's end still open and mid-frame.
    line.Write({26});
    simulator.Stop();
    struct stat info {};
    EXPECT_NE(lstat(path.c_str(), &info), 0);
  }

  { std::ofstream(path) << "keep me"; }
  Simulator refused(options);
  std::string error;
  EXPECT_FALSE(refused.Start(&error));
  EXPECT_FALSE(error.empty());
  std::ifstream kept(path);
  std::string text;
  std::getline(kept, text);
  EXPECT_EQ(text, "keep me");
  std::filesystem::remove(path);
}

}  // namespace
}  // namespace zel::sim::test
