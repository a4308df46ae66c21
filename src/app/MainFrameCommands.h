#pragma once

#include <memory>
#include <string>

#include "app/ParameterMenuCommands.h"
#include "monitor/CReadErrorDlg.h"
#include "monitor/CSysStatusDlg.h"
#include "monitor/CVariablesDlg.h"
#include "ui/CommandOutcome.h"

namespace zel::app {

class CMainFrame;

// The main window's menu and tool bar: which command is enabled, checked and how it is
// labelled, and running it, with the status, error and variables windows the commands toggle.
// Part of the main window, which forwards to it; built after the communication stack and the
// error maps, which the windows read through. UI thread.
class MainFrameCommands {
 public:
  explicit MainFrameCommands(CMainFrame& frame);
  ~MainFrameCommands();
  MainFrameCommands(const MainFrameCommands&) = delete;
  MainFrameCommands& operator=(const MainFrameCommands&) = delete;

  // See CMainFrame: IsCommandEnabled, IsCommandChecked, CommandLabel, OnCommand.
  bool IsEnabled(int id) const;
  bool IsChecked(int id) const;
  std::string Label(int id) const;
  void Run(int id);

  // The toggled windows; null while closed.
  monitor::CSysStatusDlg* SysStatusWindow() const { return OpenWindow(sysStatusDlg_); }
  monitor::CReadErrorDlg* ReadErrorWindow() const { return OpenWindow(readErrorDlg_); }
  monitor::CVariablesDlg* VariablesWindow() const { return OpenWindow(variablesDlg_); }

 private:
  // Each runs the commands of its kind; false for an id of another kind.
  bool RunDeviceCommand(int id);
  bool RunFirmwareCommand(int id);
  bool RunWindowCommand(int id);
  // "Command failed!" for a failed outcome; true when the command was done.
  bool Report(ui::CommandOutcome outcome);
  void Failed();
  // A package the user picks (File menu) or the package in use (Help menu).
  void ShowFirmwareFile(int id);
  void ShowCurrentFirmware(int id);
  // Shows the window if it is closed, closes it if it is open; false when showing failed.
  bool ToggleWindow(int id);
  template <typename T>
  static T* OpenWindow(const std::unique_ptr<T>& window) {
    return window && !window->IsEnded() ? window.get() : nullptr;
  }

  CMainFrame& frame_;
  std::unique_ptr<ParameterMenuCommands> parameterMenu_;
  std::unique_ptr<monitor::CSysStatusDlg> sysStatusDlg_;
  std::unique_ptr<monitor::CReadErrorDlg> readErrorDlg_;
  std::unique_ptr<monitor::CVariablesDlg> variablesDlg_;
};

}  // namespace zel::app
