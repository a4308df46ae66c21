#include <gtest/gtest.h>

#include <memory>

#include "app/CMainFrame.h"
#include "link/PosixSerialChannel.h"
#include "ui/MainFrameDesk.h"
#include "ui/SimulatedZel.h"

namespace zel::app {
namespace {

using monitor::CStatusView;

using Desk = test::MainFrameDesk;

std::vector<std::string> Names(const CStatusView& view) {
  std::vector<std::string> names;
  for (const auto& listed : view.Rows()) names.push_back(listed.row.name);
  return names;
}

TEST(MainFrameStatus, RefreshHandsTheIdentityAndBothErrorWordsToTheStatusView) {
  Desk desk;
  CStatusView& view = desk.frame->StatusView();
  EXPECT_EQ(view.Text(CStatusView::kIdConnection), "No ZEL connected!");
  desk.zel.Device().RaiseError(2);
  desk.zel.Device().RaiseCanError(1);
  desk.frame->Refresh();
  EXPECT_EQ(view.Text(CStatusView::kIdConnection),
            "Connected ZEL: SoftwareVersion:0x1040   HardwareVersion:0x0200   "
            "AppNumber:0x0001   AppVersion: 0x0100");
  EXPECT_EQ(Names(view), (std::vector<std::string>{"Error 2", "CanError 1"}));
  EXPECT_EQ(view.Text(CStatusView::kIdHeading), "ERROR FOUND!");

  desk.Host().Clear();
  desk.Host().QueueYesNo(true);  // the input 'Enable' is on: the drive runs again
  view.Press(CStatusView::kIdClearErrors);
  EXPECT_EQ(Names(view), (std::vector<std::string>{"CanError 1"}))
      << "clearing relists the standard word and keeps the CAN word as last delivered";
}

TEST(MainFrameStatus, OlderFirmwareHasNoCanErrorWordAndAnOfflineZelKeepsTheList) {
  sim::DeviceConfig config;
  config.identity.softwareVersion = 0x1000;
  Desk desk(config);
  desk.zel.Device().RaiseCanError(1);
  desk.zel.Device().RaiseError(0);
  desk.frame->Refresh();
  CStatusView& view = desk.frame->StatusView();
  EXPECT_EQ(Names(view), (std::vector<std::string>{"Error 0"}));

  desk.zel.Sim().Faults().SetNeverAnswer(true);
  desk.frame->Refresh();
  EXPECT_EQ(Names(view), (std::vector<std::string>{"Error 0"}));
}

TEST(MainFrameStatus, StatusAndVariablesWindowsOpenAndCloseByTheirCommands) {
  Desk desk;
  CMainFrame& frame = *desk.frame;
  for (int id : {CMainFrame::kCmdReadSysStatus, CMainFrame::kToolReadVariables}) {
    EXPECT_TRUE(frame.IsCommandEnabled(id));
    EXPECT_FALSE(frame.IsCommandChecked(id));
    frame.OnCommand(id);
    EXPECT_TRUE(frame.IsCommandChecked(id)) << id;
  }
  EXPECT_EQ(desk.Host().ModelessTitles(),
            (std::vector<std::string>{"ReadSysStatus", "Read N Variables"}));
  EXPECT_EQ(frame.SysStatusWindow()->Word(), desk.zel.Device().StatusWord());

  frame.OnCommand(CMainFrame::kToolReadSysStatus);
  frame.OnCommand(CMainFrame::kCmdReadVariables);
  EXPECT_FALSE(frame.IsCommandChecked(CMainFrame::kCmdReadSysStatus));
  EXPECT_FALSE(frame.IsCommandChecked(CMainFrame::kCmdReadVariables));
  EXPECT_TRUE(desk.Host().ModelessTitles().empty());

  // A window the user closed is shown afresh by the next command.
  frame.OnCommand(CMainFrame::kCmdReadSysStatus);
  frame.SysStatusWindow()->Press(ui::kIdOk);
  EXPECT_FALSE(frame.IsCommandChecked(CMainFrame::kCmdReadSysStatus));
  frame.OnCommand(CMainFrame::kCmdReadSysStatus);
  EXPECT_TRUE(frame.IsCommandChecked(CMainFrame::kCmdReadSysStatus));
  EXPECT_TRUE(desk.Host().Messages().empty());

  frame.OnCommand(CMainFrame::kCmdReadSysStatus);
  desk.zel.Sim().Faults().SetNeverAnswer(true);
  frame.OnCommand(CMainFrame::kCmdReadSysStatus);
  EXPECT_EQ(desk.Host().Messages(), (std::vector<std::string>{"Command failed!"}));
  EXPECT_FALSE(frame.IsCommandChecked(CMainFrame::kCmdReadSysStatus));
}

TEST(MainFrameStatus, TheErrorWindowNeedsTheMonitor) {
  Desk desk;
  CMainFrame& frame = *desk.frame;
  desk.zel.Device().RaiseError(2);
  frame.OnCommand(CMainFrame::kCmdReadError);
  EXPECT_EQ(desk.Host().Messages(),
            (std::vector<std::string>{"The ZEL is not online!\nSwitch on the monitor!"}));
  EXPECT_EQ(frame.ReadErrorWindow(), nullptr);

  frame.SetMonitorRunningSource([] { return true; });
  frame.OnCommand(CMainFrame::kToolReadError);
  ASSERT_NE(frame.ReadErrorWindow(), nullptr);
  EXPECT_TRUE(frame.IsCommandChecked(CMainFrame::kCmdReadError));
  EXPECT_EQ(frame.ReadErrorWindow()->Rows().size(), 1u);
  frame.OnCommand(CMainFrame::kCmdReadError);
  EXPECT_EQ(frame.ReadErrorWindow(), nullptr);
}

}  // namespace
}  // namespace zel::app
