#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zel::app {

class CMainFrame;

// The main window's side of the polling monitor: linking it to the window's stack and views,
// starting and stopping it, its menu commands, the messages it posts to the window, and the
// status line that shows what it found. Part of the main window, which forwards to it. UI thread.
class MonitorControl {
 public:
  explicit MonitorControl(CMainFrame& frame) : frame_(frame) {}
  MonitorControl(const MonitorControl&) = delete;
  MonitorControl& operator=(const MonitorControl&) = delete;

  // Once everything the monitor reads through exists.
  void Link();
  void Start();
  void Stop();
  // Start, stop, refresh rate, and the communication search.
  void RunCommand(int id);
  // The monitor's messages; others are ignored.
  void OnMessage(unsigned message, std::uintptr_t wParam);
  // See CMainFrame::StatusPaneTexts.
  std::vector<std::string> StatusPaneTexts() const;

 private:
  void OnReadIdentity();

  CMainFrame& frame_;
  // The message pane's note that the monitor found another ZEL than before the line was lost.
  std::string identityNote_;
};

}  // namespace zel::app
