#include <gtest/gtest.h>

#include <memory>

#include "link/ScriptedStack.h"
#include "link/ZelCommunication.h"

namespace zel::link {
namespace {

using ZelCommunicationTest = ScriptedStackTest;

TEST(ZelCommunicationBuild, BannerGroupsAndWiring) {
  test::ScriptedChannel line;
  ZelCommunication comm(line.Opener());
  EXPECT_EQ(comm.VersionBanner(), "ZelCommunication Version 1.00");
  EXPECT_EQ(comm.Settings(), CommSettings{});
  // Building opens nothing; the owner decides when.
  EXPECT_EQ(line.OpenCount(), 0);
  EXPECT_FALSE(comm.InBootLoaderMode());

  EXPECT_EQ(comm.Parameter().Service(), &comm.Service());
  EXPECT_EQ(comm.Parameter().Status(), &comm.Status());
  EXPECT_EQ(comm.Drive().Measurement(), &comm.Measurement());
  EXPECT_EQ(comm.Measurement().Parameters(), &comm.Parameter());
  EXPECT_EQ(comm.Recorder().Status(), &comm.Status());
  EXPECT_EQ(comm.Recorder().Parameters(), &comm.Parameter());
  EXPECT_EQ(comm.Status().Definitions(), &comm.Definitions());
  EXPECT_EQ(comm.Status().Link(), &comm.Link());

  // Quiet unless asked.
  EXPECT_FALSE(comm.Status().ShowFlag());
  comm.SetShowFlags(true);
  EXPECT_TRUE(comm.Service().ShowFlag());
  EXPECT_TRUE(comm.Recorder().ShowFlag());
}

TEST(ZelCommunicationBuild, DestructionClosesThePort) {
  test::ScriptedChannel line;
  {
    ZelCommunication comm(line.Opener());
    ASSERT_TRUE(comm.ReopenLink());
    EXPECT_TRUE(line.IsOpen());
  }
  EXPECT_FALSE(line.IsOpen());
}

TEST_F(ZelCommunicationTest, OpenLinkStoresTheSettingsAndMapsThePortName) {
  CommSettings settings;
  settings.portName = "Com10";
  settings.baudRate = 9600;
  settings.timeoutMs = 50;
  settings.transmitTrials = 2;
  EXPECT_TRUE(comm_.OpenLink(settings));
  EXPECT_EQ(comm_.Settings(), settings);
  EXPECT_EQ(line_.LastDeviceName(), "COM10");
  EXPECT_EQ(line_.LastBaud(), 9600);

  // A name outside the known forms is stored but never opens.
  settings.portName = "Port3";
  EXPECT_FALSE(comm_.OpenLink(settings));
  EXPECT_EQ(comm_.Settings().portName, "Port3");
  uint16_t status = 0;
  EXPECT_FALSE(comm_.Status().ReadSysStatus(status));
  EXPECT_TRUE(Wire().empty());
}

TEST_F(ZelCommunicationTest, BootLoaderTakesTheLineAndGivesItBackWithItsSettings) {
  const int opensBefore = line_.OpenCount();
  BootPort& boot = comm_.EnterBootLoaderMode();
  EXPECT_TRUE(comm_.InBootLoaderMode());
  EXPECT_TRUE(boot.IsOpen());
  EXPECT_EQ(boot.PortName(), "Com1");
  EXPECT_EQ(boot.BaudRate(), 38400);
  EXPECT_EQ(boot.Timeout(), 100);
  EXPECT_EQ(line_.OpenCount(), opensBefore + 1);

  // The device link is closed meanwhile: commands fail without traffic.
  uint16_t status = 0;
  EXPECT_FALSE(comm_.Status().ReadSysStatus(status));
  EXPECT_TRUE(Wire().empty());

  // Entering again changes nothing.
  EXPECT_EQ(&comm_.EnterBootLoaderMode(), &boot);
  EXPECT_EQ(line_.OpenCount(), opensBefore + 1);

  // The download moved the boot port to another rate; leaving takes that over.
  ASSERT_TRUE(boot.Open("Com1", 115200, 40));
  EXPECT_TRUE(comm_.LeaveBootLoaderMode());
  EXPECT_FALSE(comm_.InBootLoaderMode());
  EXPECT_FALSE(boot.IsOpen());
  EXPECT_EQ(comm_.Settings().baudRate, 115200);
  EXPECT_EQ(comm_.Settings().timeoutMs, 40);
  EXPECT_EQ(comm_.Settings().transmitTrials, 4);
  EXPECT_EQ(line_.LastBaud(), 115200);
  EXPECT_TRUE(line_.IsOpen());
  // Boot port twice, then the device link twice.
  EXPECT_EQ(line_.OpenCount(), opensBefore + 4);

  line_.ExpectCommand(1, {0}).SendReply(0, {0});
  EXPECT_TRUE(comm_.Status().ReadSysStatus(status));

  EXPECT_TRUE(comm_.LeaveBootLoaderMode());  // not in boot loader mode: nothing happens
  EXPECT_EQ(line_.OpenCount(), opensBefore + 4);
}

TEST_F(ZelCommunicationTest, OpenLinkInBootLoaderModeDropsTheBootSettings) {
  BootPort& boot = comm_.EnterBootLoaderMode();
  ASSERT_TRUE(boot.Open("Com1", 115200, 40));
  EXPECT_TRUE(comm_.OpenLink(CommSettings{}));
  EXPECT_FALSE(comm_.InBootLoaderMode());
  EXPECT_FALSE(boot.IsOpen());
  EXPECT_EQ(comm_.Settings(), CommSettings{});
  EXPECT_EQ(line_.LastBaud(), 38400);
}

TEST_F(ZelCommunicationTest, BootPortReadsWithItsDeadline) {
  BootPort& port = comm_.EnterBootLoaderMode();
  const uint8_t opcode[] = {0x49};
  line_.ExpectBytes({0x49}).Send({'O', 'K'});
  EXPECT_TRUE(port.Write(opcode, 1));
  uint8_t answer[3] = {};
  const int64_t start = line_.NowMs();
  // Two bytes arrive, the third never: T * 3 + c = 300 + 50 ms at most.
  EXPECT_FALSE(port.Read(answer, 3, 50));
  EXPECT_EQ(answer[0], 'O');
  EXPECT_LE(line_.NowMs() - start, 350);
  // On a slow line the deadline starts once the opcode and the answer have crossed it.
  EXPECT_EQ(line_.LastLineBytes(), 1 + 3);
  port.Close();
  EXPECT_FALSE(port.Write(opcode, 1));
}

}  // namespace
}  // namespace zel::link
