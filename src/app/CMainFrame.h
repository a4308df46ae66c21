#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/CWizardView.h"
#include "app/CanMenuCommands.h"
#include "app/DeviceIdentity.h"
#include "app/DeviceRefresh.h"
#include "app/MainFrameCommands.h"
#include "app/MonitorControl.h"
#include "app/ParameterMenuCommands.h"
#include "app/WizardCommands.h"
#include "firmware/DownloadController.h"
#include "firmware/FirmwareRegistry.h"
#include "firmware/PackageDefinitionLoader.h"
#include "link/ByteChannel.h"
#include "link/ZelCommunication.h"
#include "monitor/CErrorMapList.h"
#include "monitor/CReadErrorDlg.h"
#include "monitor/CStatusView.h"
#include "monitor/CSysStatusDlg.h"
#include "monitor/CVariablesDlg.h"
#include "monitor/ErrorClearing.h"
#include "monitor/PollingMonitor.h"
#include "recorder/Recorder.h"
#include "ui/Dispatcher.h"
#include "views/CCurrentRegulationView.h"
#include "views/CSpeedRegulationView.h"

namespace zel::app {

// The main window's core: it owns the communication stack, keeps the connected ZEL's identity,
// decides which menu command is enabled, checked and how it is labelled, and runs the commands.
// The desktop front end only renders it and forwards the user's choices. The command handling
// (MainFrameCommands), the refresh and identity sequences (DeviceRefresh) and the monitor's side
// (MonitorControl) are its parts; it owns them and everything they work through.
//
// UI thread only, except that messages may be posted to it from any thread.
class CMainFrame : public ui::MessageTarget {
 public:
  static constexpr const char* kTitle = "ZEL UserInterface Version 1.06";
  static constexpr int kWidth = 820;
  static constexpr int kHeight = 600;

  // Command ids of the menu (see MenuCommandTable).
  static constexpr int kCmdExit = 57665;
  static constexpr int kCmdSerialPortSettings = 32771;
  static constexpr int kCmdStartMonitor = 32836;
  static constexpr int kCmdStopMonitor = 32837;
  static constexpr int kCmdOfflineCommanding = 32851;
  static constexpr int kCmdRefreshRate = 32838;
  static constexpr int kCmdSearchCommunication = 32843;
  static constexpr int kToolStartMonitor = 32840;
  static constexpr int kToolStopMonitor = 32839;
  static constexpr int kCmdEnableSystem = 32785;
  static constexpr int kCmdClearError = 32784;
  static constexpr int kCmdResetSoftware = 32850;
  static constexpr int kCmdReadVelocity = 32777;
  static constexpr int kCmdReadCurrent = 32778;
  static constexpr int kCmdParameterProperties = 32849;
  static constexpr int kCmdSaveTempParam = 32791;
  static constexpr int kCmdResetTempParam = 32790;
  static constexpr int kCmdReadVersion = 32792;
  static constexpr int kCmdEnterServiceMode = 32786;
  static constexpr int kCmdQuitServiceMode = 32788;
  static constexpr int kCmdEditAddrVariable = 32787;
  static constexpr int kCmdStartupWizard = 32841;
  static constexpr int kCmdAutostart = 32842;
  static constexpr int kCmdAbout = 57664;
  static constexpr int kCmdViewToolbar = 59392;
  static constexpr int kCmdViewStatusBar = 59393;
  // Firmware packages: File menu (a package the user picks) and Help menu (the package in use).
  static constexpr int kCmdFirmwareRegistration = 32892;
  static constexpr int kCmdFirmwareDownload = 32920;
  static constexpr int kCmdFirmwareDownloadWizard = 32885;
  static constexpr int kCmdUpDownloadWizard = 32900;
  // The CAN network: its configuration sheet and the wizard that builds it.
  static constexpr int kCmdCanNetwork = 32903;
  static constexpr int kCmdCanWizard = 32913;
  static constexpr int kCmdFileFirmwareSummary = 32893;
  static constexpr int kCmdFileFirmwareDefaults = 32895;
  static constexpr int kCmdFileFirmwareReadMe = 32896;
  static constexpr int kCmdHelpFirmwareSummary = 32894;
  static constexpr int kCmdHelpFirmwareDefaults = 32897;
  static constexpr int kCmdHelpFirmwareReadMe = 32898;
  // The status, error and variables windows, each shown or closed again by its command.
  static constexpr int kCmdReadSysStatus = 32782;
  static constexpr int kCmdReadError = 32789;
  static constexpr int kCmdReadVariables = 32781;
  static constexpr int kToolReadSysStatus = 32822;
  static constexpr int kToolReadError = 32823;
  static constexpr int kToolReadVariables = 32830;
  // The recorder: "Record &Data" shows its window, or closes it when open.
  static constexpr int kCmdRecordData = 32780;
  static constexpr int kToolRecordData = 32831;
  // Tool bar duplicates.
  static constexpr int kToolSerialPortSettings = 32821;
  static constexpr int kToolReadVersion = 32833;
  static constexpr int kToolEnterServiceMode = 32825;
  static constexpr int kToolQuitServiceMode = 32832;
  static constexpr int kToolCanNetwork = 32902;

  static constexpr unsigned kMsgLaunchWizard = ui::kWmUser + 1;
  // The wizards by the index that kMsgLaunchWizard carries in wParam (the wizard view's order).
  static constexpr int kStartupWizard = 0;
  static constexpr int kCanWizard = 1;
  static constexpr int kDownloadWizard = 2;
  static constexpr int kUpDownloadWizard = 3;
  static constexpr int kWizardCount = 4;
  static constexpr unsigned kMsgRepaint = ui::kWmUser + 41;
  static constexpr unsigned kMsgRegulationMode = ui::kWmUser + 42;
  static constexpr unsigned kMsgRegulationCheck = ui::kWmUser + 44;
  static constexpr unsigned kMsgReadIdentity = ui::kWmUser + 45;
  static constexpr unsigned kMsgFirmwareCheck = ui::kWmUser + 46;
  static constexpr unsigned kMsgRefresh = ui::kWmUser + 47;

  // An empty opener uses the POSIX serial ports.
  explicit CMainFrame(link::ChannelOpener opener = {});
  ~CMainFrame() override;
  CMainFrame(const CMainFrame&) = delete;
  CMainFrame& operator=(const CMainFrame&) = delete;

  link::ZelCommunication& Communication() { return *communication_; }
  CWizardView& WizardView() { return wizardView_; }
  const DeviceIdentity& Identity() const { return refresh_.Identity(); }
  // The registered firmware packages and the error maps of the package in use; both follow the
  // connected ZEL's version.
  firmware::FirmwareRegistry& Firmware() { return firmware_; }
  monitor::CErrorMapList& ErrorMaps() { return errorMaps_; }
  // The status view of the lower pane, and the windows its commands toggle (null while closed).
  monitor::CStatusView& StatusView() { return statusView_; }
  monitor::CSysStatusDlg* SysStatusWindow() const { return commands_.SysStatusWindow(); }
  monitor::CReadErrorDlg* ReadErrorWindow() const { return commands_.ReadErrorWindow(); }
  monitor::CVariablesDlg* VariablesWindow() const { return commands_.VariablesWindow(); }
  recorder::Recorder& Recorder() { return *recorder_; }
  // The owners of the settings file's other records.
  firmware::DownloadController& DownloadControl() { return *downloadController_; }
  CanMenuCommands& CanMenu() { return *canMenu_; }

  // The settings file lives in the folder that was current when this window was created, however
  // the current folder changes later; a front end may choose another before loading.
  const std::filesystem::path& SettingsDirectory() const { return settingsDirectory_; }
  void SetSettingsDirectory(std::filesystem::path directory) {
    settingsDirectory_ = std::move(directory);
  }
  // At start and on every close; see SettingsFile.
  void LoadSettings();
  bool SaveSettings();
  // Registers every version of the package at path whose description reads; the number
  // registered (versions already registered are not counted).
  int RegisterPackage(const std::string& path);
  // After the identity read: when the ZEL's versions differ from those the user interface is
  // adjusted to, adjusts it to the matching package. False (after the message, and the window
  // closes) when no package fits.
  bool CheckFirmware() { return refresh_.CheckFirmware(); }
  // Whether Refresh runs CheckFirmware after the identity read (not during RunStartup), and
  // whether kMsgFirmwareCheck runs the start-up check. Off until the front end turns it on: a
  // main window without settings (tests, tools) knows no package and would close itself at the
  // first identity read.
  void SetFirmwareCheckOnRefresh(bool on) { refresh_.SetFirmwareCheckOnRefresh(on); }
  ui::Dispatcher::TargetId TargetId() const { return targetId_; }

  // Menu and tool bar.
  void OnCommand(int id) { commands_.Run(id); }
  bool IsCommandEnabled(int id) const { return commands_.IsEnabled(id); }
  bool IsCommandChecked(int id) const { return commands_.IsChecked(id); }
  // The label, for the commands whose label follows the ZEL's software version.
  std::string CommandLabel(int id) const { return commands_.Label(id); }

  // The polling monitor (built stopped, linked to the stack, the registry and the views) and its
  // running flag, which is what "online" means for the commands. A test may put another source
  // in place of the flag.
  monitor::PollingMonitor& Monitor() { return monitor_; }
  bool MonitorRunning() const { return monitorRunning_ ? monitorRunning_() : monitor_.IsRunning(); }
  void SetMonitorRunningSource(std::function<bool()> source) {
    monitorRunning_ = std::move(source);
  }
  // The views of the two regulation tabs; the monitor feeds them.
  views::CSpeedRegulationView& SpeedView() { return speedView_; }
  views::CCurrentRegulationView& CurrentView() { return currentView_; }
  // Lets the regulation views command the ZEL while the monitor is stopped.
  bool OfflineCommanding() const { return offlineCommanding_; }
  void SetOfflineCommanding(bool on);
  // Starts or stops the monitor, as the menu and tool bar do.
  void StartMonitor() { monitorControl_.Start(); }
  void StopMonitor() { monitorControl_.Stop(); }
  // The five status bar panes: message, "CAP", "NUM", "SCRL", and "Monitor Running" while the
  // monitor runs (empty otherwise).
  std::vector<std::string> StatusPaneTexts() const { return monitorControl_.StatusPaneTexts(); }
  // Whether the status view lists an error; the message pane then names the errors and is drawn
  // in the status view's error colour.
  bool ErrorPresent() const { return statusView_.ErrorPresent(); }

  // Clears the ZEL's errors, asking first when the drive would run again (see ErrorClearing);
  // after a clear the open "Read Error" window lists the word afresh.
  monitor::ErrorClearing::Outcome ClearErrors();

  // Reads the identity; on failure "The ZEL is not online!\nPlease check the communication
  // settings!" (unless tell is false) and false.
  bool ReadIdentity(bool tell = true) { return refresh_.ReadIdentity(tell); }
  // After every change of the ZEL's state: the offline commanding flag to the views, identity,
  // both regulation views and the status view re-read, then the regulation mode check.
  void Refresh() { refresh_.Refresh(); }
  // Brings the regulation tab forward that SysConfig asks for, or rewrites a mode the ZEL must
  // not be left in.
  void CheckRegulationMode() { refresh_.CheckRegulationMode(); }
  int RegulationTab() const { return refresh_.RegulationTab(); }
  // The user picked regulation tab mode (0 current, 1 speed): asks, and switches the ZEL's
  // regulation mode with the drive disabled meanwhile. False when SysConfig cannot be read; the
  // tab window then says the ZEL is not online.
  bool ChangeRegulationMode(int mode) { return refresh_.ChangeRegulationMode(mode); }
  // The regulation tab window's reaction to the user picking tab index.
  void OnRegulationTabPicked(int index) { refresh_.OnRegulationTabPicked(index); }
  // A regulation view's mode radio asks for mode; ignored while a change is in progress.
  void RequestRegulationMode(int mode) { refresh_.RequestRegulationMode(mode); }
  bool ChangingRegulationMode() const { return refresh_.ChangingRegulationMode(); }

  void OnMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override;

  // Front-end hooks: closing the window, and "something the window shows has changed".
  void SetCloseHandler(std::function<void()> close) { close_ = std::move(close); }
  // Set once the window has been asked to close (Exit, or no firmware package fits): whatever
  // sequence is still running stops asking and commanding.
  bool Closing() const { return closing_; }
  void SetChangeHandler(std::function<void()> changed) { changed_ = std::move(changed); }
  // Fills the launcher slot of one wizard (index as above): it runs that wizard modally. Each
  // wizard fills its slot once it exists; a launch request for an empty slot does nothing.
  void SetWizardLauncher(int index, std::function<void()> launch);
  // The download and up/download wizards with their open-at-start flags.
  WizardCommands& Wizards() { return *wizards_; }
  // Start-up: the wizards whose open-at-start flag is set, in the wizard view's order.
  void RunWizardsAtStart();
  // The start-up once the window is shown: the wizards marked to open at start (when
  // openWizards), the refresh, then the monitor question (skipped, and the monitor started,
  // with startMonitor). The question comes whatever the refresh found; the firmware check
  // waits for the running monitor's first report of the ZEL (kMsgFirmwareCheck).
  void RunStartup(bool openWizards, bool startMonitor) {
    refresh_.RunStartup(openWizards, startMonitor);
  }

 private:
  // The parts reach each other and the window's own steps: closing, telling the front end, and
  // launching the wizards.
  friend class DeviceRefresh;
  friend class MainFrameCommands;
  friend class MonitorControl;

  void RequestClose();
  void LaunchWizard(int index);
  void Changed();

  std::unique_ptr<link::ZelCommunication> communication_;
  CWizardView wizardView_;
  DeviceRefresh refresh_{*this};
  firmware::FirmwareRegistry firmware_;
  monitor::CErrorMapList errorMaps_;
  std::unique_ptr<CanMenuCommands> canMenu_;
  std::unique_ptr<firmware::DownloadController> downloadController_;
  std::unique_ptr<recorder::Recorder> recorder_;
  std::unique_ptr<WizardCommands> wizards_;
  firmware::PackageDefinitionLoader definitionLoader_;
  // After the communication stack and the maps: the windows read through both.
  monitor::CStatusView statusView_;
  MainFrameCommands commands_{*this};
  std::filesystem::path settingsDirectory_;
  MonitorControl monitorControl_{*this};
  bool offlineCommanding_ = false;
  bool closing_ = false;
  std::function<bool()> monitorRunning_;
  std::function<void()> close_;
  std::function<void()> changed_;
  std::array<std::function<void()>, kWizardCount> wizardLaunchers_;
  ui::Dispatcher::TargetId targetId_;
  views::CSpeedRegulationView speedView_;
  views::CCurrentRegulationView currentView_;
  // Last: it uses everything above, so it is the first to go.
  monitor::PollingMonitor monitor_;
};

}  // namespace zel::app
