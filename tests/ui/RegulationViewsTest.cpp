#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/ApplicationAdjustment.h"
#include "app/CMainFrame.h"
#include "app/MainPaneLayout.h"
#include "parameters/CEditTempParamDlg.h"
#include "ui/MainFrameDesk.h"
#include "views/CCurrentRegulationView.h"
#include "views/CSpeedRegulationView.h"

namespace zel::views {
namespace {

using app::CMainFrame;
using app::MainPaneLayout;
using test::MainFrameDesk;
using ui::EventKind;
using ui::ScriptedHost;
using View = CRegulationView;

int EditOf(const View& view, int16_t number) {
  return view.FindSetting(number)->editId;
}
int SliderOf(const View& view, int16_t number) {
  return view.FindSetting(number)->sliderId;
}

// SysConfig with the bits given set and the mode bits and bit 0 cleared, written to the ZEL.
uint16_t WriteSysConfig(CMainFrame& frame, uint16_t set, uint16_t clear = 0) {
  link::ParameterGroup& parameters = frame.Communication().Parameter();
  uint16_t sysConfig = 0;
  EXPECT_TRUE(parameters.ReadTempParam(1, sysConfig));
  sysConfig = static_cast<uint16_t>(((sysConfig & 0xFFD2) | set) & ~clear);
  EXPECT_TRUE(parameters.SetTempParam(1, 0, sysConfig));
  return sysConfig;
}

TEST(SpeedRegulationView, SettingsAreClampedWrittenOnlyBySoftwareAndGatedByOfflineCommanding) {
  MainFrameDesk desk;
  CMainFrame& frame = *desk.frame;
  CSpeedRegulationView& view = frame.SpeedView();
  sim::DeviceModel& zel = desk.zel.Device();
  WriteSysConfig(frame, 0x8F00);  // every item set by software, the mode by software
  ASSERT_TRUE(view.ReRead());
  const uint16_t maxSpeedBefore = zel.TempParameter(17);

  // Neither online nor offline commanding: no control can be used, nothing goes to the ZEL.
  EXPECT_FALSE(view.UserSetText(EditOf(view, 17), "20000"));
  EXPECT_FALSE(view.UserSetValue(View::kIdP1, 1));
  EXPECT_EQ(view.Value(View::kIdP1), 0);
  EXPECT_EQ(zel.TempParameter(17), maxSpeedBefore);
  EXPECT_EQ(zel.TempParameter(1) & 0x0100, 0x0100);

  // Offline commanding with the monitor stopped: written, clamped to the definition's maximum.
  frame.OnCommand(CMainFrame::kCmdOfflineCommanding);
  EXPECT_TRUE(frame.IsCommandChecked(CMainFrame::kCmdOfflineCommanding));
  EXPECT_FALSE(frame.MonitorRunning());
  desk.Host().Clear();
  view.UserSetText(EditOf(view, 17), "30000");
  view.UserEvent(EditOf(view, 17), EventKind::Enter);
  EXPECT_EQ(desk.Host().Messages(),
            std::vector<std::string>{"The value 'Max Speed' is too large!"});
  EXPECT_EQ(view.Text(EditOf(view, 17)), "25000");
  EXPECT_EQ(view.Value(SliderOf(view, 17)), 25000);
  EXPECT_EQ(zel.TempParameter(17), 25000);
  EXPECT_EQ(view.Text(View::kIdSetMax), "25000 rpm") << "the set value follows the maximum";
  view.UserSetText(EditOf(view, 17), "12000");
  view.UserEvent(EditOf(view, 17), EventKind::FocusLost);
  EXPECT_EQ(view.Text(View::kIdSetMin), "-12000 rpm");
  view.UserSetText(EditOf(view, 6), "-3");
  view.UserEvent(EditOf(view, 6), EventKind::Enter);
  EXPECT_EQ(desk.Host().LastMessage(), "The value 'Gain I' is too small!");
  EXPECT_EQ(zel.TempParameter(6), 0);
  ASSERT_TRUE(view.UserSetValue(SliderOf(view, 5), 70));
  EXPECT_EQ(zel.TempParameter(5), 70);
  EXPECT_EQ(view.Text(EditOf(view, 5)), "70");

  // "P1 active": SysConfig written with bit 8 clear, the maximum speed re-read; from then on a
  // typed maximum writes nothing.
  ASSERT_TRUE(frame.Communication().Parameter().SetTempParam(17, 0, 9000));
  ASSERT_TRUE(view.UserSetValue(View::kIdP1, 1));
  EXPECT_EQ(zel.TempParameter(1) & 0x0100, 0);
  EXPECT_EQ(zel.TempParameter(1) & 0x0E00, 0x0E00) << "the other boxes kept";
  EXPECT_EQ(view.Text(EditOf(view, 17)), "9000");
  EXPECT_FALSE(view.IsEnabled(EditOf(view, 17)));
  view.SetText(EditOf(view, 17), "20000");
  view.UserEvent(EditOf(view, 17), EventKind::FocusLost);
  EXPECT_EQ(zel.TempParameter(17), 9000);

  // The monitor keeps overwriting it with what the ZEL has.
  ASSERT_TRUE(frame.Communication().Parameter().SetTempParam(17, 0, 7000));
  frame.StartMonitor();
  EXPECT_TRUE(ScriptedHost::PumpUntil([&] { return view.Text(EditOf(view, 17)) == "7000"; }));
  EXPECT_EQ(view.Text(View::kIdSetMax), "7000 rpm");
  EXPECT_EQ(view.Text(View::kIdState), "The ZEL is online!");
  frame.StopMonitor();
  EXPECT_TRUE(ScriptedHost::PumpUntil([&] { return !view.IsOnline(); }));
  EXPECT_EQ(view.Text(View::kIdState), "The ZEL is offline!");
}

TEST(SpeedRegulationView, SetValueGoesOutNegatedOnlyOnSoftware0x1000AndIsClamped) {
  for (uint16_t version : {uint16_t{0x1000}, uint16_t{0x1001}}) {
    SCOPED_TRACE(version);
    sim::DeviceConfig config;
    config.identity.softwareVersion = version;
    MainFrameDesk desk(config);
    CMainFrame& frame = *desk.frame;
    CSpeedRegulationView& view = frame.SpeedView();
    WriteSysConfig(frame, 0x8F00);
    frame.SetOfflineCommanding(true);
    ASSERT_TRUE(view.ReRead());
    const int sign = version == 0x1000 ? -1 : 1;
    int32_t sent = 0;

    view.UserSetText(View::kIdSetValue, "100");
    view.UserEvent(View::kIdSetValue, EventKind::Enter);
    ASSERT_TRUE(desk.zel.Device().ReadParameter(133, sent));
    EXPECT_EQ(sent, sign * 100);
    EXPECT_EQ(view.SetValueShown(), 100);
    view.Press(View::kIdPlus10);
    view.Press(View::kIdMinus1);
    ASSERT_TRUE(desk.zel.Device().ReadParameter(133, sent));
    EXPECT_EQ(sent, sign * 109);
    EXPECT_EQ(view.Text(View::kIdSetValue), "109");

    view.UserSetText(View::kIdSetValue, "-30000");
    view.UserEvent(View::kIdSetValue, EventKind::Enter);
    EXPECT_EQ(desk.Host().LastMessage(), "The value 'Speed Setting' is too small!");
    ASSERT_TRUE(desk.zel.Device().ReadParameter(133, sent));
    EXPECT_EQ(sent, sign * -view.FindSetting(17)->value);
    view.Press(View::kIdZero);
    ASSERT_TRUE(desk.zel.Device().ReadParameter(133, sent));
    EXPECT_EQ(sent, 0);
  }
}

TEST(CurrentRegulationView, ActualCurrentFollowsTheSoftwareVersion) {
  MainFrameDesk desk;
  CCurrentRegulationView& view = desk.frame->CurrentView();
  auto feed = [&](int16_t d, int16_t q) {
    monitor::CurrentViewData data;
    data.sysConfig = view.SysConfig();
    data.currentDAxis = static_cast<uint16_t>(d);
    data.currentQAxis = static_cast<uint16_t>(q);
    view.StoreMonitorData(data);
    view.Post(View::kMsgNewData);
    ui::Dispatcher::Default().Pump();
  };
  auto atVersion = [&](uint16_t version) {
    sim::DeviceIdentity identity = desk.zel.Device().Identity();
    identity.softwareVersion = version;
    desk.zel.Device().SetIdentity(identity);
    EXPECT_TRUE(view.ReRead());
  };

  atVersion(0x1000);  // the mean of the last 20 magnitudes
  for (int16_t q = 1; q <= 25; ++q) feed(0, q);
  EXPECT_EQ(view.DisplayedActual(), 31) << "2 * (6 + ... + 25) / 20";
  EXPECT_EQ(view.Text(View::kIdActual), "31 mA");

  atVersion(0x1010);  // the magnitude itself
  feed(30, -40);
  EXPECT_EQ(view.DisplayedActual(), 100);
  feed(3, 4);
  EXPECT_EQ(view.DisplayedActual(), 10);

  atVersion(0x1020);  // q as delivered
  feed(30, -40);
  EXPECT_EQ(view.DisplayedActual(), -40);
  EXPECT_EQ(view.Trend().SampleCount(), 28u);
}

TEST(CurrentRegulationView, P3ActiveWritesSysConfigThenReReadsBothCurrentLimits) {
  MainFrameDesk desk;
  CMainFrame& frame = *desk.frame;
  CCurrentRegulationView& view = frame.CurrentView();
  sim::DeviceModel& zel = desk.zel.Device();
  const uint16_t before = WriteSysConfig(frame, 0x8400 | 0x0004 | 0x0080 | 0x0800);
  frame.SetOfflineCommanding(true);
  ASSERT_TRUE(view.ReRead());
  EXPECT_TRUE(view.IsEnabled(EditOf(view, 15)));
  link::ParameterGroup& parameters = frame.Communication().Parameter();
  ASSERT_TRUE(parameters.SetTempParam(15, 0, 3000));
  ASSERT_TRUE(parameters.SetTempParam(14, 0, 9000));

  ASSERT_TRUE(view.UserSetValue(View::kIdP3, 1));
  EXPECT_EQ(zel.TempParameter(1), before & ~0x0400) << "bits 1 to 8, 11 and 14 kept as read";
  EXPECT_EQ(view.Text(EditOf(view, 15)), "3000");
  EXPECT_EQ(view.Text(EditOf(view, 14)), "9000");
  EXPECT_FALSE(view.IsEnabled(EditOf(view, 15)));
  EXPECT_EQ(view.Text(View::kIdSetMax), "3000 mA");

  // The 'Set value' input box sets bit 0 and clears it again.
  ASSERT_TRUE(view.UserSetValue(View::kIdSetValueInput, 1));
  EXPECT_EQ(zel.TempParameter(1) & 0x0001, 0x0001);
  ASSERT_TRUE(view.UserSetValue(View::kIdSetValueInput, 0));
  EXPECT_EQ(zel.TempParameter(1) & 0x0001, 0);
  EXPECT_EQ(view.Value(View::kIdSetValueInput), 0);

  // Current set value: clamped to the continuous current, and sent.
  view.UserSetText(View::kIdSetValue, "4000");
  view.UserEvent(View::kIdSetValue, EventKind::Enter);
  EXPECT_EQ(desk.Host().LastMessage(), "The value 'Current Setting' is too large!");
  int32_t sent = 0;
  ASSERT_TRUE(zel.ReadParameter(131, sent));
  EXPECT_EQ(sent, 3000);
}

TEST(MainFrameRegulation, SelectingTheShownViewDoesNotReReadAndTheOtherIsReReadOnce) {
  MainFrameDesk desk;
  CMainFrame& frame = *desk.frame;
  WriteSysConfig(frame, 0x8F00);
  frame.Refresh();
  ASSERT_EQ(frame.RegulationTab(), MainPaneLayout::kSpeedRegulationTab);
  EXPECT_EQ(frame.SpeedView().Text(EditOf(frame.SpeedView(), 17)),
            std::to_string(desk.zel.Device().TempParameter(17)))
      << "the refresh re-reads the views";

  const uint64_t frames = desk.zel.FramesSeen();
  ui::Dispatcher::Default().Post(frame.TargetId(), CMainFrame::kMsgRegulationMode, 1);
  ui::Dispatcher::Default().Pump();
  EXPECT_EQ(desk.zel.FramesSeen(), frames);

  ASSERT_TRUE(frame.Communication().Parameter().SetTempParam(15, 0, 2500));
  ui::Dispatcher::Default().Post(frame.TargetId(), CMainFrame::kMsgRegulationMode, 0);
  ui::Dispatcher::Default().Pump();
  EXPECT_EQ(frame.RegulationTab(), MainPaneLayout::kCurrentRegulationTab);
  EXPECT_GT(desk.zel.FramesSeen(), frames);
  EXPECT_EQ(frame.CurrentView().Text(EditOf(frame.CurrentView(), 15)), "2500");
}

TEST(MainFrameRegulation, ParameterEditAdjustsTheApplicationOnlyUpToSoftware0x1000) {
  for (uint16_t version : {uint16_t{0x1000}, uint16_t{0x1001}}) {
    SCOPED_TRACE(version);
    sim::DeviceConfig config;
    config.identity.softwareVersion = version;
    config.password = "%R!T";
    MainFrameDesk desk(config);
    CMainFrame& frame = *desk.frame;
    frame.SetMonitorRunningSource([] { return true; });
    ASSERT_TRUE(frame.ReadIdentity());
    const uint16_t sysConfig = desk.zel.Device().TempParameter(1);
    const uint16_t q = desk.zel.Device().Memory(809);
    // Parameter 20 (the encoder resolution) written with the value it has.
    desk.Host().QueueModal([](ui::Window& w) {
      w.UserSelect(parameters::CSelectParameterDlg::kIdList, 20);
      w.Press(ui::kIdOk);
    });
    desk.Host().QueueModal([](ui::Window& w) { w.Press(ui::kIdOk); });
    frame.OnCommand(32775);
    const unsigned resolution = desk.zel.Device().TempParameter(20);
    ASSERT_GT(resolution, 0u);
    const app::AdjustmentValues expected = app::ComputeAdjustment(resolution);
    if (version == 0x1000) {
      EXPECT_EQ(desk.zel.Device().Memory(809), static_cast<uint16_t>(expected.q));
      EXPECT_EQ(desk.zel.Device().Memory(794), static_cast<uint16_t>(expected.p));
      EXPECT_EQ(desk.zel.Device().Memory(793), static_cast<uint16_t>(expected.s));
      EXPECT_EQ(desk.zel.Device().TempParameter(1) & 0x4000, sysConfig & 0x4000)
          << "SysConfig written back as read before the password";
      // From about 15000 pulses per turn Q no longer fits the 16-bit write: refused, said, and
      // nothing sent in service mode.
      ASSERT_TRUE(frame.Communication().Parameter().SetTempParam(20, 0, 20000));
      desk.Host().Clear();
      EXPECT_FALSE(app::RunApplicationAdjustment(frame.Communication()));
      ASSERT_EQ(desk.Host().Messages().size(), 1u);
      EXPECT_NE(desk.Host().Messages()[0].find("20000 pulses per turn is too large"),
                std::string::npos)
          << desk.Host().Messages()[0];
      EXPECT_EQ(desk.zel.Device().Memory(809), static_cast<uint16_t>(expected.q));
      EXPECT_FALSE(desk.zel.Device().InServiceMode());
    } else {
      EXPECT_EQ(desk.zel.Device().Memory(809), q);
      EXPECT_FALSE(desk.zel.Device().InServiceMode());
    }
    for (const std::string& message : desk.Host().Messages())
      EXPECT_EQ(message.find("password"), std::string::npos) << "the adjustment says nothing";
  }
}

TEST(ApplicationAdjustment, ValuesForAThousandPulsesPerTurn) {
  const app::AdjustmentValues v = app::ComputeAdjustment(1000);
  EXPECT_EQ(v.p, 480);
  EXPECT_EQ(v.q, 4369);  // 4369.07
  EXPECT_EQ(v.s, 512);
  EXPECT_EQ(app::ComputeAdjustment(1024).q, 4474);     // 4473.92 rounds up
  EXPECT_EQ(app::ComputeAdjustment(40000).q, 174763);  // 174762.67: beyond 32 bits on the way
}

TEST(MainFrameRegulation, TheMonitorFeedsBothViewsAndTheModeRadioAsksForTheChange) {
  MainFrameDesk desk;
  CMainFrame& frame = *desk.frame;
  WriteSysConfig(frame, 0x8F00);
  frame.StartMonitor();
  CSpeedRegulationView& speed = frame.SpeedView();
  ASSERT_TRUE(
      ScriptedHost::PumpUntil([&] { return speed.IsOnline() && speed.NewDataCount() > 2; }));
  EXPECT_GT(speed.Trend().SampleCount(), 2u);

  desk.Host().QueueYesNo(true);
  ASSERT_TRUE(speed.UserSetValue(View::kIdModeCurrent, 1));
  EXPECT_EQ(desk.Host().Questions().back(),
            "Do you really want to change to the current regulation mode!");
  EXPECT_EQ(desk.zel.Device().TempParameter(1) & 0x002C, 0x0004);
  EXPECT_EQ(frame.RegulationTab(), MainPaneLayout::kCurrentRegulationTab);
  CCurrentRegulationView& current = frame.CurrentView();
  const int before = current.NewDataCount();
  ASSERT_TRUE(ScriptedHost::PumpUntil([&] { return current.NewDataCount() > before + 2; }));
  EXPECT_EQ(current.Value(View::kIdModeCurrent), 1);
  frame.StopMonitor();
}

}  // namespace
}  // namespace zel::views
