#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/CMainFrame.h"
#include "monitor/CReadErrorDlg.h"
#include "monitor/CStatusView.h"
#include "ui/MainFrameDesk.h"

namespace zel::app {
namespace {

using monitor::CReadErrorDlg;
using monitor::CStatusView;
using Strings = std::vector<std::string>;

// A main window whose commands find the ZEL online without a monitor thread.
struct Desk : test::MainFrameDesk {
  Desk() {
    frame->SetMonitorRunningSource([] { return true; });
  }
  CMainFrame& Frame() { return *frame; }
  CReadErrorDlg& OpenReadError() {
    frame->OnCommand(CMainFrame::kCmdReadError);
    EXPECT_NE(frame->ReadErrorWindow(), nullptr) << Host().LastMessage();
    return *frame->ReadErrorWindow();
  }
};

std::string Question(const std::string& setValue) {
  return "The drive will run again at " + setValue +
         " when the errors are cleared.\nDo you want to clear the errors?";
}

// The ZEL's input 'Enable' is on and its speed set value comes from the analog input; only the
// error holds the motor.
TEST(ClearErrors, TheMenuAsksBeforeTheDriveRunsAgainAndTheReadErrorWindowFollows) {
  Desk desk;
  CMainFrame& frame = desk.Frame();
  desk.zel.Device().SetAnalogSetValue(-1500);
  desk.zel.Device().RaiseError(0);
  frame.Refresh();
  EXPECT_TRUE(frame.ErrorPresent());
  EXPECT_EQ(frame.StatusPaneTexts().front(), "ERROR FOUND! Error 0");
  EXPECT_EQ(frame.StatusView().Find(CStatusView::kIdHeading)->colour, CStatusView::kErrorColour);
  CReadErrorDlg& window = desk.OpenReadError();
  ASSERT_EQ(window.Rows().size(), 1u);

  // No, the default: nothing is sent that clears, nothing failed.
  desk.Host().Clear();
  frame.OnCommand(CMainFrame::kCmdClearError);
  EXPECT_EQ(desk.Host().Questions(), Strings{Question("-1500 rpm")});
  EXPECT_TRUE(desk.Host().Messages().empty()) << desk.Host().LastMessage();
  EXPECT_NE(desk.zel.Device().ErrorWord(), 0);
  EXPECT_EQ(window.Rows().size(), 1u);

  desk.Host().QueueYesNo(true);
  frame.OnCommand(CMainFrame::kCmdClearError);
  EXPECT_EQ(desk.Host().Messages(), Strings{"Errors are cleared!"});
  EXPECT_EQ(desk.zel.Device().ErrorWord(), 0);
  EXPECT_TRUE(window.Rows().empty()) << "the open window lists what the ZEL has now";
  EXPECT_EQ(window.Text(CReadErrorDlg::kIdCount), "OKAY: There is no error!");
  EXPECT_FALSE(frame.ErrorPresent());
  EXPECT_EQ(frame.StatusPaneTexts().front(), "Ready");

  // With the input off the drive stays standing: cleared without a question.
  desk.zel.Device().RaiseError(3);
  desk.zel.Device().SetEnableInput(false);
  desk.Host().Clear();
  frame.OnCommand(CMainFrame::kCmdClearError);
  EXPECT_TRUE(desk.Host().Questions().empty());
  EXPECT_EQ(desk.Host().Messages(), Strings{"Errors are cleared!"});
  EXPECT_EQ(desk.zel.Device().ErrorWord(), 0);
}

// Current regulation with a set value typed in: the status view's and the window's own clear
// ask the same, and a No is no failure.
TEST(ClearErrors, TheStatusViewAndTheReadErrorWindowAskTheSameInCurrentRegulation) {
  Desk desk;
  CMainFrame& frame = desk.Frame();
  link::ZelCommunication& comm = frame.Communication();
  ASSERT_TRUE(comm.Parameter().SetTempParam(1, 0, 0x0004));
  ASSERT_TRUE(comm.Drive().SetCurrent(500));
  desk.zel.Device().RaiseError(1);
  frame.Refresh();
  CStatusView& view = frame.StatusView();
  ASSERT_TRUE(view.IsEnabled(CStatusView::kIdClearErrors));
  CReadErrorDlg& window = desk.OpenReadError();

  desk.Host().Clear();
  view.Press(CStatusView::kIdClearErrors);
  ASSERT_TRUE(window.IsEnabled(CReadErrorDlg::kIdClear));
  window.Press(CReadErrorDlg::kIdClear);
  EXPECT_EQ(desk.Host().Questions(), (Strings{Question("500 mA"), Question("500 mA")}));
  EXPECT_TRUE(desk.Host().Messages().empty()) << desk.Host().LastMessage();
  EXPECT_NE(desk.zel.Device().ErrorWord(), 0);
  EXPECT_EQ(view.Rows().size(), 1u);

  desk.Host().QueueYesNo(true);
  view.Press(CStatusView::kIdClearErrors);
  EXPECT_EQ(desk.Host().Messages(), Strings{"Errors are cleared!"});
  EXPECT_TRUE(view.Rows().empty());
  EXPECT_TRUE(window.Rows().empty()) << "a clear from the status view reaches the window too";
  EXPECT_NE(desk.zel.Device().StatusWord() & 0x8000, 0) << "the power stage is on again";
}

}  // namespace
}  // namespace zel::app
