#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "link/ScriptedStack.h"
#include "link/StatusGroup.h"

namespace zel::link {
namespace {

using Strings = std::vector<std::string>;

class StatusGroupTest : public ScriptedStackTest {
 protected:
  StatusGroup& Status() { return comm_.Status(); }

  // Scripts a whole SuspendEnable and runs it.
  void Suspend(uint16_t sysConfig, uint16_t status, bool& software, bool& enabled) {
    ScriptReadSysConfig(sysConfig);
    line_.ExpectCommand(1, {0}).SendReply(0, {status});
    line_.ExpectCommand(21, {1, 0, static_cast<uint16_t>(sysConfig | 0x1000)});
    line_.ExpectCommand(5, {0});
    ASSERT_TRUE(Status().SuspendEnable(software, enabled, false));
    ASSERT_TRUE(Status().EnableSuspended());
    line_.ClearWritten();
  }
  void Suspend(uint16_t sysConfig, uint16_t status) {
    bool software = false;
    bool enabled = false;
    Suspend(sysConfig, status, software, enabled);
  }
};

TEST_F(StatusGroupTest, ReadsSendTheZeroWordAndTakeOneWord) {
  line_.ExpectCommand(1, {0}).SendReply(0, {0x6001});
  line_.ExpectCommand(2, {0}).SendReply(0, {0x8001});
  uint16_t status = 0;
  uint16_t error = 0;
  EXPECT_TRUE(Status().ReadSysStatus(status));
  EXPECT_TRUE(Status().ReadError(error));
  EXPECT_EQ(status, 0x6001);
  EXPECT_EQ(error, 0x8001);
  // The first frame exactly: opcode 1, L = 0, one data word 0, checksum 0x76B4.
  const std::vector<uint8_t> wire = Wire();
  ASSERT_GE(wire.size(), 6u);
  EXPECT_EQ(std::vector<uint8_t>(wire.begin(), wire.begin() + 6),
            (std::vector<uint8_t>{0x01, 0x00, 0x00, 0x00, 0xB4, 0x76}));
}

TEST_F(StatusGroupTest, OutcomeMessagesOnlyWithTheShowFlag) {
  line_.ExpectCommand(3, {0});
  line_.AcceptCommand({0x05, 0x00, 0x01, 0x00, 0x64, 0xAC});
  EXPECT_TRUE(Status().ClearError());
  EXPECT_TRUE(Status().Enable(true));
  EXPECT_TRUE(host_.Messages().empty());

  // With it, Enable says what the drive does as read back: with enabling by software the
  // command decides; with SysConfig bit 12 clear the digital input does, and Enable fails.
  Status().SetShowFlag(true);
  line_.ExpectCommand(3, {0});
  line_.ExpectCommand(5, {1});
  ScriptReadSysConfig(0x1000);
  line_.ExpectCommand(1, {0}).SendReply(0, {0x4000});
  line_.ExpectCommand(5, {0});
  ScriptReadSysConfig(0x1000);
  line_.ExpectCommand(1, {0}).SendReply(0, {0x0000});
  line_.ExpectCommand(5, {0});
  ScriptReadSysConfig(0x0000);
  line_.ExpectCommand(1, {0}).SendReply(0, {0x4000});
  EXPECT_TRUE(Status().ClearError());
  EXPECT_TRUE(Status().Enable(true));
  EXPECT_TRUE(Status().Enable(false));
  EXPECT_FALSE(Status().Enable(false));
  Strings shown = host_.Messages();
  ASSERT_EQ(shown.size(), 4u);
  EXPECT_EQ(shown[3].rfind("The drive stays enabled: the digital input 'Enable' decides", 0), 0u)
      << shown[3];
  shown.pop_back();
  EXPECT_EQ(shown,
            (Strings{"Errors are cleared!", "The System is enabled!", "The System is disabled!"}));
  EXPECT_FALSE(Status().LastEnableChoice());

  // A failed command shows no success text.
  host_.Clear();
  line_.ExpectBytes({3});
  EXPECT_FALSE(Status().ClearError());
  EXPECT_TRUE(host_.Messages().empty());
}

TEST_F(StatusGroupTest, SuspendReportsTheOldStateAndDisablesBySoftware) {
  ScriptReadSysConfig(0x0003);
  line_.ExpectCommand(1, {0}).SendReply(0, {0x4000});
  line_.ExpectCommand(21, {1, 0, 0x1003});
  line_.ExpectCommand(5, {0});
  bool software = true;
  bool enabled = false;
  EXPECT_TRUE(Status().SuspendEnable(software, enabled, true));
  EXPECT_FALSE(software);
  EXPECT_TRUE(enabled);
  EXPECT_EQ(host_.Messages(), Strings{"The ZEL will be disabled!"});

  // A second suspension changes nothing: no traffic, outputs untouched.
  line_.ClearWritten();
  bool software2 = true;
  bool enabled2 = false;
  EXPECT_TRUE(Status().SuspendEnable(software2, enabled2, true));
  EXPECT_TRUE(software2);
  EXPECT_FALSE(enabled2);
  EXPECT_TRUE(Wire().empty());
  EXPECT_EQ(host_.Messages().size(), 1u);
}

TEST_F(StatusGroupTest, SuspendFailsWithoutWritingWhenAReadFails) {
  ScriptReadSysConfig(0x0001);
  line_.ExpectCommand(1, {0}).SendReply(0x05, {0});
  bool software = false;
  bool enabled = false;
  EXPECT_FALSE(Status().SuspendEnable(software, enabled, true));
  EXPECT_FALSE(Status().EnableSuspended());
  EXPECT_TRUE(host_.Messages().empty());
}

TEST_F(StatusGroupTest, ResumeWithoutSuspensionDoesNothing) {
  EXPECT_TRUE(Status().ResumeEnable(true, true, false));
  EXPECT_TRUE(Wire().empty());
}

TEST_F(StatusGroupTest, ResumeToHardwareEnabling) {
  int asked = 0;
  bool confirm = true;
  Status().SetHardwareEnablingConfirmation([&] {
    ++asked;
    return confirm;
  });

  // Confirmed: bit 12 cleared and written; the input decides, so no Enable command.
  Suspend(0x0001, 0x4000);
  ScriptReadSysConfig(0x1001);
  line_.ExpectCommand(21, {1, 0, 0x0001});
  EXPECT_TRUE(Status().ResumeEnable(false, true, true));
  EXPECT_EQ(asked, 1);
  EXPECT_FALSE(Status().EnableSuspended());

  // Not confirmed: nothing written, and the guard still ends.
  confirm = false;
  Suspend(0x0001, 0x4000);
  ScriptReadSysConfig(0x1001);
  EXPECT_TRUE(Status().ResumeEnable(false, true, true));
  EXPECT_EQ(asked, 2);
  EXPECT_FALSE(Status().EnableSuspended());
  std::vector<uint8_t> readOnly = Command(20, {1, 0});
  readOnly.insert(readOnly.end(), {'O', 'O'});  // acknowledges of the reply code and the reply
  EXPECT_EQ(Wire(), readOnly);

  // Without asking: written at once, nobody asked.
  Suspend(0x0001, 0x4000);
  ScriptReadSysConfig(0x1001);
  line_.ExpectCommand(21, {1, 0, 0x0001});
  EXPECT_TRUE(Status().ResumeEnable(false, true, false));
  EXPECT_EQ(asked, 2);

  // A failed write keeps the suspension, so a later resume can try again.
  Suspend(0x0001, 0x4000);
  ScriptReadSysConfig(0x1001);
  line_.ExpectBytes({21});
  EXPECT_FALSE(Status().ResumeEnable(false, true, false));
  EXPECT_TRUE(Status().EnableSuspended());
}

TEST_F(StatusGroupTest, UnsetConfirmationNeverEnablesByHardware) {
  Suspend(0x0001, 0x4000);
  ScriptReadSysConfig(0x1001);
  EXPECT_TRUE(Status().ResumeEnable(false, true, true));
  EXPECT_FALSE(Status().EnableSuspended());
}

TEST_F(StatusGroupTest, ResumeToSoftwareEnabling) {
  const std::string question = "Do you really want to enable the ZEL?";

  // Drive was enabled, user says Yes.
  Suspend(0x1001, 0x4000);
  ScriptReadSysConfig(0x1001);
  line_.ExpectCommand(21, {1, 0, 0x1001});
  line_.ExpectCommand(5, {1});
  host_.QueueYesNo(true);
  EXPECT_TRUE(Status().ResumeEnable(true, true, true));
  EXPECT_EQ(host_.Questions(), Strings{question});
  EXPECT_FALSE(Status().EnableSuspended());

  // User says No: the drive stays disabled.
  Suspend(0x1001, 0x4000);
  ScriptReadSysConfig(0x1001);
  line_.ExpectCommand(21, {1, 0, 0x1001});
  line_.ExpectCommand(5, {0});
  host_.QueueYesNo(false);
  EXPECT_TRUE(Status().ResumeEnable(true, true, true));

  // No asking: enabled again straight away.
  host_.Clear();
  Suspend(0x1001, 0x4000);
  ScriptReadSysConfig(0x1001);
  line_.ExpectCommand(21, {1, 0, 0x1001});
  line_.ExpectCommand(5, {1});
  EXPECT_TRUE(Status().ResumeEnable(true, true, false));
  EXPECT_TRUE(host_.Questions().empty());

  // Drive was not enabled: Enable 0, nobody asked. Bit 12 is set again even when the ZEL
  // reports it clear meanwhile.
  Suspend(0x1001, 0x0000);
  ScriptReadSysConfig(0x0001);
  line_.ExpectCommand(21, {1, 0, 0x1001});
  line_.ExpectCommand(5, {0});
  EXPECT_TRUE(Status().ResumeEnable(true, false, true));
  EXPECT_TRUE(host_.Questions().empty());
  EXPECT_FALSE(Status().EnableSuspended());

  // A failed Enable keeps the suspension.
  Suspend(0x1001, 0x4000);
  ScriptReadSysConfig(0x1001);
  line_.ExpectCommand(21, {1, 0, 0x1001});
  line_.ExpectBytes({5});
  EXPECT_FALSE(Status().ResumeEnable(true, true, false));
  EXPECT_TRUE(Status().EnableSuspended());
}

}  // namespace
}  // namespace zel::link
