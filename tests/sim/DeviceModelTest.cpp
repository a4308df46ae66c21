#include "sim/DeviceModel.h"

#include <gtest/gtest.h>

#include <cmath>

namespace zel::sim {
namespace {

using Words = std::vector<uint16_t>;
using std::chrono::milliseconds;

constexpr uint8_t kReadStatus = 1, kReadError = 2, kClearError = 3, kResetSoftware = 4, kEnable = 5,
                  kService = 16, kSetAddr = 17, kReadAddr = 18, kReadTemp = 20, kSetTemp = 21,
                  kResetTemp = 22, kSaveTemp = 23, kReadAll = 24, kWriteAll = 25, kSetVelocity = 33,
                  kSetCurrent = 34, kToggleStop = 35, kReadVelocity = 40, kReadCurrent = 41,
                  kReadPosition = 42, kSetupRecorder = 48, kUpload = 49, kReadVariables = 50;

// The password "ZELS" as the tool packs it: one byte each, first character in the low byte.
const Words kPassword = {'Z' | ('E' << 8), 'L' | ('S' << 8)};

class DeviceModelTest : public ::testing::Test {
 protected:
  CommandResult Run(uint8_t opcode, Words words = {0}) { return device_.Execute(opcode, words); }
  Words Reply(uint8_t opcode, Words words = {0}) {
    CommandResult result = Run(opcode, std::move(words));
    EXPECT_TRUE(result.hasReply);
    EXPECT_EQ(result.replyCode, DeviceModel::kReplyOk) << "opcode " << int(opcode);
    return result.words;
  }
  uint16_t Status() { return Reply(kReadStatus)[0]; }
  void EnterService() { ASSERT_EQ(Reply(kService, kPassword), Words{0x004F}); }
  // Set value and enable by software, speed regulation.
  void SoftwareDriven(uint16_t extraConfig = 0) {
    Run(kSetTemp, {1, 0, static_cast<uint16_t>(0x1000 | extraConfig)});
    Run(kEnable, {1});
  }

  DeviceModel device_;
};

TEST_F(DeviceModelTest, TemporaryParametersReadInBothWidths) {
  EXPECT_EQ(Reply(kReadTemp, {17, 0}), Words{25000});
  // The speed gains as the works leave them lie within the maxima the ZEL reports for them
  // (parameter 9 for P, 7 for I), as a regulation view shows them.
  EXPECT_LE(Reply(kReadTemp, {5, 0})[0], Reply(kReadTemp, {9, 0})[0]);
  EXPECT_LE(Reply(kReadTemp, {6, 0})[0], Reply(kReadTemp, {7, 0})[0]);
  Run(kSetTemp, {12, 0, static_cast<uint16_t>(-5)});
  // Width 1 replies high word first; a signed 16-bit value is sign-extended.
  EXPECT_EQ(Reply(kReadTemp, {12, 1}), (Words{0xFFFF, 0xFFFB}));
  // An unsigned one is not.
  Run(kSetTemp, {20, 0, 60000});
  EXPECT_EQ(Reply(kReadTemp, {20, 1}), (Words{0x0000, 60000}));
  // Width 1 in a command is packed low word first.
  Run(kSetTemp, {20, 1, 0x1000, 0x0000});
  EXPECT_EQ(device_.TempParameter(20), 0x1000);
  // Status values read through the same command.
  EXPECT_EQ(Reply(kReadTemp, {128, 0}), Words{Status()});
}

TEST_F(DeviceModelTest, RefusedParameterAccessChangesNothing) {
  // Unknown number or width: the reply code says so.
  EXPECT_EQ(Run(kReadTemp, {50, 0}).replyCode, DeviceModel::kReplyRejected);
  EXPECT_EQ(Run(kReadTemp, {12, 2}).replyCode, DeviceModel::kReplyRejected);
  EXPECT_EQ(Run(kReadTemp, {12}).replyCode, DeviceModel::kReplyRejected);
  // Writes cannot answer, so invalid ones are ignored: above the limit, a 32-bit value out of a
  // 16-bit range, a service parameter outside service mode, a short frame.
  Run(kSetTemp, {17, 0, 25001});
  Run(kSetTemp, {17, 1, 0x0000, 0x0001});
  Run(kSetTemp, {4, 0, 100});
  Run(kSetTemp, {17, 1, 100});
  EXPECT_EQ(device_.TempParameter(17), 25000);
  EXPECT_EQ(device_.TempParameter(4), 32512);
  EnterService();
  Run(kSetTemp, {4, 0, 100});
  EXPECT_EQ(device_.TempParameter(4), 100);
}

TEST_F(DeviceModelTest, SaveResetAndSoftwareResetMoveParametersBetweenRamAndEeprom) {
  Run(kSetTemp, {2, 0, 100});
  Run(kResetTemp);
  EXPECT_EQ(device_.TempParameter(2), 3057);  // reloaded from the EEPROM

  Run(kSetTemp, {2, 0, 100});
  Run(kSaveTemp);
  Run(kSetTemp, {2, 0, 200});
  EXPECT_EQ(device_.EepromParameter(2), 100);
  Run(kResetTemp);
  EXPECT_EQ(device_.TempParameter(2), 100);

  // Service mode is never stored, and a software reset ends it together with the enable.
  EnterService();
  SoftwareDriven(0x4000);
  Run(kSaveTemp);
  EXPECT_EQ(device_.EepromParameter(1) & 0x4000, 0);
  Run(kSetTemp, {2, 0, 300});
  Run(kResetSoftware);
  EXPECT_EQ(device_.TempParameter(2), 100);
  EXPECT_FALSE(device_.InServiceMode());
  EXPECT_FALSE(device_.SoftwareEnable());
  EXPECT_EQ(Status() & DeviceModel::kStatusEnabled, 0);
}

TEST_F(DeviceModelTest, ReadAllAndWriteAllExchangeTheWholeBlock) {
  Words block = Reply(kReadAll);
  ASSERT_EQ(block.size(), 42u);
  for (int i = 0; i < 42; ++i) EXPECT_EQ(block[i], DeviceModel::DefaultParameter(i)) << i;
  EXPECT_EQ(block[20], 500);
  EXPECT_EQ(block[29], 32768);

  block[5] = 4000;    // taken
  block[14] = 30000;  // above PeakCurrent's limit: keeps its value
  block[22] = 1;      // service parameter outside service mode: keeps its value
  Run(kWriteAll, block);
  Words after = Reply(kReadAll);
  EXPECT_EQ(after[5], 4000);
  EXPECT_EQ(after[14], 15000);
  EXPECT_EQ(after[22], 960);

  // A block that is too short is not half-written.
  Words shortBlock(after.begin(), after.begin() + 41);
  shortBlock[5] = 1;
  Run(kWriteAll, shortBlock);
  EXPECT_EQ(device_.TempParameter(5), 4000);
}

TEST_F(DeviceModelTest, OnlyThePasswordOpensServiceMode) {
  EXPECT_EQ(Reply(kService, {'Z' | ('E' << 8), 'L' | ('X' << 8)}), Words{0x0046});
  // Reversed byte order inside the words is a different password.
  EXPECT_EQ(Reply(kService, {'E' | ('Z' << 8), 'S' | ('L' << 8)}), Words{0x0046});
  EXPECT_FALSE(device_.InServiceMode());
  // Writing SysConfig cannot set the service bit.
  Run(kSetTemp, {1, 0, 0x4001});
  EXPECT_EQ(device_.TempParameter(1), 0x0001);

  EnterService();
  EXPECT_EQ(device_.TempParameter(1), 0x4001);
  // Quitting service mode is a plain write with bit 14 clear.
  Run(kSetTemp, {1, 0, 0x0001});
  EXPECT_FALSE(device_.InServiceMode());
}

TEST_F(DeviceModelTest, AddressVariablesReadAnyTimeButWrittenOnlyInServiceMode) {
  EXPECT_EQ(Reply(kReadAddr, {0x0307, 0}), Words{25000});  // MaxSpeed, outside service mode
  EXPECT_EQ(Reply(kSetAddr, {0x2000, 0, 0x1234})[0] & 0xFF, 'F');
  EXPECT_EQ(Reply(kReadAddr, {0x2000, 0}), Words{0});

  EnterService();
  EXPECT_EQ(Reply(kSetAddr, {0x2000, 0, 0x1234})[0] & 0xFF, 'O');
  EXPECT_EQ(Reply(kReadAddr, {0x2000, 0}), Words{0x1234});
  // 32-bit: written low word first, kept low word at the lower address, read high word first.
  EXPECT_EQ(Reply(kSetAddr, {0x2010, 1, 0x5678, 0x1234})[0], 0x004F);
  EXPECT_EQ(device_.Memory(0x2010), 0x5678);
  EXPECT_EQ(device_.Memory(0x2011), 0x1234);
  EXPECT_EQ(Reply(kReadAddr, {0x2010, 1}), (Words{0x1234, 0x5678}));
  EXPECT_EQ(Run(kReadAddr, {0x2010, 3}).replyCode, DeviceModel::kReplyRejected);
}

TEST_F(DeviceModelTest, ParameterAddressesReachTheParameters) {
  EnterService();
  EXPECT_EQ(Reply(kReadAddr, {0x0307, 0}), Words{25000});  // MaxSpeed
  EXPECT_EQ(Reply(kSetAddr, {0x0328, 0, 42})[0], 0x004F);  // SettingUnitOffset
  EXPECT_EQ(device_.TempParameter(12), 42);
  // Limits hold here too, and read-only status values refuse.
  EXPECT_EQ(Reply(kSetAddr, {0x0307, 0, 30000})[0], 0x0046);
  EXPECT_EQ(Reply(kSetAddr, {0x03B0, 0, 5})[0], 0x0046);
  EXPECT_EQ(Reply(kReadAddr, {0x03A9, 0}), Words{Status()});
  // PosSetValue's two words, as one 32-bit variable.
  EXPECT_EQ(Reply(kSetAddr, {0x03B6, 1, 0x0002, 0x0001})[0], 0x004F);
  EXPECT_EQ(Reply(kReadAddr, {0x03B6, 1}), (Words{0x0001, 0x0002}));
  EXPECT_EQ(Reply(kReadTemp, {135, 1}), (Words{0x0001, 0x0002}));
}

TEST_F(DeviceModelTest, EnableFollowsTheInputOrTheSoftwareAndStopToggles) {
  // SysConfig 1 by default: the digital input (on) enables.
  EXPECT_EQ(Status() & 0xC400, 0xC000);
  Run(kEnable, {0});  // ignored while the input decides
  EXPECT_NE(Status() & DeviceModel::kStatusEnabled, 0);
  device_.SetEnableInput(false);
  EXPECT_EQ(Status() & DeviceModel::kStatusEnabled, 0);

  Run(kSetTemp, {1, 0, 0x1001});
  EXPECT_EQ(Status() & DeviceModel::kStatusEnabled, 0);
  Run(kEnable, {1});
  EXPECT_EQ(Status() & 0xC400, 0xC400);
  Run(kEnable, {7});  // neither 0 nor 1: ignored
  EXPECT_NE(Status() & DeviceModel::kStatusEnabled, 0);

  Run(kToggleStop);
  EXPECT_NE(Status() & DeviceModel::kStatusStopped, 0);
  Run(kToggleStop);
  EXPECT_EQ(Status() & DeviceModel::kStatusStopped, 0);
}

TEST_F(DeviceModelTest, ErrorWordCarriesItsSummaryBitAndStopsThePowerStage) {
  EXPECT_EQ(Reply(kReadError), Words{0});
  device_.RaiseError(2);
  device_.RaiseError(0);
  EXPECT_EQ(Reply(kReadError), Words{0x8005});
  EXPECT_EQ(Reply(kReadTemp, {137, 0}), Words{0x8005});
  EXPECT_EQ(Status() & DeviceModel::kStatusPowerStage, 0);
  device_.RaiseCanError(1);
  EXPECT_EQ(Reply(kReadTemp, {138, 0}), Words{0x8002});
  Run(kClearError);
  EXPECT_EQ(Reply(kReadError), Words{0});
  EXPECT_NE(Status() & DeviceModel::kStatusPowerStage, 0);
}

TEST_F(DeviceModelTest, SpeedFollowsTheSetValueWithALag) {
  SoftwareDriven();
  Run(kSetVelocity, {1000});
  device_.Advance(milliseconds(50));  // one time constant
  Words velocity = Reply(kReadVelocity);
  EXPECT_NEAR(static_cast<int16_t>(velocity[0]), 632, 3);
  EXPECT_EQ(velocity[1], 1000);
  // Accelerating takes current beyond the load.
  EXPECT_GT(static_cast<int16_t>(Reply(kReadCurrent)[1]), 200);

  device_.Advance(milliseconds(1000));
  EXPECT_EQ(Reply(kReadVelocity)[0], 1000);
  EXPECT_EQ(Reply(kReadTemp, {134, 0}), Words{1000});
  Words current = Reply(kReadCurrent);
  ASSERT_EQ(current.size(), 4u);
  EXPECT_EQ(current[1], 100);   // steady: only the load
  EXPECT_LT(current[3], 2000);  // rotor angle within one turn of 4 x 500 counts

  // Negative set values and the maximum speed limit.
  Run(kSetTemp, {17, 0, 800});
  Run(kSetVelocity, {static_cast<uint16_t>(-3000)});
  device_.Advance(milliseconds(1000));
  EXPECT_EQ(static_cast<int16_t>(Reply(kReadVelocity)[0]), -800);

  // A stop brakes to standstill.
  Run(kToggleStop);
  device_.Advance(milliseconds(1000));
  EXPECT_EQ(Reply(kReadVelocity)[0], 0);
}

TEST_F(DeviceModelTest, SetValueSourceAndRegulationModeFollowSysConfig) {
  // SysConfig bit 0 (analog input) set by default: SetVelocity does not drive the motor.
  Run(kSetVelocity, {1000});
  device_.SetAnalogSetValue(300);
  device_.Advance(milliseconds(1000));
  EXPECT_EQ(Reply(kReadVelocity)[0], 300);

  // Current regulation: the Q-axis current follows SetCurrent and the motor speeds up.
  SoftwareDriven(0x0004);
  Run(kSetCurrent, {500});
  device_.Advance(milliseconds(20));
  EXPECT_EQ(Reply(kReadTemp, {130, 0}), Words{500});
  EXPECT_GT(static_cast<int16_t>(Reply(kReadVelocity)[0]), 300);
}

TEST_F(DeviceModelTest, PositionCountsQuadratureEdgesHighWordFirst) {
  SoftwareDriven();
  Run(kSetVelocity, {3000});
  device_.Advance(milliseconds(2000));
  Words position = Reply(kReadPosition);
  ASSERT_EQ(position.size(), 4u);
  int32_t actual = static_cast<int32_t>((position[0] << 16) | position[1]);
  int32_t demand = static_cast<int32_t>((position[2] << 16) | position[3]);
  // 3000 rpm for 2 s at 2000 counts a turn is 200000 counts; the lag costs 0.05 s of it.
  EXPECT_NEAR(actual, 195000, 200);
  EXPECT_NEAR(demand, 200000, 10);
  EXPECT_GT(position[0], 0);  // the value really needs the high word
}

TEST_F(DeviceModelTest, RecorderSamplesTheChosenVariableAtItsPeriod) {
  SoftwareDriven();
  Run(kSetupRecorder, {10, 134});  // 1 ms, SpeedDetValue
  Words upload = Reply(kUpload, {1000});
  ASSERT_EQ(upload.size(), 256u);
  EXPECT_EQ(upload[0], 0);
  EXPECT_NEAR(upload[50], 632, 15);  // 50 ms after the jump: one time constant
  for (std::size_t i = 1; i < upload.size(); ++i) EXPECT_GE(upload[i], upload[i - 1]);
  EXPECT_EQ(device_.Now(), milliseconds(256));

  // A 32-bit variable: 128 samples, low word first.
  device_.Advance(milliseconds(1000));
  Run(kSetupRecorder, {10, 136});
  upload = Reply(kUpload, {0});
  ASSERT_EQ(upload.size(), 256u);
  uint32_t first = upload[0] | (upload[1] << 16);
  uint32_t last = upload[254] | (upload[255] << 16);
  EXPECT_NEAR(static_cast<double>(last - first), 127 * 1000.0 * 2000 / 60000, 5);

  // A period of 0 is refused and the previous set-up stays.
  Run(kSetupRecorder, {0, 134});
  EXPECT_EQ(Reply(kUpload, {0}).size(), 256u);
}

TEST_F(DeviceModelTest, ReadVariablesPacksBytesByWidth) {
  Run(kSetTemp, {12, 0, 0x1234});
  EnterService();
  Run(kSetAddr, {0x2000, 0, 0xABCD});
  Run(kSetAddr, {0x03B6, 1, 0x0708, 0x0506});
  // SettingUnitOffset (2 bytes), PosSetValue (4 bytes), a memory word (2 bytes).
  EXPECT_EQ(Reply(kReadVariables, {3, 12, 135, 0x2000}), (Words{0x1234, 0x0708, 0x0506, 0xABCD}));
  // The reply holds at most 256 bytes: 128 two-byte variables fit, 129 do not.
  Words exactly(129, 12);
  exactly[0] = 128;
  EXPECT_EQ(Reply(kReadVariables, exactly).size(), 128u);
  Words tooMany(130, 12);
  tooMany[0] = 129;
  EXPECT_EQ(Run(kReadVariables, tooMany).replyCode, DeviceModel::kReplyRejected);
  EXPECT_EQ(Run(kReadVariables, {3, 12}).replyCode, DeviceModel::kReplyRejected);
  EXPECT_EQ(Run(kReadVariables, {0}).replyCode, DeviceModel::kReplyRejected);
}

TEST_F(DeviceModelTest, IdentityAndUnknownOpcodes) {
  DeviceConfig config;
  config.identity = {0x1021, 0x0300, 0x0005, 0x0200};
  DeviceModel custom(config);
  EXPECT_EQ(custom.Execute(26, Words{0}).words, (Words{0x1021, 0x0300, 0x0005, 0x0200}));
  // The CAN error word is read with its own opcode only after 0x1000.
  EXPECT_EQ(custom.Execute(67, Words{0}).words, (Words{0}));
  DeviceConfig old;
  old.identity.softwareVersion = 0x1000;
  EXPECT_EQ(DeviceModel(old).Execute(67, Words{0}).replyCode, DeviceModel::kReplyRejected);
  EXPECT_FALSE(Run(73).hasReply);
  EXPECT_FALSE(Run(kSetTemp, {1, 0, 1}).hasReply);
}

}  // namespace
}  // namespace zel::sim
