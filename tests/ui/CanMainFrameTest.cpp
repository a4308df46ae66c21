#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/CMainFrame.h"
#include "can/CCanWizardSearchDialogs.h"
#include "can/CCanWizardSheet.h"
#include "ui/MainFrameDesk.h"

namespace zel::app {
namespace {

using ui::ScriptedHost;
using ui::Window;

TEST(CanMainFrame, NetworkSheetNeedsTheMonitorAndTheWizardsSearchLeavesTheZelOnline) {
  sim::CanModuleConfig module;
  module.moduleId = 3;
  module.bitRateIndex = 2;
  test::MainFrameDesk desk({}, {module});
  CMainFrame& frame = *desk.frame;
  ASSERT_TRUE(frame.ReadIdentity());
  EXPECT_TRUE(frame.IsCommandEnabled(CMainFrame::kCmdCanWizard));
  frame.OnCommand(CMainFrame::kCmdCanNetwork);
  EXPECT_EQ(desk.Host().Messages(),
            std::vector<std::string>{"The ZEL is not online!\nSwitch on the monitor!"});
  EXPECT_TRUE(desk.Host().ModalTitles().empty());

  frame.StartMonitor();
  ASSERT_TRUE(ScriptedHost::PumpUntil([&] { return frame.StatusView().IsOnline(); }));
  desk.Host().QueueModal([](Window& w) {
    EXPECT_EQ(w.Title(), "CAN Network");
    w.Press(ui::kIdCancel);
  });
  frame.OnCommand(CMainFrame::kCmdCanNetwork);

  // From the wizard view: a search while the monitor runs, which has the line to itself.
  std::vector<uint16_t> found;
  desk.Host().QueueModal([&](Window& w) {
    auto& sheet = dynamic_cast<can::CCanWizardSheet&>(w);
    ASSERT_TRUE(sheet.SetActivePage(sheet.IndexOf(can::CCanWizardPage6::kId)));
    desk.Host().QueueModal([](Window& ask) {
      ask.UserSetText(can::CNumberOfModulesDlg::kIdCount, "2");
      ask.Press(ui::kIdOk);
    });
    ASSERT_TRUE(sheet.page6.Press(can::CCanWizardPage6::kIdSearch));
    ASSERT_TRUE(ScriptedHost::PumpUntil([&] { return !sheet.page6.Searching(); },
                                        std::chrono::seconds(60)));
    found = sheet.page6.FoundModules();
    sheet.Press(ui::kIdCancel);
  });
  CWizardView& view = frame.WizardView();
  view.UserSelect(CWizardView::kIdList, CMainFrame::kCanWizard);
  view.UserEvent(CWizardView::kIdList, ui::EventKind::DoubleClick);
  ASSERT_TRUE(ScriptedHost::PumpUntil([&] { return !found.empty(); }, std::chrono::seconds(60)));
  EXPECT_EQ(found, (std::vector<uint16_t>{2, 3}));
  EXPECT_TRUE(ScriptedHost::PumpUntil([&] { return frame.StatusView().IsOnline(); }));

  // Closed in the middle of a search, the wizard still frees the line and restores the gateway.
  desk.Host().QueueModal([&](Window& w) {
    auto& sheet = dynamic_cast<can::CCanWizardSheet&>(w);
    ASSERT_TRUE(sheet.SetActivePage(sheet.IndexOf(can::CCanWizardPage6::kId)));
    desk.Host().QueueModal([](Window& ask) { ask.Press(ui::kIdOk); });
    ASSERT_TRUE(sheet.page6.Press(can::CCanWizardPage6::kIdSearch));
    ASSERT_TRUE(ScriptedHost::PumpUntil([&] { return sheet.page6.FoundModules().size() == 2; },
                                        std::chrono::seconds(60)));
    sheet.Press(ui::kIdCancel);
  });
  frame.OnCommand(CMainFrame::kCmdCanWizard);
  EXPECT_TRUE(ScriptedHost::PumpUntil([&] { return frame.StatusView().IsOnline(); }));
  EXPECT_EQ(desk.zel.Device().TempParameter(34), 0x066C);
  EXPECT_EQ(desk.zel.Device().TempParameter(35), 1);
  EXPECT_EQ(desk.Host().UnfinishedWindows(), 0);
  frame.StopMonitor();
}

}  // namespace
}  // namespace zel::app
