#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <memory>
#include <string>

#include "link/PosixSerialChannel.h"
#include "link/ResultCodes.h"
#include "link/SerialPort.h"
#include "link/ZelCommunication.h"
#include "sim/Simulator.h"

namespace zel::link {
namespace {

// The communication stack against the simulated ZEL at the rates that need more than the
// termios constants or more than write() returning: 14400 bit/s, and 110 bit/s with the
// simulator pacing every byte at the line rate, as a UART would.
class LineRateSimTest : public ::testing::Test {
 protected:
  void Start(uint32_t baud, bool paced) {
    static std::atomic<int> counter{0};
    sim::SimulatorOptions options;
    options.linkPath = (std::filesystem::temp_directory_path() /
                        ("zel-rate-" + std::to_string(getpid()) + "-" + std::to_string(counter++)))
                           .string();
    options.baud = baud;
    options.paced = paced;
    options.realTimeModel = false;
    simulator_ = std::make_unique<sim::Simulator>(options);
    std::string error;
    ASSERT_TRUE(simulator_->Start(&error)) << error;
    path_ = options.linkPath;
    comm_ = std::make_unique<ZelCommunication>(PosixSerialChannel::OpenerForPath(path_));
    CommSettings settings;  // T = 100 ms, 4 trials
    settings.baudRate = static_cast<int32_t>(baud);
    ASSERT_TRUE(comm_->OpenLink(settings));
  }

  void TearDown() override {
    comm_.reset();
    if (simulator_) simulator_->Stop();
  }

  std::unique_ptr<sim::Simulator> simulator_;
  std::unique_ptr<ZelCommunication> comm_;
  std::string path_;
};

TEST_F(LineRateSimTest, ZelSetTo14400IsReachedAt14400) {
  Start(14400, false);
  uint16_t software = 0, hardware = 0, number = 0, version = 0;
  ASSERT_TRUE(comm_->Parameter().ReadVersion(software, hardware, number, version));
  EXPECT_EQ(software, simulator_->Device().Identity().softwareVersion);
  EXPECT_EQ(simulator_->Stats().bytesDropped, 0u);  // the line really ran at the ZEL's rate

  // A rate that is no rate is refused and leaves the line to the next opener.
  comm_.reset();
  SerialPort port(PosixSerialChannel::OpenerForPath(path_));
  EXPECT_EQ(port.Open(-1, "Com1", 100, 4), result::kConfigFailed);
  EXPECT_EQ(port.Open(0, "Com1", 100, 4), result::kConfigFailed);
  EXPECT_FALSE(port.IsOpen());
  SerialPort other(PosixSerialChannel::OpenerForPath(path_));
  EXPECT_EQ(other.Open(14400, "Com1", 100, 4), result::kOk);
}

TEST_F(LineRateSimTest, CommandsGoThroughAt110BitPerSecond) {
  // A character takes 91 ms here, nearly all of T: each wait has to start once the bytes are
  // on the line, not when write() returned.
  Start(110, true);
  uint16_t software = 0, hardware = 0, number = 0, version = 0;
  EXPECT_TRUE(comm_->Parameter().ReadVersion(software, hardware, number, version));
  EXPECT_EQ(software, simulator_->Device().Identity().softwareVersion);
  EXPECT_TRUE(comm_->Drive().SetVelocity(100));  // a command without a reply frame
  EXPECT_EQ(simulator_->Stats().framesRejected, 0u);
}

}  // namespace
}  // namespace zel::link
