#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/CMainFrame.h"
#include "link/PosixSerialChannel.h"
#include "monitor/CMonitorRefreshDlg.h"
#include "ui/FirmwareSamplePackage.h"
#include "ui/SimulatedZel.h"

namespace zel::app {
namespace {

using monitor::CMonitorRefreshDlg;
using ui::ScriptedHost;
using ui::Window;

constexpr const char* kSwitchOn = "The ZEL is not online!\nSwitch on the monitor!";

// The desktop program's main window on the simulated ZEL, with its firmware check.
struct Desk {
  explicit Desk(sim::DeviceConfig config = {}) : zel(config, false) {
    frame =
        std::make_unique<CMainFrame>(link::PosixSerialChannel::OpenerForPath(zel.Sim().LinkPath()));
    frame->SetFirmwareCheckOnRefresh(true);
    frame->SetCloseHandler([this] { ++closed; });
  }
  ui::ScriptedHost& Host() { return zel.Host(); }

  test::SimulatedZel zel;
  test::SamplePackage sample;
  std::unique_ptr<CMainFrame> frame;
  int closed = 0;
};

TEST(MainFrameMonitor, StartedFromTheMenuTheZelGoesOnlineAdjustsAndListsErrorsAsTheyAppear) {
  Desk desk;
  CMainFrame& frame = *desk.frame;
  ASSERT_EQ(frame.RegisterPackage(desk.sample.Path()), 2);
  EXPECT_TRUE(frame.IsCommandEnabled(CMainFrame::kCmdStartMonitor));
  EXPECT_FALSE(frame.IsCommandEnabled(CMainFrame::kToolStopMonitor));
  frame.OnCommand(CMainFrame::kCmdReadError);
  EXPECT_EQ(desk.Host().Messages(), std::vector<std::string>{kSwitchOn});
  desk.Host().Clear();

  // The first cycle tells the registry of a ZEL it is not adjusted to: the start-up check runs.
  desk.Host().QueueModal([](Window& w) { ScriptedHost::PumpUntil([&] { return w.IsEnded(); }); });
  frame.OnCommand(CMainFrame::kToolStartMonitor);
  EXPECT_TRUE(frame.MonitorRunning());
  EXPECT_FALSE(frame.IsCommandEnabled(CMainFrame::kCmdStartMonitor));
  EXPECT_TRUE(frame.IsCommandEnabled(CMainFrame::kCmdStopMonitor));
  EXPECT_EQ(frame.StatusPaneTexts().back(), "Monitor Running");
  ASSERT_TRUE(ScriptedHost::PumpUntil([&] {
    return frame.Firmware().Current().softwareVersion != 0 && frame.StatusView().IsOnline() &&
           frame.SpeedView().ShowsOnline() && frame.SpeedView().NewDataCount() > 0;
  }));
  EXPECT_EQ(desk.Host().ModalTitles(), std::vector<std::string>{"Application Adjustment"});
  EXPECT_EQ(frame.Identity().softwareVersion, desk.zel.Device().Identity().softwareVersion);
  EXPECT_EQ(frame.StatusView().Text(monitor::CStatusView::kIdConnection).rfind("Connected ZEL", 0),
            0u);
  EXPECT_TRUE(frame.StatusView().Rows().empty());

  // An error on the ZEL reaches the list within a cycle or two, named by the package's map.
  desk.zel.Device().RaiseError(0);
  ASSERT_TRUE(ScriptedHost::PumpUntil([&] { return !frame.StatusView().Rows().empty(); }));
  EXPECT_EQ(frame.StatusView().Rows().front().row.name, "Overcurrent");
  EXPECT_EQ(frame.StatusView().Text(monitor::CStatusView::kIdHeading), "ERROR FOUND!");

  // Online now: "Read Error" opens its window.
  frame.OnCommand(CMainFrame::kCmdReadError);
  ASSERT_NE(frame.ReadErrorWindow(), nullptr);
  EXPECT_TRUE(desk.Host().Messages().empty()) << desk.Host().LastMessage();
  frame.OnCommand(CMainFrame::kCmdReadError);

  frame.OnCommand(CMainFrame::kToolStopMonitor);
  EXPECT_FALSE(frame.MonitorRunning());
  EXPECT_EQ(frame.StatusPaneTexts().back(), "");
  ASSERT_TRUE(ScriptedHost::PumpUntil([&] {
    return !frame.StatusView().IsOnline() && !frame.SpeedView().ShowsOnline() &&
           !frame.CurrentView().ShowsOnline();
  }));
  frame.OnCommand(CMainFrame::kCmdReadError);
  EXPECT_EQ(desk.Host().LastMessage(), kSwitchOn);
  EXPECT_EQ(desk.closed, 0);
}

TEST(MainFrameMonitor, WithoutAMatchingPackageTheFirstCycleClosesTheWindow) {
  sim::DeviceConfig other;
  other.identity.softwareVersion = 0x1050;  // no version of the sample
  Desk desk(other);
  desk.frame->RegisterPackage(desk.sample.Path());
  desk.Host().QueueModal([](Window& w) { w.Press(ui::kIdCancel); });  // "Browse Firmware File"
  desk.frame->StartMonitor();
  ASSERT_TRUE(ScriptedHost::PumpUntil([&] { return desk.closed > 0; }));
  EXPECT_EQ(desk.Host().Messages(),
            std::vector<std::string>{firmware::FirmwareRegistry::kNoFirmwareText});
  // Closing the program while the monitor runs leaves no thread behind.
  desk.frame.reset();
}

TEST(MainFrameMonitor, RefreshRateDialogShowsThePeriodAndSetsItOnOkOnly) {
  Desk desk;
  CMainFrame& frame = *desk.frame;
  EXPECT_EQ(frame.Monitor().GetPeriod(), 100u);
  frame.StartMonitor();
  frame.Monitor().SetPeriod(300);
  std::vector<std::string> labels;
  desk.Host().QueueModal([&](Window& w) {
    EXPECT_EQ(w.Title(), "Monitor Refresh");
    EXPECT_EQ(w.Value(CMonitorRefreshDlg::kIdSlider), 3);
    labels.push_back(w.Text(CMonitorRefreshDlg::kIdRate));
    w.UserSetValue(CMonitorRefreshDlg::kIdSlider, 10);
    labels.push_back(w.Text(CMonitorRefreshDlg::kIdRate));
    w.UserSetValue(CMonitorRefreshDlg::kIdSlider, 7);
    labels.push_back(w.Text(CMonitorRefreshDlg::kIdRate));
    w.Press(ui::kIdCancel);
  });
  desk.Host().QueueModal([&](Window& w) {
    w.UserSetValue(CMonitorRefreshDlg::kIdSlider, 1);
    labels.push_back(w.Text(CMonitorRefreshDlg::kIdRate));
    w.Press(ui::kIdOk);
  });
  frame.OnCommand(CMainFrame::kCmdRefreshRate);
  EXPECT_EQ(frame.Monitor().GetPeriod(), 300u) << "Cancel changes nothing";
  frame.OnCommand(CMainFrame::kCmdRefreshRate);
  EXPECT_EQ(frame.Monitor().GetPeriod(), 100u);
  EXPECT_EQ(labels, (std::vector<std::string>{"300 ms", "1000 ms", "700 ms", "100 ms"}));
  const CMonitorRefreshDlg dlg(frame.Monitor());
  const ui::Control* slider = dlg.Find(CMonitorRefreshDlg::kIdSlider);
  EXPECT_EQ(slider->minimum, 1);
  EXPECT_EQ(slider->maximum, 10);
  EXPECT_EQ(slider->ticks, (std::vector<int>{1, 5, 10}));
  EXPECT_TRUE(frame.MonitorRunning());
}

}  // namespace
}  // namespace zel::app
