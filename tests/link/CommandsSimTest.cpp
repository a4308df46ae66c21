#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "link/PosixSerialChannel.h"
#include "link/ZelCommunication.h"
#include "sim/Simulator.h"
#include "ui/ScriptedHost.h"

namespace zel::link {
namespace {

using namespace std::chrono_literals;

// The whole command set against the simulated ZEL on a real pseudo-terminal. The device clock
// stands still unless a test advances it, so motor values are deterministic.
class CommandsSimTest : public ::testing::Test {
 protected:
  void SetUp() override { Start(sim::DeviceConfig{}); }

  void Start(const sim::DeviceConfig& device) {
    static std::atomic<int> counter{0};
    sim::SimulatorOptions options;
    options.linkPath =
        (std::filesystem::temp_directory_path() /
         ("zel-commands-" + std::to_string(getpid()) + "-" + std::to_string(counter++)))
            .string();
    options.realTimeModel = false;
    options.device = device;
    comm_.reset();
    simulator_ = std::make_unique<sim::Simulator>(options);
    std::string error;
    ASSERT_TRUE(simulator_->Start(&error)) << error;
    comm_ = std::make_unique<ZelCommunication>(PosixSerialChannel::OpenerForPath(options.linkPath));
    ASSERT_TRUE(comm_->OpenLink(CommSettings{}));
  }

  void TearDown() override {
    comm_.reset();
    if (simulator_) simulator_->Stop();
  }

  sim::DeviceModel& Device() { return simulator_->Device(); }

  uint16_t SysConfig() {
    uint16_t value = 0;
    EXPECT_TRUE(comm_->Parameter().ReadTempParam(1, value));
    return value;
  }

  std::unique_ptr<sim::Simulator> simulator_;
  std::unique_ptr<ZelCommunication> comm_;
  ui::ScriptedHost host_;
};

TEST_F(CommandsSimTest, IdentityStatusAndErrors) {
  uint16_t software = 0, hardware = 0, number = 0xFFFF, version = 0xFFFF;
  ASSERT_TRUE(comm_->Parameter().ReadVersion(software, hardware, number, version));
  EXPECT_EQ(software, 0x1040);
  EXPECT_EQ(hardware, Device().Identity().hardwareVersion);
  EXPECT_EQ(number, Device().Identity().applicationNumber);
  EXPECT_EQ(version, Device().Identity().applicationVersion);

  uint16_t status = 0;
  ASSERT_TRUE(comm_->Status().ReadSysStatus(status));
  EXPECT_EQ(status, Device().StatusWord());

  Device().RaiseError(3);
  uint16_t error = 0;
  ASSERT_TRUE(comm_->Status().ReadError(error));
  EXPECT_EQ(error, 0x8008);
  comm_->Status().SetShowFlag(true);
  ASSERT_TRUE(comm_->Status().ClearError());
  EXPECT_EQ(host_.LastMessage(), "Errors are cleared!");
  ASSERT_TRUE(comm_->Status().ReadError(error));
  EXPECT_EQ(error, 0);
}

TEST_F(CommandsSimTest, TemporaryParametersAndTheirEepromCopy) {
  ParameterGroup& parameters = comm_->Parameter();
  ASSERT_TRUE(parameters.SetTempParam(2, 0, 1234));
  uint16_t value = 0;
  ASSERT_TRUE(parameters.ReadTempParam(2, value));
  EXPECT_EQ(value, 1234);

  ASSERT_TRUE(parameters.SaveTempParam());
  EXPECT_EQ(Device().EepromParameter(2), 1234);
  ASSERT_TRUE(parameters.SetTempParam(2, 0, 999));
  ASSERT_TRUE(parameters.ResetTempParam());
  ASSERT_TRUE(parameters.ReadTempParam(2, value));
  EXPECT_EQ(value, 1234);

  parameters::SystemParameterBlock block;
  ASSERT_TRUE(parameters.ReadAllTempParam(block));
  EXPECT_EQ(block.words[2], 1234);
  for (int i = 0; i < 42; ++i) EXPECT_EQ(block.words[i], Device().TempParameter(i)) << i;
  block.words[3] = 777;
  ASSERT_TRUE(parameters.WriteAllTempParam(block));
  EXPECT_EQ(Device().TempParameter(3), 777);

  // A status value the ZEL keeps in 32 bits, both widths.
  int32_t expected = 0;
  ASSERT_TRUE(Device().ReadParameter(135, expected));
  uint32_t wide = 0;
  ASSERT_TRUE(parameters.ReadTempParam(135, 1, wide));
  EXPECT_EQ(static_cast<int32_t>(wide), expected);

  // A number the ZEL does not know is refused with a reply code: a failed command.
  EXPECT_FALSE(parameters.ReadTempParam(99, value));
}

TEST_F(CommandsSimTest, ServiceModeAndAddressVariables) {
  ServiceGroup& service = comm_->Service();
  uint32_t value = 0;
  // Outside service mode the ZEL reads addresses but refuses to write them.
  ASSERT_TRUE(service.ReadAddrVariable(0x0301, 0, value));
  EXPECT_EQ(value, SysConfig());
  uint16_t answer = 0;
  ASSERT_TRUE(service.SetAddrVariable(0x1000, 0, 5, answer));
  EXPECT_FALSE(ServiceGroup::IsAccepted(answer));

  ASSERT_TRUE(service.Service("ZELX", answer));
  EXPECT_NE(answer, ServiceGroup::kPasswordAccepted);
  EXPECT_FALSE(Device().InServiceMode());
  ASSERT_TRUE(service.Service("ZELS", answer));
  EXPECT_EQ(answer, ServiceGroup::kPasswordAccepted);
  EXPECT_TRUE(Device().InServiceMode());

  ASSERT_TRUE(service.ReadAddrVariable(0x0301, 0, value));
  EXPECT_EQ(value, SysConfig());

  // A 32-bit variable: written low word first, read back high word first, whole.
  ASSERT_TRUE(service.SetAddrVariable(0x1000, 1, 0x12345678, answer));
  EXPECT_TRUE(ServiceGroup::IsAccepted(answer));
  EXPECT_EQ(Device().Memory(0x1000), 0x5678);
  EXPECT_EQ(Device().Memory(0x1001), 0x1234);
  ASSERT_TRUE(service.ReadAddrVariable(0x1000, 1, value));
  EXPECT_EQ(value, 0x12345678u);
  ASSERT_TRUE(service.ReadAddrVariable(0x1000, 0, value));
  EXPECT_EQ(value, 0x5678u);

  ASSERT_TRUE(comm_->Parameter().QuitServiceMode());
  EXPECT_FALSE(Device().InServiceMode());
  ASSERT_TRUE(service.SetAddrVariable(0x1000, 0, 7, answer));
  EXPECT_FALSE(ServiceGroup::IsAccepted(answer));
  EXPECT_EQ(Device().Memory(0x1000), 0x5678);

  // Too long a password never reaches the ZEL.
  service.SetShowFlag(true);
  EXPECT_FALSE(service.Service("ZELSS", answer));
  EXPECT_EQ(host_.LastMessage(), "The communication failed!");
  EXPECT_FALSE(Device().InServiceMode());
}

TEST_F(CommandsSimTest, EnableGuardAroundAParameterWrite) {
  StatusGroup& status = comm_->Status();
  // Software enabling, drive on.
  ASSERT_TRUE(comm_->Parameter().SetTempParam(1, 0, SysConfig() | 0x1000));
  ASSERT_TRUE(status.Enable(true));
  uint16_t word = 0;
  ASSERT_TRUE(status.ReadSysStatus(word));
  ASSERT_NE(word & StatusGroup::kDriveEnabledBit, 0);

  bool software = false;
  bool enabled = false;
  ASSERT_TRUE(status.SuspendEnable(software, enabled, true));
  EXPECT_TRUE(software);
  EXPECT_TRUE(enabled);
  EXPECT_EQ(host_.LastMessage(), "The ZEL will be disabled!");
  ASSERT_TRUE(status.ReadSysStatus(word));
  EXPECT_EQ(word & StatusGroup::kDriveEnabledBit, 0);

  ASSERT_TRUE(comm_->Parameter().SetTempParam(2, 0, 3000));
  host_.QueueYesNo(true);
  ASSERT_TRUE(status.ResumeEnable(software, enabled, true));
  ASSERT_TRUE(status.ReadSysStatus(word));
  EXPECT_NE(word & StatusGroup::kDriveEnabledBit, 0);
  EXPECT_EQ(Device().TempParameter(2), 3000);
}

TEST_F(CommandsSimTest, DriveAndMeasurements) {
  // Enable by software, set value from the command rather than the analog input (bit 0).
  ASSERT_TRUE(comm_->Parameter().SetTempParam(1, 0, (SysConfig() | 0x1000) & ~0x0001u));
  ASSERT_TRUE(comm_->Status().Enable(true));
  ASSERT_TRUE(comm_->Drive().SetVelocity(1000));
  Device().Advance(2s);

  int16_t actual = 0, demand = 0;
  ASSERT_TRUE(comm_->Measurement().ReadVelocityIsMust(0, actual, demand));
  EXPECT_EQ(demand, 1000);
  EXPECT_GT(actual, 500);

  int16_t d = 0, q = 0, amplitude = 0, angle = 0;
  ASSERT_TRUE(comm_->Measurement().ReadCurrentsWithRotorAngle(0, d, q, amplitude, angle));
  int32_t expectedAngle = 0;
  ASSERT_TRUE(Device().ReadParameter(132, expectedAngle));
  EXPECT_EQ(angle, static_cast<int16_t>(expectedAngle));

  int32_t position = 0, positionDemand = 0;
  ASSERT_TRUE(comm_->Measurement().ReadPositionIsMust(position, positionDemand));
  EXPECT_GT(position, 0);

  ASSERT_TRUE(comm_->Drive().ToggleStop());
  uint16_t status = 0;
  ASSERT_TRUE(comm_->Status().ReadSysStatus(status));
  EXPECT_NE(status & StatusGroup::kDriveStoppedBit, 0);
  ASSERT_TRUE(comm_->Drive().SetCurrent(200));
}

TEST_F(CommandsSimTest, RecorderUploadAndVariables) {
  RecorderGroup& recorder = comm_->Recorder();
  ASSERT_TRUE(recorder.SetupRecorder(10, 128));
  std::vector<uint16_t> words;
  ASSERT_TRUE(recorder.ReadRecordedData(0, 1000, words));
  EXPECT_EQ(words.size(), 256u);
  EXPECT_EQ(words.back(), Device().StatusWord());

  const std::vector<uint16_t> variables = {128, 137};
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(recorder.ReadVariables(variables, bytes));
  ASSERT_EQ(bytes.size(), 4u);
  EXPECT_EQ(bytes[0] | (bytes[1] << 8), Device().StatusWord());
}

TEST_F(CommandsSimTest, OlderIdentityWithCustomVersions) {
  sim::DeviceConfig device;
  device.identity = {0x1010, 0x0101, 0x0042, 0x0203};
  Start(device);
  uint16_t software = 0, hardware = 0, number = 0, version = 0;
  ASSERT_TRUE(comm_->Parameter().ReadVersion(software, hardware, number, version));
  EXPECT_EQ(software, 0x1010);
  EXPECT_EQ(hardware, 0x0101);
  EXPECT_EQ(number, 0x0042);
  EXPECT_EQ(version, 0x0203);
}

TEST_F(CommandsSimTest, MonitorThreadAndUserShareTheLine) {
  std::atomic<bool> stop{false};
  std::atomic<int> monitorFailures{0};
  std::thread monitor([&] {
    while (!stop) {
      uint16_t status = 0;
      if (!comm_->Status().ReadSysStatus(status)) ++monitorFailures;
    }
  });
  for (int i = 0; i < 20; ++i) {
    ASSERT_TRUE(comm_->Parameter().SetTempParam(2, 0, static_cast<uint32_t>(100 + i)));
    uint16_t value = 0;
    ASSERT_TRUE(comm_->Parameter().ReadTempParam(2, value));
    EXPECT_EQ(value, 100 + i);
  }
  // While the user's thread holds the line, the monitor fails at once.
  comm_->ClaimLink();
  const int before = monitorFailures;
  const auto deadline = std::chrono::steady_clock::now() + 2s;
  while (monitorFailures == before && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(1ms);
  }
  EXPECT_GT(monitorFailures, before);
  uint16_t value = 0;
  EXPECT_TRUE(comm_->Parameter().ReadTempParam(2, value));
  comm_->ReleaseLink();
  stop = true;
  monitor.join();
  EXPECT_EQ(value, 119);
}

}  // namespace
}  // namespace zel::link
