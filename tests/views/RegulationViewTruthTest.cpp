#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/CMainFrame.h"
#include "ui/MainFrameDesk.h"
#include "views/CCurrentRegulationView.h"
#include "views/CSpeedRegulationView.h"

namespace zel::views {
namespace {

using app::CMainFrame;
using test::MainFrameDesk;
using ui::EventKind;
using ui::ScriptedHost;
using View = CRegulationView;

// Speed regulation with the mode and every limit set by software.
constexpr uint16_t kAllBySoftware = 0x8F00;
constexpr uint16_t kSoftwareEnabling = 0x1000;
constexpr uint16_t kDriveEnabled = 0x4000;

void WriteSysConfig(CMainFrame& frame, uint16_t value) {
  ASSERT_TRUE(frame.Communication().Parameter().SetTempParam(1, 0, value));
}

TEST(RegulationViewEnable, TheButtonShowsWhatTheDriveDoesAndTheBoxSaysWhy) {
  MainFrameDesk desk;
  CMainFrame& frame = *desk.frame;
  CSpeedRegulationView& view = frame.SpeedView();
  sim::DeviceModel& zel = desk.zel.Device();
  frame.SetOfflineCommanding(true);

  // Enabling by the digital input, which is on: Enable 0 goes out, the drive keeps running, and
  // neither the box nor the button pretend otherwise.
  WriteSysConfig(frame, kAllBySoftware);
  ASSERT_TRUE(view.ReRead());
  EXPECT_EQ(view.Text(View::kIdEnable), "Enabled");
  desk.Host().Clear();
  ASSERT_TRUE(view.Press(View::kIdEnable));
  EXPECT_EQ(desk.Host().Messages(),
            std::vector<std::string>{
                "The drive stays enabled: the digital input 'Enable' decides (SysConfig "
                "bit 12 clear), and the Enable command does not override it. Switch the input off, "
                "or set SysConfig bit 12 for enabling by software."});
  EXPECT_NE(zel.StatusWord() & kDriveEnabled, 0);
  EXPECT_EQ(view.Text(View::kIdEnable), "Enabled");

  // The input switched off: what the re-read finds.
  zel.SetEnableInput(false);
  ASSERT_TRUE(view.ReRead());
  EXPECT_EQ(view.Text(View::kIdEnable), "Disabled");

  // Enabling by software: the command decides, and the system's own texts are true.
  WriteSysConfig(frame, kAllBySoftware | kSoftwareEnabling);
  ASSERT_TRUE(view.ReRead());
  desk.Host().Clear();
  ASSERT_TRUE(view.Press(View::kIdEnable));
  EXPECT_EQ(desk.Host().Messages(), std::vector<std::string>{"The System is enabled!"});
  EXPECT_NE(zel.StatusWord() & kDriveEnabled, 0);
  EXPECT_EQ(view.Text(View::kIdEnable), "Enabled");
  ASSERT_TRUE(view.Press(View::kIdEnable));
  EXPECT_EQ(desk.Host().LastMessage(), "The System is disabled!");
  EXPECT_EQ(zel.StatusWord() & kDriveEnabled, 0);
  EXPECT_EQ(view.Text(View::kIdEnable), "Disabled");
}

TEST(CurrentRegulationView, WritingMaxContCurrentMovesTheSetValueRangeAndItsLabels) {
  MainFrameDesk desk;
  CMainFrame& frame = *desk.frame;
  CCurrentRegulationView& view = frame.CurrentView();
  WriteSysConfig(frame, kAllBySoftware | 0x0004);  // current regulation
  frame.SetOfflineCommanding(true);
  ASSERT_TRUE(view.ReRead());
  const View::Setting& maxCont = *view.FindSetting(15);

  // Typed into the edit.
  view.UserSetText(maxCont.editId, "2000");
  view.UserEvent(maxCont.editId, EventKind::Enter);
  EXPECT_EQ(desk.zel.Device().TempParameter(15), 2000);
  EXPECT_EQ(view.Text(View::kIdSetMin), "-2000 mA");
  EXPECT_EQ(view.Text(View::kIdSetMax), "2000 mA");
  EXPECT_EQ(view.Find(View::kIdSetSlider)->minimum, -2000);
  EXPECT_EQ(view.Find(View::kIdSetSlider)->maximum, 2000);

  // Dragged with the slider; the set value is then clamped to the new range.
  ASSERT_TRUE(view.UserSetValue(maxCont.sliderId, 1500));
  EXPECT_EQ(view.Text(View::kIdSetMax), "1500 mA");
  view.UserSetText(View::kIdSetValue, "1800");
  view.UserEvent(View::kIdSetValue, EventKind::Enter);
  EXPECT_EQ(desk.Host().LastMessage(), "The value 'Current Setting' is too large!");
  int32_t sent = 0;
  ASSERT_TRUE(desk.zel.Device().ReadParameter(131, sent));
  EXPECT_EQ(sent, 1500);
}

TEST(RegulationViewOnline, ALostLineGreysTheValuesLocksTheControlsAndAWizardIsNoOfflineZel) {
  MainFrameDesk desk;
  CMainFrame& frame = *desk.frame;
  CSpeedRegulationView& view = frame.SpeedView();
  WriteSysConfig(frame, kAllBySoftware);
  const int maxSpeed = view.FindSetting(17)->editId;
  const std::vector<int> values{View::kIdActual, View::kIdSetValue, View::kIdEnable, View::kIdStop,
                                maxSpeed};
  auto allLive = [&](bool live) {
    for (int id : values)
      if ((view.Find(id)->colour == ui::kDefaultColour) != live) return false;
    return view.ShowsLiveValues() == live;
  };
  const std::vector<int> controls{View::kIdSetValue, View::kIdEnable,      View::kIdStop,
                                  maxSpeed,          View::kIdEnableInput, View::kIdModeCurrent};
  auto allUsable = [&](bool usable) {
    for (int id : controls)
      if (view.IsEnabled(id) != usable) return false;
    return true;
  };

  // Before the monitor has run nothing shown is live and nothing can be used.
  EXPECT_EQ(view.Text(View::kIdState), "The ZEL is offline!");
  EXPECT_TRUE(allLive(false));
  EXPECT_TRUE(allUsable(false));
  const uint64_t frames = desk.zel.FramesSeen();
  EXPECT_FALSE(view.Press(View::kIdEnable));
  EXPECT_EQ(desk.zel.FramesSeen(), frames);

  frame.StartMonitor();
  ASSERT_TRUE(ScriptedHost::PumpUntil([&] { return view.IsOnline() && view.NewDataCount() > 1; }));
  EXPECT_TRUE(allLive(true));
  EXPECT_TRUE(allUsable(true));

  // The line is lost: the last values stay, greyed, and the controls are locked until fresh
  // values arrive; offline commanding unlocks them, the values stay grey.
  desk.zel.Sim().Faults().SetNeverAnswer(true);
  ASSERT_TRUE(ScriptedHost::PumpUntil([&] { return !view.IsOnline(); }));
  EXPECT_EQ(view.Text(View::kIdState), "The ZEL is offline!");
  EXPECT_TRUE(allLive(false));
  EXPECT_TRUE(allUsable(false));
  // The status view's identity line and error heading are the last ones read: greyed too.
  const monitor::CStatusView& status = frame.StatusView();
  auto statusColour = [&](int id) { return status.Find(id)->colour; };
  ASSERT_TRUE(ScriptedHost::PumpUntil([&] { return !status.IsOnline(); }));
  EXPECT_EQ(statusColour(monitor::CStatusView::kIdConnection), ui::kStaleColour);
  EXPECT_EQ(statusColour(monitor::CStatusView::kIdHeading), ui::kStaleColour);
  frame.SetOfflineCommanding(true);
  EXPECT_TRUE(allUsable(true));
  EXPECT_TRUE(allLive(false));
  frame.SetOfflineCommanding(false);
  desk.zel.Sim().Faults().SetNeverAnswer(false);
  ASSERT_TRUE(ScriptedHost::PumpUntil([&] { return view.IsOnline() && allLive(true); }));
  EXPECT_TRUE(allUsable(true));
  ASSERT_TRUE(ScriptedHost::PumpUntil([&] {
    return statusColour(monitor::CStatusView::kIdConnection) == ui::kDefaultColour &&
           statusColour(monitor::CStatusView::kIdHeading) == ui::kDefaultColour;
  }));

  // A wizard that claims the link makes the monitor fail: busy with it, not offline, and back
  // to what the monitor finds once it has closed.
  std::string caption;
  int lamp = -1;
  desk.Host().QueueModal([&](ui::Window& wizard) {
    EXPECT_TRUE(ScriptedHost::PumpUntil([&] { return !view.IsOnline(); }));
    caption = view.Text(View::kIdState);
    lamp = view.Value(View::kIdStateLamp);
    EXPECT_TRUE(allLive(false));
    wizard.Press(ui::kIdCancel);
  });
  frame.OnCommand(CMainFrame::kCmdFirmwareDownloadWizard);
  EXPECT_EQ(caption, "The ZEL is busy with the Firmware Download Wizard.");
  EXPECT_EQ(lamp, View::kLampBusy);
  EXPECT_TRUE(view.LinkClaimedBy().empty());
  EXPECT_NE(view.Text(View::kIdState), caption);
  ASSERT_TRUE(ScriptedHost::PumpUntil([&] { return view.IsOnline() && allLive(true); }));
  EXPECT_EQ(view.Text(View::kIdState), "The ZEL is online!");
  frame.StopMonitor();
}

}  // namespace
}  // namespace zel::views
