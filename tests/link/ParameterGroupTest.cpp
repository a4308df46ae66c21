#include <gtest/gtest.h>

#include <vector>

#include "link/ParameterGroup.h"
#include "link/ScriptedStack.h"

namespace zel::link {
namespace {

using Bytes = std::vector<uint8_t>;

class ParameterGroupTest : public ScriptedStackTest {
 protected:
  ParameterGroup& Parameters() { return comm_.Parameter(); }
};

TEST_F(ParameterGroupTest, ThirtyTwoBitReadSendsWidthOneAndTakesHighWordFirst) {
  line_.ExpectCommand(20, {12, 1}).SendReply(0, {0x1234, 0x5678});
  uint32_t value = 0;
  EXPECT_TRUE(Parameters().ReadTempParam(12, 1, value));
  EXPECT_EQ(value, 0x12345678u);
  const Bytes wire = Wire();
  const Bytes frame = Command(20, {12, 1});
  ASSERT_EQ(frame.size(), 8u);
  EXPECT_EQ(Bytes(frame.begin(), frame.begin() + 6), (Bytes{0x14, 0x01, 0x0C, 0x00, 0x01, 0x00}));
  EXPECT_EQ(Bytes(wire.begin(), wire.begin() + 8), frame);
}

TEST_F(ParameterGroupTest, SixteenBitReadZeroExtends) {
  line_.ExpectCommand(20, {12, 0}).SendReply(0, {0xFFFE});
  line_.ExpectCommand(20, {1, 0}).SendReply(0, {0x5001});
  uint32_t wide = 0xFFFFFFFF;
  uint16_t word = 0;
  EXPECT_TRUE(Parameters().ReadTempParam(12, 0, wide));
  EXPECT_TRUE(Parameters().ReadTempParam(1, word));
  EXPECT_EQ(wide, 0xFFFEu);
  EXPECT_EQ(word, 0x5001);
}

TEST_F(ParameterGroupTest, ThirtyTwoBitWriteGoesLowWordFirst) {
  line_.AcceptCommand({});  // checked below, byte for byte
  EXPECT_TRUE(Parameters().SetTempParam(14, 1, 0x12345678));
  const Bytes wire = Wire();
  ASSERT_GE(wire.size(), 10u);
  EXPECT_EQ(Bytes(wire.begin(), wire.begin() + 10),
            (Bytes{0x15, 0x03, 0x0E, 0x00, 0x01, 0x00, 0x78, 0x56, 0x34, 0x12}));

  line_.ExpectCommand(21, {5, 0, 0x1234});
  EXPECT_TRUE(Parameters().SetTempParam(5, 0, 0xABCD1234));
}

TEST_F(ParameterGroupTest, WholeBlockBothWays) {
  parameters::SystemParameterBlock block;
  std::vector<uint16_t> words;
  for (int i = 0; i < 42; ++i) {
    block.words[i] = static_cast<uint16_t>(0x100 + i);
    words.push_back(block.words[i]);
  }
  line_.ExpectCommand(25, words);
  line_.ExpectCommand(24, {0}).SendReply(0, words);
  EXPECT_TRUE(Parameters().WriteAllTempParam(block));
  parameters::SystemParameterBlock read;
  EXPECT_TRUE(Parameters().ReadAllTempParam(read));
  EXPECT_EQ(read, block);
}

TEST_F(ParameterGroupTest, EepromCommandsCarryNoArguments) {
  line_.ExpectCommand(22, {0});
  line_.ExpectCommand(23, {0});
  EXPECT_TRUE(Parameters().ResetTempParam());
  EXPECT_TRUE(Parameters().SaveTempParam());
}

TEST_F(ParameterGroupTest, VersionOfAnOlderZelReadsZeroApplicationWords) {
  line_.ExpectCommand(26, {0}).SendReply(0, {0x1043, 0x0002, 0x0007, 0x0001});
  line_.ExpectCommand(26, {0}).SendReply(0, {0x0F10, 0x0003});
  uint16_t software = 0, hardware = 0, number = 0, version = 0;
  EXPECT_TRUE(Parameters().ReadVersion(software, hardware, number, version));
  EXPECT_EQ(number, 7);
  EXPECT_TRUE(Parameters().ReadVersion(software, hardware, number, version));
  EXPECT_EQ(software, 0x0F10);
  EXPECT_EQ(hardware, 0x0003);
  EXPECT_EQ(number, 0);
  EXPECT_EQ(version, 0);
}

TEST_F(ParameterGroupTest, QuitServiceModeClearsOnlyTheServiceBit) {
  ScriptReadSysConfig(0x5003);
  line_.ExpectCommand(21, {1, 0, 0x1003});
  EXPECT_TRUE(Parameters().QuitServiceMode());

  // No write when SysConfig could not be read.
  line_.ExpectCommand(20, {1, 0}).SendReply(0x05, {0});
  EXPECT_FALSE(Parameters().QuitServiceMode());
}

}  // namespace
}  // namespace zel::link
