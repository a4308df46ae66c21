#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "link/ScriptedStack.h"
#include "link/ServiceGroup.h"

namespace zel::link {
namespace {

using Strings = std::vector<std::string>;

class ServiceGroupTest : public ScriptedStackTest {
 protected:
  void SetUp() override {
    ScriptedStackTest::SetUp();
    Service().SetShowFlag(true);
  }
  ServiceGroup& Service() { return comm_.Service(); }
};

TEST_F(ServiceGroupTest, PasswordGoesOutOneByteEachInTypedOrder) {
  // "ZELS": 'Z' 'E' in the first word, 'L' 'S' in the second.
  line_.ExpectCommand(16, {0x455A, 0x534C}).SendReply(0, {0x004F});
  line_.ExpectCommand(16, {0x4241, 0x4443}).SendReply(0, {0x0046});
  uint16_t answer = 0;
  EXPECT_TRUE(Service().Service("ZELS", answer));
  EXPECT_EQ(answer, 0x004F);
  // A wrong password is a successful exchange with another answer.
  EXPECT_TRUE(Service().Service("ABCD", answer));
  EXPECT_EQ(answer, 0x0046);
  EXPECT_EQ(host_.Messages(), (Strings{"The password is correct!\nYou are in service mode now!",
                                       "The password is NOT correct!"}));
}

TEST_F(ServiceGroupTest, PasswordOfWrongLengthIsNeverSent) {
  uint16_t answer = 0x1111;
  EXPECT_FALSE(Service().Service("ZELSX", answer));
  EXPECT_FALSE(Service().Service("ZEL", answer));
  EXPECT_FALSE(Service().Service("", answer));
  EXPECT_TRUE(Wire().empty());
  EXPECT_EQ(answer, 0x1111);
  EXPECT_EQ(host_.Messages(), (Strings{"The communication failed!", "The password is too short!",
                                       "The password is too short!"}));
}

TEST_F(ServiceGroupTest, FailedExchangeSaysTheCommunicationFailed) {
  line_.ExpectCommand(16, {0x455A, 0x534C});
  uint16_t answer = 0;
  EXPECT_FALSE(Service().Service("ZELS", answer));
  EXPECT_EQ(host_.Messages(), Strings{"The communication failed!"});
}

TEST_F(ServiceGroupTest, AddressVariableWidthsOnTheWire) {
  line_.ExpectCommand(18, {0x0300, 0}).SendReply(0, {0xFFFE});
  line_.ExpectCommand(18, {0x0302, 1}).SendReply(0, {0x1234, 0x5678});
  line_.ExpectCommand(17, {0x0302, 1, 0x5678, 0x1234}).SendReply(0, {0x004F});
  line_.ExpectCommand(17, {0x0300, 0, 0xBEEF}).SendReply(0, {0x0046});
  uint32_t value = 0;
  EXPECT_TRUE(Service().ReadAddrVariable(0x0300, 0, value));
  EXPECT_EQ(value, 0xFFFEu);
  EXPECT_TRUE(Service().ReadAddrVariable(0x0302, 1, value));
  EXPECT_EQ(value, 0x12345678u);

  uint16_t answer = 0;
  EXPECT_TRUE(Service().SetAddrVariable(0x0302, 1, 0x12345678, answer));
  EXPECT_TRUE(ServiceGroup::IsAccepted(answer));
  EXPECT_TRUE(host_.Messages().empty());
  // Refused outside service mode: the exchange still counts as done.
  EXPECT_TRUE(Service().SetAddrVariable(0x0300, 0, 0xBEEF, answer));
  EXPECT_FALSE(ServiceGroup::IsAccepted(answer));
  EXPECT_EQ(host_.Messages(),
            Strings{"The parameter is NOT set!\nThe ZEL is not in service mode!"});
}

TEST(ServiceGroupFormats, ThirtyTwoBitFormatsUseWidthOne) {
  EXPECT_EQ(ServiceGroup::WidthOf(AddrVariableFormat::kSigned16), 0);
  EXPECT_EQ(ServiceGroup::WidthOf(AddrVariableFormat::kUnsigned16), 0);
  EXPECT_EQ(ServiceGroup::WidthOf(AddrVariableFormat::kSigned32), 1);
  EXPECT_EQ(ServiceGroup::WidthOf(AddrVariableFormat::kUnsigned32), 1);
  // Only the low byte of the answer counts.
  EXPECT_TRUE(ServiceGroup::IsAccepted(0x124F));
  EXPECT_FALSE(ServiceGroup::IsAccepted(0x4F00));
}

}  // namespace
}  // namespace zel::link
