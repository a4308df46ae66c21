#include "app/MonitorControl.h"

#include <cstdio>

#include "app/CMainFrame.h"
#include "app/MainPaneLayout.h"
#include "link/CSearchCommunicationDlg.h"
#include "monitor/CMonitorRefreshDlg.h"

namespace zel::app {

void MonitorControl::Link() {
  monitor::PollingMonitor& monitor = frame_.Monitor();
  monitor.LinkCommunication(frame_.Communication());
  monitor.LinkFirmwareRegistry(&frame_.Firmware());
  monitor.LinkViews(&frame_.SpeedView(), &frame_.CurrentView(), &frame_.StatusView());
  monitor.SetMainWindow(frame_.TargetId());
}

void MonitorControl::Start() {
  frame_.Monitor().Start();
  frame_.Changed();
}

void MonitorControl::Stop() {
  frame_.Monitor().Stop();
  // The note is about what the monitor found; it goes with the monitor.
  identityNote_.clear();
  frame_.Changed();
}

void MonitorControl::RunCommand(int id) {
  switch (id) {
    case CMainFrame::kCmdStartMonitor:
    case CMainFrame::kToolStartMonitor:
      Start();
      break;
    case CMainFrame::kCmdStopMonitor:
    case CMainFrame::kToolStopMonitor:
      Stop();
      break;
    case CMainFrame::kCmdRefreshRate:
      monitor::CMonitorRefreshDlg::Run(frame_.Monitor());
      break;
    case CMainFrame::kCmdSearchCommunication:
      // The monitor may keep running: its commands go to whichever candidate is open.
      link::SearchCommunication(frame_.Communication(), true);
      break;
    default:
      break;
  }
}

void MonitorControl::OnMessage(unsigned message, std::uintptr_t wParam) {
  switch (message) {
    case CMainFrame::kMsgRepaint:
      frame_.Changed();
      break;
    case CMainFrame::kMsgRegulationMode:
      frame_.refresh_.SelectRegulationTab(wParam == 0 ? MainPaneLayout::kCurrentRegulationTab
                                                      : MainPaneLayout::kSpeedRegulationTab);
      break;
    case CMainFrame::kMsgReadIdentity:
      OnReadIdentity();
      break;
    case CMainFrame::kMsgRegulationCheck:
      frame_.CheckRegulationMode();
      break;
    case CMainFrame::kMsgRefresh:
      frame_.Refresh();
      break;
    case CMainFrame::kMsgFirmwareCheck:
      // Without the front end's settings no package is known; see SetFirmwareCheckOnRefresh.
      if (frame_.refresh_.FirmwareCheckOnRefresh()) frame_.refresh_.StartupFirmwareCheck();
      break;
    default:
      break;
  }
}

void MonitorControl::OnReadIdentity() {
  // The line is back after a loss (or the monitor has just started): a ZEL that answers with
  // another identity than before is another ZEL, or the same with another firmware, whatever
  // the views still show of the one before. The note stays until the next one; the monitor may
  // ask again before the views have heard that the ZEL is online.
  const DeviceIdentity before = frame_.Identity();
  if (!frame_.ReadIdentity()) return;
  const DeviceIdentity& now = frame_.Identity();
  const bool known = before.softwareVersion != 0 || before.hardwareVersion != 0;
  if (known && (before.softwareVersion != now.softwareVersion ||
                before.hardwareVersion != now.hardwareVersion ||
                before.applicationNumber != now.applicationNumber ||
                before.applicationVersion != now.applicationVersion)) {
    char note[96];
    std::snprintf(note, sizeof note, "Another ZEL is connected: software version 0x%.4x.",
                  now.softwareVersion);
    identityNote_ = note;
    frame_.Changed();
  }
  monitor::CStatusView& statusView = frame_.StatusView();
  statusView.StoreIdentity(now.softwareVersion, now.hardwareVersion, now.applicationNumber,
                           now.applicationVersion);
  statusView.ShowStoredData();
}

std::vector<std::string> MonitorControl::StatusPaneTexts() const {
  const monitor::CStatusView& statusView = frame_.StatusView();
  std::string message = identityNote_;
  if (statusView.ErrorPresent()) {
    // The errors by name, as the status view lists them, so they are seen whichever view is
    // in front.
    std::string names;
    for (const monitor::ListedError& listed : statusView.Rows())
      names += (names.empty() ? "" : ", ") + listed.row.name;
    message += (message.empty() ? "" : " ") + statusView.Text(monitor::CStatusView::kIdHeading) +
               " " + names;
  }
  if (message.empty()) message = "Ready";
  return {message, "CAP", "NUM", "SCRL", frame_.MonitorRunning() ? "Monitor Running" : ""};
}

}  // namespace zel::app
