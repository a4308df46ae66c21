#include "app/CMainFrame.h"
#include "ui/MainFrameDesk.h"

#include <gtest/gtest.h>

#include <set>

#include "app/MainPaneLayout.h"
#include "app/MenuCommandTable.h"
#include "link/CAttentionDlg.h"
#include "link/CReadVersionDlg.h"
#include "link/PosixSerialChannel.h"
#include "ui/SimulatedZel.h"

namespace zel::app {
namespace {

using ui::Window;

using Desk = test::MainFrameDesk;

TEST(MenuCommandTable, IdsAreUniqueAndMenusKeepTheirOrder) {
  std::set<int> ids;
  for (const MenuCommand& c : MenuCommandTable::Commands())
    EXPECT_TRUE(ids.insert(c.id).second) << c.id;
  EXPECT_EQ(MenuCommandTable::TopMenus(),
            (std::vector<std::string>{"File", "Communication", "Status", "Data", "Parameter",
                                      "Service", "CAN Commands", "Wizards", "View", "Help"}));
  // Labels are the menu's own, blanks and mnemonics included.
  EXPECT_EQ(MenuCommandTable::Find(32785)->label, "En&able System ");
  EXPECT_EQ(MenuCommandTable::Find(32774)->label, "Edit &All  Temp Systemparameter");
  EXPECT_EQ(MenuCommandTable::Find(32904)->menuPath,
            (std::vector<std::string>{"CAN Commands", "CAN Node Configuration",
                                      "Set RTR Configuration"}));
}

TEST(MainPaneLayout, UpperRowTakesAllBut130PixelsAndNeverGoesNegative) {
  auto sizes = MainPaneLayout::ComputeSizes(600);
  EXPECT_EQ(sizes.wizardColumnWidth, 115);
  EXPECT_EQ(sizes.wizardColumnMinimum, 11);
  EXPECT_EQ(sizes.upperRowHeight, 470);
  EXPECT_EQ(sizes.upperRowMinimum, 47);
  sizes = MainPaneLayout::ComputeSizes(129);
  EXPECT_EQ(sizes.upperRowHeight, 0);
  EXPECT_EQ(sizes.upperRowMinimum, 0);
  sizes = MainPaneLayout::ComputeSizes(139);
  EXPECT_EQ(sizes.upperRowMinimum, 0) << "9 / 10 is 0 in integer division";
}

TEST(MainFrame, WizardViewDoubleClickPostsTheSelectedIndex) {
  sim::DeviceConfig old;
  old.identity.softwareVersion = 0x103F;
  Desk desk(old);
  std::vector<int> launched;
  for (int i = 0; i < CMainFrame::kWizardCount; ++i)
    desk.frame->SetWizardLauncher(i, [&launched, i] { launched.push_back(i); });
  ASSERT_TRUE(desk.frame->ReadIdentity());
  CWizardView& view = desk.frame->WizardView();
  EXPECT_EQ(view.Text(CWizardView::kIdCaption), "Wizards");
  ASSERT_EQ(view.Find(CWizardView::kIdList)->rows.size(), 4u);

  view.UserEvent(CWizardView::kIdList, ui::EventKind::DoubleClick);  // empty space
  view.UserSelect(CWizardView::kIdList, 1);
  view.UserEvent(CWizardView::kIdList, ui::EventKind::DoubleClick);
  view.UserSelect(CWizardView::kIdList, 3);
  view.UserEvent(CWizardView::kIdList, ui::EventKind::DoubleClick);
  EXPECT_TRUE(launched.empty()) << "launches wait for the UI thread's message loop";
  ui::Dispatcher::Default().Pump();
  EXPECT_EQ(launched, std::vector<int>{3});
  EXPECT_EQ(desk.Host().Messages(),
            std::vector<std::string>{
                "CAN Wizard only available for Software Version 0x1040 and higher!"});
}

TEST(MainFrame, CommandsAreEnabledWhenAllowedForTheVersion) {
  Desk desk;  // software version 0x1040
  CMainFrame& frame = *desk.frame;
  EXPECT_EQ(frame.CommandLabel(32877), "Set CAN BCR1");  // nothing read yet
  ASSERT_TRUE(frame.ReadIdentity());
  EXPECT_EQ(frame.CommandLabel(32877), "Set CAN BCR1 and BCR2");
  EXPECT_EQ(frame.CommandLabel(32881), "Config RTR");
  EXPECT_EQ(frame.CommandLabel(32792), "Read &Version");
  EXPECT_TRUE(frame.IsCommandEnabled(CMainFrame::kCmdReadVersion));
  EXPECT_FALSE(frame.IsCommandEnabled(32878));
  EXPECT_FALSE(frame.IsCommandEnabled(12345)) << "no such command";

  // "Autostart" is the start-up wizard's open-at-start flag, checked while set; toggling it
  // asks the ZEL nothing.
  ASSERT_TRUE(frame.IsCommandEnabled(CMainFrame::kCmdAutostart));
  EXPECT_TRUE(frame.IsCommandChecked(CMainFrame::kCmdAutostart)) << "set until cleared";
  uint64_t frames = desk.zel.FramesSeen();
  frame.OnCommand(CMainFrame::kCmdAutostart);
  EXPECT_FALSE(frame.IsCommandChecked(CMainFrame::kCmdAutostart));
  EXPECT_EQ(frame.Wizards().StartupWizardAtStart(), 0);
  frame.OnCommand(CMainFrame::kCmdAutostart);
  EXPECT_EQ(frame.Wizards().StartupWizardAtStart(), 1);
  EXPECT_TRUE(desk.Host().Messages().empty());
  EXPECT_EQ(desk.zel.FramesSeen(), frames);
}

TEST(MainFrame, OnlineCommandsNeedTheMonitorAndSendNothingWithoutIt) {
  Desk desk;
  uint64_t frames = desk.zel.FramesSeen();
  desk.frame->OnCommand(CMainFrame::kCmdParameterProperties);
  EXPECT_EQ(desk.Host().Messages(),
            std::vector<std::string>{"The ZEL is not online!\nSwitch on the monitor!"});
  EXPECT_TRUE(desk.Host().ModalTitles().empty());
  EXPECT_EQ(desk.zel.FramesSeen(), frames);

  bool running = true;
  desk.frame->SetMonitorRunningSource([&] { return running; });
  EXPECT_EQ(desk.frame->StatusPaneTexts(),
            (std::vector<std::string>{"Ready", "CAP", "NUM", "SCRL", "Monitor Running"}));
  desk.frame->OnCommand(CMainFrame::kCmdParameterProperties);
  EXPECT_EQ(desk.Host().ModalTitles(), std::vector<std::string>{"Parameter Properties"});
  running = false;
  EXPECT_EQ(desk.frame->StatusPaneTexts().back(), "");
}

TEST(MainFrame, FailedOperationsSayCommandFailed) {
  Desk desk;
  desk.zel.Sim().Faults().SetNeverAnswer(true);
  desk.frame->OnCommand(CMainFrame::kCmdReadVersion);
  desk.frame->OnCommand(CMainFrame::kCmdSaveTempParam);
  desk.frame->OnCommand(CMainFrame::kCmdQuitServiceMode);
  EXPECT_EQ(desk.Host().Messages(), (std::vector<std::string>{"Command failed!", "Command failed!",
                                                              "Failed quitting service mode!"}));
  EXPECT_TRUE(desk.Host().ModalTitles().empty());
}

TEST(MainFrame, ReadVersionThroughTheMenuShowsTheIdentity) {
  Desk desk;
  std::string software;
  desk.Host().QueueModal([&](Window& w) {
    software = w.Text(link::CReadVersionDlg::kIdSoftwareVersion);
    w.Press(ui::kIdOk);
  });
  desk.frame->OnCommand(CMainFrame::kToolReadVersion);
  EXPECT_EQ(software, "0x1040");
  EXPECT_TRUE(desk.Host().Messages().empty());
}

TEST(MainFrame, RefreshFollowsSysConfigAndRewritesAForbiddenMode) {
  Desk desk;
  CMainFrame& frame = *desk.frame;
  link::ParameterGroup& parameters = frame.Communication().Parameter();
  uint16_t sysConfig = 0;
  ASSERT_TRUE(parameters.ReadTempParam(1, sysConfig));

  ASSERT_TRUE(parameters.SetTempParam(1, 0, (sysConfig & 0xFFD3) | 0x0004));
  frame.Refresh();
  EXPECT_EQ(frame.RegulationTab(), MainPaneLayout::kCurrentRegulationTab);

  ASSERT_TRUE(parameters.SetTempParam(1, 0, sysConfig | 0x0024));
  frame.OnCommand(CMainFrame::kCmdResetTempParam);  // EEPROM copy back, then refresh
  EXPECT_EQ(frame.RegulationTab(), MainPaneLayout::kSpeedRegulationTab);

  ASSERT_TRUE(parameters.SetTempParam(1, 0, (sysConfig & 0xFFD3) | 0x0024));
  frame.Refresh();
  EXPECT_EQ(desk.zel.Device().TempParameter(1) & 0x002C, 0);
  EXPECT_EQ(desk.Host().LastMessage(),
            "This regulation mode is not allowed!\nThe ZEL is set to the speed regulation mode!");
  EXPECT_EQ(frame.RegulationTab(), MainPaneLayout::kSpeedRegulationTab)
      << "after an accepted rewrite the views stay as they are";

  // Set again behind the tool's back: rewritten again at the next refresh.
  desk.Host().Clear();
  ASSERT_TRUE(parameters.SetTempParam(1, 0, (sysConfig & 0xFFD3) | 0x0020));
  frame.Refresh();
  EXPECT_EQ(desk.zel.Device().TempParameter(1) & 0x002C, 0);
  EXPECT_EQ(desk.Host().Messages().size(), 1u);
}

TEST(MainFrame, QuitServiceModeReportsItsOwnOutcome) {
  Desk desk;
  uint16_t answer = 0;
  ASSERT_TRUE(desk.frame->Communication().Service().Service("ZELS", answer));
  desk.Host().Clear();
  desk.frame->OnCommand(CMainFrame::kCmdQuitServiceMode);
  EXPECT_EQ(desk.Host().Messages(),
            std::vector<std::string>{"You have just quit the service mode!"});
  EXPECT_FALSE(desk.zel.Device().InServiceMode());
}

}  // namespace
}  // namespace zel::app

namespace zel::app {
namespace {

TEST(MainFrame, PickingARegulationTabAsksAndSwitchesTheModeWithTheDriveDisabled) {
  Desk desk;
  CMainFrame& frame = *desk.frame;
  link::ParameterGroup& parameters = frame.Communication().Parameter();
  uint16_t sysConfig = 0;
  ASSERT_TRUE(parameters.ReadTempParam(1, sysConfig));
  const uint16_t speedMode = sysConfig & 0xFFD3;

  // Without bit 15 the input 'Digital2' decides: nothing is asked or written.
  ASSERT_TRUE(parameters.SetTempParam(1, 0, speedMode & 0x7FFF));
  frame.OnRegulationTabPicked(MainPaneLayout::kCurrentRegulationTab);
  EXPECT_EQ(desk.Host().LastMessage(),
            "Regulation mode is selected by 'Digital2' input!\nImpossible to change to the current "
            "regulation mode manually!");
  EXPECT_TRUE(desk.Host().Questions().empty());
  EXPECT_EQ(frame.RegulationTab(), MainPaneLayout::kSpeedRegulationTab)
      << "the check brings it back";

  // Declined: SysConfig stays.
  ASSERT_TRUE(parameters.SetTempParam(1, 0, speedMode | 0x8000));
  desk.Host().QueueYesNo(false);
  frame.OnRegulationTabPicked(MainPaneLayout::kCurrentRegulationTab);
  EXPECT_EQ(desk.Host().Questions().back(),
            "Do you really want to change to the current regulation mode!");
  EXPECT_EQ(desk.zel.Device().TempParameter(1) & 0x002C, 0);

  // Confirmed: current regulation, and the drive ends disabled under software enabling.
  desk.Host().QueueYesNo(true);
  frame.OnRegulationTabPicked(MainPaneLayout::kCurrentRegulationTab);
  EXPECT_EQ(desk.zel.Device().TempParameter(1) & 0x002C, 0x0004);
  EXPECT_EQ(desk.zel.Device().TempParameter(1) & 0x1000, 0x1000);
  EXPECT_FALSE(desk.zel.Device().SoftwareEnable()) << "the Enable command last said 0";
  EXPECT_EQ(desk.zel.Device().StatusWord() & 0x4000, 0);
  EXPECT_EQ(frame.RegulationTab(), MainPaneLayout::kCurrentRegulationTab);
  EXPECT_FALSE(frame.Communication().Status().EnableSuspended());

  // Already in that mode: nothing to ask.
  std::size_t asked = desk.Host().Questions().size();
  frame.OnRegulationTabPicked(MainPaneLayout::kCurrentRegulationTab);
  EXPECT_EQ(desk.Host().Questions().size(), asked);

  desk.zel.Sim().Faults().SetNeverAnswer(true);
  desk.Host().Clear();
  frame.OnRegulationTabPicked(MainPaneLayout::kSpeedRegulationTab);
  EXPECT_EQ(
      desk.Host().Messages(),
      std::vector<std::string>{"The ZEL is not online!\nPlease check the communication settings!"});
  EXPECT_EQ(frame.RegulationTab(), MainPaneLayout::kSpeedRegulationTab)
      << "the tab the user picked is the one shown";
  // Back online, the mode check brings the tab that matches the ZEL forward again.
  desk.zel.Sim().Faults().SetNeverAnswer(false);
  frame.CheckRegulationMode();
  EXPECT_EQ(frame.RegulationTab(), MainPaneLayout::kCurrentRegulationTab);
}

}  // namespace
}  // namespace zel::app

namespace zel::app {
namespace {

TEST(MainFrame, BackToHardwareEnablingWaitsForTheAttentionConfirmation) {
  Desk desk;
  link::StatusGroup& status = desk.frame->Communication().Status();
  bool softwareEnabling = false, enabled = false;
  auto suspendAndResume = [&](bool confirm) {
    ASSERT_TRUE(status.SuspendEnable(softwareEnabling, enabled, false));
    ASSERT_EQ(desk.zel.Device().TempParameter(1) & 0x1000, 0x1000);
    desk.Host().QueueModal([confirm](Window& w) {
      if (confirm) w.UserSetValue(link::CAttentionDlg::kIdConfirm, 1);
      w.Press(confirm ? ui::kIdOk : ui::kIdCancel);
    });
    status.ResumeEnable(false, enabled, true);
  };
  suspendAndResume(false);
  EXPECT_EQ(desk.zel.Device().TempParameter(1) & 0x1000, 0x1000) << "not confirmed, not written";
  suspendAndResume(true);
  EXPECT_EQ(desk.zel.Device().TempParameter(1) & 0x1000, 0);
  EXPECT_EQ(desk.Host().ModalTitles(), (std::vector<std::string>{"ATTENTION!", "ATTENTION!"}));
}

}  // namespace
}  // namespace zel::app
