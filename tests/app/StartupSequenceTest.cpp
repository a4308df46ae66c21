#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "app/CMainFrame.h"
#include "firmware/FirmwareRegistry.h"
#include "ui/MainFrameDesk.h"

namespace zel::app {
namespace {

using ui::ScriptedHost;
using ui::Window;

constexpr const char* kMonitorQuestion = "Do you want to start the polling monitor?";

// The desktop program's start-up on a ZEL for which no firmware package is registered: the
// start-up wizard at start (cancelled), the refresh, the monitor question, and only then,
// from the running monitor, the firmware check that closes the window.
TEST(StartupSequence, TheMonitorQuestionComesBeforeTheFirmwareCheckOfTheRunningMonitor) {
  test::MainFrameDesk desk;
  CMainFrame& frame = *desk.frame;
  frame.SetFirmwareCheckOnRefresh(true);
  int closed = 0;
  frame.SetCloseHandler([&closed] { ++closed; });
  frame.Wizards().SetStartupWizardAtStart(1);
  desk.Host().QueueModal([](Window& wizard) { wizard.Press(ui::kIdCancel); });
  desk.Host().QueueYesNo(true);

  frame.RunStartup(true, false);
  EXPECT_EQ(desk.Host().ModalTitles(), std::vector<std::string>{"Startup Wizard"});
  EXPECT_EQ(desk.Host().Questions(), std::vector<std::string>{kMonitorQuestion});
  EXPECT_TRUE(desk.Host().Messages().empty()) << desk.Host().LastMessage();
  EXPECT_EQ(closed, 0);
  EXPECT_EQ(frame.Identity().softwareVersion, desk.zel.Device().Identity().softwareVersion)
      << "the refresh read the identity";
  ASSERT_TRUE(frame.MonitorRunning());

  // The monitor's first cycle reports a ZEL the user interface is not adjusted to: the check
  // offers the browse, and without a package the window closes after its message.
  desk.Host().QueueModal([](Window& browse) {
    EXPECT_EQ(browse.Title(), "Browse Firmware File");
    browse.Press(ui::kIdCancel);
  });
  ASSERT_TRUE(ScriptedHost::PumpUntil([&] { return closed > 0; }, std::chrono::seconds(60)));
  EXPECT_EQ(desk.Host().Messages(),
            std::vector<std::string>{firmware::FirmwareRegistry::kNoFirmwareText});
  EXPECT_EQ(desk.Host().Questions().size(), 1u);
  EXPECT_EQ(desk.Host().UnfinishedWindows(), 0);
}

TEST(StartupSequence, ASilentZelIsReportedAndTheQuestionIsStillAsked) {
  test::MainFrameDesk desk;
  CMainFrame& frame = *desk.frame;
  frame.SetFirmwareCheckOnRefresh(true);
  int closed = 0;
  frame.SetCloseHandler([&closed] { ++closed; });
  desk.zel.Sim().Faults().SetNeverAnswer(true);

  frame.RunStartup(false, false);  // No to the question: the empty queue answers No
  EXPECT_EQ(desk.Host().Messages(),
            std::vector<std::string>{"The ZEL is not online!\nPlease check the communication "
                                     "settings!"});
  EXPECT_EQ(desk.Host().Questions(), std::vector<std::string>{kMonitorQuestion});
  EXPECT_FALSE(frame.MonitorRunning());
  EXPECT_TRUE(frame.IsCommandEnabled(CMainFrame::kCmdStartMonitor));
  EXPECT_EQ(closed, 0);

  // --start-monitor skips the question and starts it.
  desk.Host().Clear();
  frame.RunStartup(false, true);
  EXPECT_TRUE(desk.Host().Questions().empty());
  EXPECT_TRUE(frame.MonitorRunning());
}

}  // namespace
}  // namespace zel::app
