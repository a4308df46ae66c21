#include <gtest/gtest.h>

#include <vector>

#include "link/DriveGroup.h"
#include "link/MeasurementGroup.h"
#include "link/ScriptedStack.h"

namespace zel::link {
namespace {

using Bytes = std::vector<uint8_t>;

class MeasurementGroupTest : public ScriptedStackTest {
 protected:
  MeasurementGroup& Measurement() { return comm_.Measurement(); }

  // Definitions holding count system parameters.
  void UseSystemDefinitions(int count) {
    parameters::CParameterTable& table = comm_.Definitions();
    table.Clear();
    for (int i = 0; i < count; ++i) {
      table.AddSystem(static_cast<int16_t>(i), 0, 2, "InternalParam", "", 0, 0, 32767, 1, 0);
    }
    table.AddStatus(132, 0, 0, "RotorAngle", "", 0, -32768, 32767, 1, 0);
  }
};

TEST_F(MeasurementGroupTest, VelocityAndPosition) {
  line_.ExpectCommand(40, {0}).SendReply(0, {0xFC18, 0x03E8});
  // 32-bit values arrive high word first.
  line_.ExpectCommand(42, {0}).SendReply(0, {0xFFFF, 0xFF00, 0x0001, 0x0000});
  int16_t actual = 0, demand = 0;
  EXPECT_TRUE(Measurement().ReadVelocityIsMust(0, actual, demand));
  EXPECT_EQ(actual, -1000);
  EXPECT_EQ(demand, 1000);
  int32_t position = 0, positionDemand = 0;
  EXPECT_TRUE(Measurement().ReadPositionIsMust(position, positionDemand));
  EXPECT_EQ(position, -256);
  EXPECT_EQ(positionDemand, 65536);
}

TEST_F(MeasurementGroupTest, OlderFirmwareSendsTheRotorAngleAsFourthWord) {
  UseSystemDefinitions(37);
  line_.ExpectCommand(41, {0}).SendReply(0, {10, 20, 30, 40});
  int16_t d = 0, q = 0, amplitude = 0, angle = 0;
  EXPECT_TRUE(Measurement().ReadCurrentIsMust(0, d, q, amplitude, angle));
  EXPECT_EQ(d, 10);
  EXPECT_EQ(q, 20);
  EXPECT_EQ(amplitude, 30);
  EXPECT_EQ(angle, 40);
}

TEST_F(MeasurementGroupTest, NewerFirmwareBindsThreeAndTakesTheAngleFromStatusValue132) {
  UseSystemDefinitions(38);
  line_.ExpectCommand(41, {0}).SendReply(0, {10, 20, 30, 40});
  int16_t d = 0, q = 0, amplitude = 0, angle = -7;
  EXPECT_TRUE(Measurement().ReadCurrentIsMust(0, d, q, amplitude, angle));
  EXPECT_EQ(amplitude, 30);
  EXPECT_EQ(angle, -7);  // a fourth word is not the rotor angle any more

  line_.ExpectCommand(41, {0}).SendReply(0, {1, 2, 3});
  line_.ExpectCommand(20, {132, 0}).SendReply(0, {0x0123});
  EXPECT_TRUE(Measurement().ReadCurrentsWithRotorAngle(0, d, q, amplitude, angle));
  EXPECT_EQ(angle, 0x0123);

  // Older firmware too: the angle read afterwards wins over the fourth word.
  UseSystemDefinitions(30);
  line_.ExpectCommand(41, {0}).SendReply(0, {1, 2, 3, 99});
  line_.ExpectCommand(20, {132, 0}).SendReply(0, {55});
  EXPECT_TRUE(Measurement().ReadCurrentsWithRotorAngle(0, d, q, amplitude, angle));
  EXPECT_EQ(angle, 55);

  // A failed current read sends nothing further.
  line_.ExpectCommand(41, {0}).SendReply(0x05, {0});
  EXPECT_FALSE(Measurement().ReadCurrentsWithRotorAngle(0, d, q, amplitude, angle));
}

TEST_F(MeasurementGroupTest, DriveSetValuesAndStop) {
  line_.AcceptCommand({0x21, 0x00, 0xE8, 0x03, 0x8F, 0x68});
  line_.ExpectCommand(33, {0xFFFF});
  line_.ExpectCommand(34, {500});
  line_.ExpectCommand(35, {0});
  DriveGroup& drive = comm_.Drive();
  EXPECT_TRUE(drive.SetVelocity(1000));
  EXPECT_TRUE(drive.SetVelocity(-1));
  EXPECT_TRUE(drive.SetCurrent(500));
  EXPECT_TRUE(drive.ToggleStop());
}

}  // namespace
}  // namespace zel::link
