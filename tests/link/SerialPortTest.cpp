#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "link/CommSettings.h"
#include "link/ResultCodes.h"
#include "link/SerialPort.h"
#include "support/ScriptedChannel.h"

namespace zel::link {
namespace {

using test::ScriptedChannel;

TEST(SerialPortNamesTest, OnlyComOneToTenMapToDevices) {
  EXPECT_EQ(SerialPort::DeviceNameFor("Com1"), "COM1");
  EXPECT_EQ(SerialPort::DeviceNameFor("Com10"), "COM10");
  EXPECT_EQ(SerialPort::DeviceNameFor("COM3"), "COM3");
  EXPECT_EQ(SerialPort::DeviceNameFor("COM10"), "COM10");
  for (const char* name : {"Port3", "Com0", "Com11", "Com01", "com1", "cOM1", "Com", "Com1 ",
                           "Com-1", "Com+1", "Com1x", "", "COM100"}) {
    EXPECT_EQ(SerialPort::DeviceNameFor(name), "") << name;
  }
}

TEST(CommSettingsTest, DefaultsAndCopy) {
  const CommSettings defaults;
  EXPECT_EQ(defaults.transmitTrials, 4);
  EXPECT_EQ(defaults.timeoutMs, 100);
  EXPECT_EQ(defaults.baudRate, 38400);
  EXPECT_EQ(defaults.portName, "Com1");
  EXPECT_EQ(defaults.spare, 0);
  CommSettings edited{2, 250, 9600, "Com7", -5};
  CommSettings copy = defaults;
  copy = edited;
  EXPECT_EQ(copy, edited);  // the spare travels with the record
  EXPECT_NE(copy, defaults);
}

class SerialPortTest : public ::testing::Test {
 protected:
  ScriptedChannel line_;
  SerialPort port_{line_.Opener()};
};

TEST_F(SerialPortTest, OpenHandsTheDeviceNameAndBaudToTheOpener) {
  EXPECT_EQ(port_.Open(57600, "COM3", 250, 2), result::kOk);
  EXPECT_TRUE(port_.IsOpen());
  EXPECT_EQ(line_.LastDeviceName(), "COM3");
  EXPECT_EQ(line_.LastBaud(), 57600);
  EXPECT_EQ(port_.Timeout(), 250);
  EXPECT_EQ(port_.Trials(), 2);
}

TEST_F(SerialPortTest, UnknownNameFailsWithoutTouchingAnyDevice) {
  EXPECT_EQ(port_.Open(38400, "Port3", 100, 4), result::kOpenFailed);
  EXPECT_FALSE(port_.IsOpen());
  EXPECT_EQ(line_.OpenCount(), 0);
  EXPECT_EQ(line_.LastDeviceName(), "");
}

TEST_F(SerialPortTest, FailedOpenKeepsTAndNAndLeavesThePortClosed) {
  for (uint8_t code : {result::kOpenFailed, result::kConfigFailed, result::kGetSettingsFailed}) {
    SCOPED_TRACE(static_cast<int>(code));
    line_.SetOpenResult(code);
    EXPECT_EQ(port_.Open(38400, "Com2", 321, 7), code);
    EXPECT_FALSE(port_.IsOpen());
    EXPECT_EQ(port_.Timeout(), 321);
    EXPECT_EQ(port_.Trials(), 7);
    uint8_t byte = 0;
    EXPECT_EQ(port_.ReadByte(&byte, 0), result::kNotOpen);
    EXPECT_EQ(port_.WriteBytes(&byte, 1), result::kNotOpen);
    EXPECT_EQ(port_.Purge(), result::kNotOpen);
  }
  EXPECT_TRUE(line_.Written().empty());
}

TEST_F(SerialPortTest, ReopenClosesFirstAndUsesTheNewBaudRate) {
  ASSERT_EQ(port_.Open(38400, "Com1", 100, 4), result::kOk);
  // The scripted line is held exclusively, like a real one: this only works if the first
  // channel is closed before the second is opened.
  ASSERT_EQ(port_.Open(9600, "Com1", 100, 4), result::kOk);
  EXPECT_EQ(line_.OpenCount(), 2);
  EXPECT_EQ(line_.LastBaud(), 9600);
  EXPECT_TRUE(line_.IsOpen());

  // A second port on the same line is turned away and stays closed.
  SerialPort other(line_.Opener());
  EXPECT_EQ(other.Open(38400, "Com1", 100, 4), result::kOpenFailed);
  EXPECT_FALSE(other.IsOpen());
  uint8_t byte = 0;
  EXPECT_EQ(other.ReadByte(&byte, 1000), result::kNotOpen);
  EXPECT_EQ(line_.NowMs(), 0);  // and did not wait for anything

  // A failed re-open leaves the port closed, not open on the old line.
  EXPECT_EQ(port_.Open(38400, "Port3", 100, 4), result::kOpenFailed);
  EXPECT_FALSE(port_.IsOpen());
  EXPECT_FALSE(line_.IsOpen());
}

TEST_F(SerialPortTest, CloseOnAClosedPortGives0x87) {
  EXPECT_EQ(port_.Close(), result::kCloseFailed);
  ASSERT_EQ(port_.Open(38400, "Com1", 100, 4), result::kOk);
  EXPECT_EQ(port_.Close(), result::kOk);
  EXPECT_FALSE(line_.IsOpen());
  EXPECT_EQ(port_.Close(), result::kCloseFailed);
}

TEST_F(SerialPortTest, ReadByteWaitsTPlusCThenGives0x0E) {
  ASSERT_EQ(port_.Open(38400, "Com1", 100, 4), result::kOk);
  uint8_t byte = 0xAA;
  EXPECT_EQ(port_.ReadByte(&byte, 1000), result::kNoByte);
  EXPECT_EQ(line_.NowMs(), 1100);
  EXPECT_EQ(port_.ReadByte(&byte, 0), result::kNoByte);
  EXPECT_EQ(line_.NowMs(), 1200);

  line_.Pause(1099).Send(0x5A);
  EXPECT_EQ(port_.ReadByte(&byte, 1000), result::kOk);
  EXPECT_EQ(byte, 0x5A);
  EXPECT_EQ(line_.NowMs(), 1200 + 1099);
}

TEST_F(SerialPortTest, TimeoutsNeverMeanWaitForever) {
  // T = 0 and c = 0 would block indefinitely on some platforms; here they mean "take what is
  // there", so a silent ZEL costs nothing and a byte already waiting is still delivered.
  ASSERT_EQ(port_.Open(38400, "Com1", 0, 4), result::kOk);
  uint8_t byte = 0;
  EXPECT_EQ(port_.ReadByte(&byte, 0), result::kNoByte);
  EXPECT_EQ(line_.NowMs(), 0);
  line_.Send(0x42);
  EXPECT_EQ(port_.ReadByte(&byte, 0), result::kOk);
  EXPECT_EQ(byte, 0x42);

  // A negative T from a damaged settings file behaves like 0 plus the allowance.
  ASSERT_EQ(port_.Open(38400, "Com1", -50, 4), result::kOk);
  EXPECT_EQ(port_.ReadByte(&byte, 30), result::kNoByte);
  EXPECT_EQ(line_.NowMs(), 30);
}

TEST_F(SerialPortTest, LargeTimeoutsDoNotOverflow) {
  ASSERT_EQ(port_.Open(38400, "Com1", INT32_MAX, 4), result::kOk);
  uint8_t byte = 0;
  EXPECT_EQ(port_.ReadByte(&byte, INT32_MAX), result::kNoByte);
  EXPECT_EQ(line_.NowMs(), int64_t{INT32_MAX} * 2);
}

TEST_F(SerialPortTest, WriteAndPurge) {
  ASSERT_EQ(port_.Open(38400, "Com1", 100, 4), result::kOk);
  const std::vector<uint8_t> bytes{1, 2, 3};
  EXPECT_EQ(port_.WriteBytes(bytes.data(), 3), result::kOk);
  EXPECT_EQ(port_.WriteBytes(bytes.data(), 0), result::kOk);
  EXPECT_EQ(port_.WriteBytes(nullptr, 3), result::kNotOpen);
  EXPECT_EQ(port_.WriteBytes(bytes.data(), -1), result::kNotOpen);
  EXPECT_EQ(line_.Written(), bytes);
  line_.SetWriteFails(true);
  EXPECT_EQ(port_.WriteBytes(bytes.data(), 3), result::kWriteFailed);

  line_.Send({9, 9, 9});
  EXPECT_EQ(port_.Purge(), result::kOk);
  EXPECT_EQ(line_.PendingInput(), 0);
  line_.SetPurgeFails(true);
  EXPECT_EQ(port_.Purge(), result::kConfigFailed);

  uint8_t byte = 0;
  EXPECT_EQ(port_.ReadByte(nullptr, 0), result::kNotOpen);
  line_.SetReadFails(true);
  EXPECT_EQ(port_.ReadByte(&byte, 0), result::kReadFailed);
}

}  // namespace
}  // namespace zel::link
