#include "app/CMainFrame.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>

#include "app/ApplicationAdjustment.h"
#include "app/CAboutDlg.h"
#include "app/MainPaneLayout.h"
#include "app/MenuCommandTable.h"
#include "app/RegulationModeSequence.h"
#include "app/SettingsFile.h"
#include "firmware/CApplicationAdjustmentDlg.h"
#include "firmware/CBrowseFirmwareDlg.h"
#include "firmware/CDownloadDlg.h"
#include "firmware/CSelectFirmwareDlg.h"
#include "firmware/CSetupFirmwareFilesDlg.h"
#include "firmware/FirmwarePackage.h"
#include "link/CAddrVariableDlg.h"
#include "link/CAttentionDlg.h"
#include "link/CCommunicationDlg.h"
#include "link/CEnableDlg.h"
#include "link/CReadVersionDlg.h"
#include "link/CSearchCommunicationDlg.h"
#include "link/CServiceDlg.h"
#include "link/CValueDlg.h"
#include "link/SerialParameterDevice.h"
#include "monitor/CMonitorRefreshDlg.h"
#include "parameters/CParameterPropertiesDlg.h"
#include "ui/Host.h"

namespace zel::app {

namespace {

constexpr const char* kNotOnlineMonitor = "The ZEL is not online!\nSwitch on the monitor!";
constexpr const char* kNotOnlineSettings =
    "The ZEL is not online!\nPlease check the communication settings!";

// The tool bar's own ids; each repeats a menu command.
constexpr std::array kToolCommands{
    CMainFrame::kToolSerialPortSettings, CMainFrame::kToolStartMonitor,
    CMainFrame::kToolStopMonitor,        CMainFrame::kToolReadSysStatus,
    CMainFrame::kToolReadError,          CMainFrame::kToolReadVariables,
    CMainFrame::kToolRecordData,         ParameterMenuCommands::kToolEditAll,
    CMainFrame::kToolReadVersion,        CMainFrame::kToolEnterServiceMode,
    CMainFrame::kToolQuitServiceMode,    CMainFrame::kToolCanNetwork,
};

// Commands that first test that the polling monitor runs.
constexpr std::array kOnline{32789, 32774, 32775, 32849, 32857, 32886,
                             32868, 32903, 32823, 32824, 32902};

// Availability by the ZEL's software version.
bool VersionAllows(int id, std::uint16_t version) {
  switch (id) {
    case 32874:
    case 32879:
    case 32878:
      return version < 0x1040;
    case 32904:
    case 32911:
    case 32909:
    case 32910:
    case 32906:
    case 32907:
    case 32913:
      return version >= 0x1040;
    case 32883:
    case 32884:
    case 32856:
    case 32857:
    case 32867:
    case 32887:
    case 32886:
    case 32868:
    case 32871:
    case 32861:
    case 32863:
    case 32864:
      return version > 0x1000;
    default:
      return true;
  }
}

}  // namespace

CMainFrame::CMainFrame(link::ChannelOpener opener)
    : communication_(opener ? std::make_unique<link::ZelCommunication>(std::move(opener))
                            : std::make_unique<link::ZelCommunication>()),
      definitionLoader_(communication_->Definitions()),
      targetId_(ui::Dispatcher::Default().Register(this)) {
  // The listeners reload in this order: parameter definitions, then error maps.
  firmware_.AddListener(definitionLoader_);
  firmware_.AddListener(errorMaps_);
  firmware::CSelectFirmwareDlg::Install();
  firmware::CBrowseFirmwareDlg::Install(firmware_);
  firmware::CSetupFirmwareFilesDlg::Install(firmware_);
  firmware::CApplicationAdjustmentDlg::Install(firmware_);
  communication_->SetShowFlags(true);
  link::CAttentionDlg::Install(communication_->Status());
  canMenu_ = std::make_unique<CanMenuCommands>(*communication_, &errorMaps_);
  parameterMenu_ = std::make_unique<ParameterMenuCommands>(*communication_);
  recorder_ = std::make_unique<recorder::Recorder>(communication_->Recorder());
  downloadController_ = std::make_unique<firmware::DownloadController>(communication_->Boot());
  wizards_ = std::make_unique<WizardCommands>(*communication_, *downloadController_, firmware_);
  SetWizardLauncher(kDownloadWizard, [this] {
    // The new firmware may answer with another identity.
    if (wizards_->RunDownloadWizard()) Refresh();
  });
  SetWizardLauncher(kUpDownloadWizard, [this] { wizards_->RunUpDownloadWizard(); });
  SetWizardLauncher(kStartupWizard, [this] { wizards_->RunStartupWizard(targetId_); });
  wizards_->SetApplicationAdjustment([this] { return RunApplicationAdjustment(*communication_); });
  SetWizardLauncher(kCanWizard, [this] { wizards_->RunCanWizard(); });
  communication_->ReopenLink();
  std::error_code noDirectory;
  settingsDirectory_ = std::filesystem::current_path(noDirectory);
  wizardView_.SetReceiver(targetId_);
  statusView_.SetStatusGroup(&communication_->Status());
  statusView_.SetErrorMaps(&errorMaps_);
  statusView_.SetClearing([this] { return ClearErrors(); });
  statusView_.Initialize();
  for (views::CRegulationView* view :
       std::initializer_list<views::CRegulationView*>{&speedView_, &currentView_}) {
    view->SetCommunication(communication_.get());
    view->SetModeRequest([this](int mode) { RequestRegulationMode(mode); });
    view->Initialize();
  }
  // A wizard holding the link makes the monitor's commands fail: the views say it is busy.
  wizards_->AddLinkClaimListener([this](const std::string& wizard) {
    speedView_.SetLinkClaimedBy(wizard);
    currentView_.SetLinkClaimedBy(wizard);
  });
  LinkMonitor();
}

CMainFrame::~CMainFrame() {
  // Before anything the monitor's cycle uses goes: it may be waiting for a time-out.
  monitor_.Stop();
  ui::Dispatcher::Default().Unregister(targetId_);
}

bool CMainFrame::IsKnownCommand(int id) const {
  return MenuCommandTable::Find(id) != nullptr ||
         std::find(kToolCommands.begin(), kToolCommands.end(), id) != kToolCommands.end();
}

bool CMainFrame::IsOnlineCommand(int id) const {
  return std::find(kOnline.begin(), kOnline.end(), id) != kOnline.end();
}

bool CMainFrame::IsCommandEnabled(int id) const {
  if (!IsKnownCommand(id) || !VersionAllows(id, identity_.softwareVersion)) return false;
  if (id == kCmdStartMonitor || id == kToolStartMonitor) return !MonitorRunning();
  if (id == kCmdStopMonitor || id == kToolStopMonitor) return MonitorRunning();
  return true;
}

bool CMainFrame::IsCommandChecked(int id) const {
  // The tool bar and status bar toggles are the front end's own.
  switch (id) {
    case kCmdReadSysStatus:
    case kToolReadSysStatus:
      return SysStatusWindow() != nullptr;
    case kCmdReadError:
    case kToolReadError:
      return ReadErrorWindow() != nullptr;
    case kCmdReadVariables:
    case kToolReadVariables:
      return VariablesWindow() != nullptr;
    case kCmdRecordData:
    case kToolRecordData:
      return recorder_->Window() != nullptr;
    case kCmdOfflineCommanding:
      return offlineCommanding_;
    case kCmdAutostart:
      return wizards_->StartupWizardAtStart() != 0;
    default:
      return false;
  }
}

std::string CMainFrame::CommandLabel(int id) const {
  bool newCanSet = identity_.softwareVersion >= 0x1040;
  if (id == 32877) return newCanSet ? "Set CAN BCR1 and BCR2" : "Set CAN BCR1";
  if (id == 32881) return newCanSet ? "Config RTR" : "Send RTR";
  const MenuCommand* command = MenuCommandTable::Find(id);
  return command ? command->label : std::string();
}

std::vector<std::string> CMainFrame::StatusPaneTexts() const {
  std::string message = identityNote_;
  if (statusView_.ErrorPresent()) {
    // The errors by name, as the status view lists them, so they are seen whichever view is
    // in front.
    std::string names;
    for (const monitor::ListedError& listed : statusView_.Rows())
      names += (names.empty() ? "" : ", ") + listed.row.name;
    message += (message.empty() ? "" : " ") + statusView_.Text(monitor::CStatusView::kIdHeading) +
               " " + names;
  }
  if (message.empty()) message = "Ready";
  return {message, "CAP", "NUM", "SCRL", MonitorRunning() ? "Monitor Running" : ""};
}

void CMainFrame::Changed() {
  if (changed_) changed_();
}

void CMainFrame::Failed() {
  ui::CurrentHost().ShowMessage("Command failed!");
}

void CMainFrame::OnCommand(int id) {
  if (!IsCommandEnabled(id)) return;
  if (IsOnlineCommand(id) && !MonitorRunning()) {
    ui::CurrentHost().ShowMessage(kNotOnlineMonitor);
    return;
  }
  link::ZelCommunication& comm = *communication_;
  auto report = [this](ui::CommandOutcome outcome) {
    if (outcome == ui::CommandOutcome::kFailed) Failed();
    return outcome == ui::CommandOutcome::kDone;
  };
  if (CanMenuCommands::Handles(id)) {
    report(canMenu_->Run(id, identity_.softwareVersion));
    return;
  }
  if (ParameterMenuCommands::Handles(id)) {
    if (report(parameterMenu_->Run(id))) {
      if (ParameterMenuCommands::EditsTheZel(id)) AfterTempParamEdit();
      Refresh();
    }
    return;
  }
  switch (id) {
    case kCmdExit:
      RequestClose();
      break;
    case kCmdSerialPortSettings:
    case kToolSerialPortSettings:
      link::CCommunicationDlg::Run(comm);
      break;
    case kCmdOfflineCommanding:
      SetOfflineCommanding(!offlineCommanding_);
      break;
    case kCmdReadVersion:
    case kToolReadVersion:
      report(link::CReadVersionDlg::Run(comm.Parameter()));
      break;
    case kCmdEnableSystem:
      report(link::CEnableDlg::Run(comm.Status()));
      break;
    case kCmdClearError: {
      const monitor::ErrorClearing::Outcome outcome = ClearErrors();
      if (outcome == monitor::ErrorClearing::Outcome::kFailed) Failed();
      // The status view lists what is left at once, as its own "&Clear Errors" does.
      if (outcome == monitor::ErrorClearing::Outcome::kCleared) statusView_.RefreshErrors(false);
      break;
    }
    case kCmdResetSoftware:
      if (!comm.Status().ResetSoftware()) Failed();
      Refresh();
      break;
    case kCmdReadVelocity: {
      link::CVelocityDlg dlg(comm.Measurement());
      report(dlg.Run());
      break;
    }
    case kCmdReadCurrent: {
      link::CCurrentDlg dlg(comm.Measurement(), identity_.softwareVersion);
      report(dlg.Run());
      break;
    }
    case kCmdSaveTempParam:
      if (!comm.Parameter().SaveTempParam()) Failed();
      break;
    case kCmdResetTempParam:
      if (comm.Parameter().ResetTempParam()) {
        Refresh();
      } else {
        Failed();
      }
      break;
    case kCmdEnterServiceMode:
    case kToolEnterServiceMode:
      // The service dialog says the outcome itself; no failure box.
      link::CServiceDlg::Run(comm.Service());
      break;
    case kCmdQuitServiceMode:
    case kToolQuitServiceMode:
      ui::CurrentHost().ShowMessage(comm.Parameter().QuitServiceMode()
                                        ? "You have just quit the service mode!"
                                        : "Failed quitting service mode!");
      break;
    case kCmdEditAddrVariable:
      if (report(link::RunEditAddrVariable(comm.Service()))) Refresh();
      break;
    case kCmdFirmwareRegistration:
      // A failed adjustment has said so; without a matching package the tool cannot go on.
      if (!firmware_.EditRegistration()) RequestClose();
      break;
    case kCmdFirmwareDownload: {
      firmware::CDownloadDlg dlg(comm, *downloadController_);
      dlg.DoModal();
      // The new firmware may answer with another identity.
      if (dlg.Succeeded()) Refresh();
      break;
    }
    case kCmdAutostart:
      wizards_->SetStartupWizardAtStart(wizards_->StartupWizardAtStart() != 0 ? 0 : 1);
      break;
    case kCmdStartupWizard:
      LaunchWizard(kStartupWizard);
      break;
    case kCmdAbout: {
      CAboutDlg dlg;
      dlg.DoModal();
      break;
    }
    case kCmdFirmwareDownloadWizard:
      LaunchWizard(kDownloadWizard);
      break;
    case kCmdUpDownloadWizard:
      LaunchWizard(kUpDownloadWizard);
      break;
    case kCmdCanWizard:
      LaunchWizard(kCanWizard);
      break;
    case kCmdCanNetwork:
    case kToolCanNetwork:
      canMenu_->RunNetworkSheet(identity_.softwareVersion);
      // The sheet changed what the ZEL holds behind the main window's back.
      Refresh();
      break;
    case kCmdFileFirmwareSummary:
    case kCmdFileFirmwareDefaults:
    case kCmdFileFirmwareReadMe:
      ShowFirmwareFile(id);
      break;
    case kCmdHelpFirmwareSummary:
    case kCmdHelpFirmwareDefaults:
    case kCmdHelpFirmwareReadMe:
      ShowCurrentFirmware(id);
      break;
    case kCmdReadSysStatus:
    case kToolReadSysStatus:
    case kCmdReadError:
    case kToolReadError:
    case kCmdReadVariables:
    case kToolReadVariables:
      if (!ToggleWindow(id)) Failed();
      break;
    case kCmdRecordData:
    case kToolRecordData:
      // A cancelled or failed recording ends silently; the link has said what went wrong.
      if (recorder_->Window() != nullptr) {
        recorder_->CloseWindow();
      } else {
        recorder_->RecordData();
      }
      break;
    case kCmdStartMonitor:
    case kToolStartMonitor:
    case kCmdStopMonitor:
    case kToolStopMonitor:
    case kCmdRefreshRate:
    case kCmdSearchCommunication:
      RunMonitorCommand(id);
      break;
    case kCmdParameterProperties: {
      link::SerialParameterDevice device(comm.Parameter(), comm.Status());
      parameters::CParameterPropertiesDlg dlg(comm.Definitions(), device);
      dlg.DoModal();
      Refresh();
      break;
    }
    default:
      break;
  }
  Changed();
}

bool CMainFrame::ReadIdentity(bool tell) {
  DeviceIdentity read;
  if (!communication_->Parameter().ReadVersion(read.softwareVersion, read.hardwareVersion,
                                               read.applicationNumber, read.applicationVersion)) {
    if (tell) ui::CurrentHost().ShowMessage(kNotOnlineSettings);
    return false;
  }
  identity_ = read;
  Changed();
  return true;
}

void CMainFrame::SetOfflineCommanding(bool on) {
  offlineCommanding_ = on;
  speedView_.SetOfflineCommanding(on);
  currentView_.SetOfflineCommanding(on);
  Changed();
}

void CMainFrame::AfterTempParamEdit() {
  // Firmware up to 0x1000 needs its scaling written again after a parameter change; the
  // refresh follows whatever the adjustment reports.
  // 0 means the identity was never read: writing service-mode address variables into a ZEL of
  // unknown firmware could only do harm.
  if (identity_.softwareVersion != 0 && identity_.softwareVersion <= 0x1000)
    RunApplicationAdjustment(*communication_);
}

void CMainFrame::RequestClose() {
  closing_ = true;
  if (close_) close_();
}

void CMainFrame::Refresh() {
  if (closing_) return;
  SetOfflineCommanding(offlineCommanding_);
  if (!ReadIdentity()) return;
  if (firmwareCheckOnRefresh_ && !startingUp_ && !CheckFirmware()) return;
  if (!speedView_.ReRead() || !currentView_.ReRead()) return;
  if (!FeedStatusView()) return;
  CheckRegulationMode();
}

void CMainFrame::CheckRegulationMode() {
  const int wanted = RegulationModeSequence::Check(communication_->Parameter());
  if (wanted != RegulationModeSequence::kNone) SelectRegulationTab(wanted);
}

bool CMainFrame::ChangeRegulationMode(int mode) {
  const bool speed = mode == MainPaneLayout::kSpeedRegulationTab;
  if (!RegulationModeSequence::Change(
          communication_->Parameter(), communication_->Status(),
          speed ? RegulationModeSequence::kSpeed : RegulationModeSequence::kCurrent))
    return false;
  // The tab already shows what the user picked; the check below may bring the other one back.
  regulationTab_ =
      speed ? MainPaneLayout::kSpeedRegulationTab : MainPaneLayout::kCurrentRegulationTab;
  CheckRegulationMode();
  Changed();
  return true;
}

void CMainFrame::OnRegulationTabPicked(int index) {
  if (ChangeRegulationMode(index)) {
    RegulationView(regulationTab_).ReRead();
    Changed();
    return;
  }
  // The tab window has switched already and stays where the user put it; remembering that lets
  // the next mode check bring back the tab that matches the ZEL.
  if (index == MainPaneLayout::kCurrentRegulationTab ||
      index == MainPaneLayout::kSpeedRegulationTab)
    regulationTab_ = index;
  Changed();
  ui::CurrentHost().ShowMessage(kNotOnlineSettings);
}

void CMainFrame::RequestRegulationMode(int mode) {
  // The question of the change in progress is still open.
  if (changingMode_) return;
  changingMode_ = true;
  OnRegulationTabPicked(mode == 0 ? MainPaneLayout::kCurrentRegulationTab
                                  : MainPaneLayout::kSpeedRegulationTab);
  changingMode_ = false;
}

views::CRegulationView& CMainFrame::RegulationView(int mode) {
  if (mode == MainPaneLayout::kCurrentRegulationTab) return currentView_;
  return speedView_;
}

void CMainFrame::SetWizardLauncher(int index, std::function<void()> launch) {
  if (index < 0 || index >= kWizardCount) return;
  wizardLaunchers_[static_cast<std::size_t>(index)] = std::move(launch);
}

void CMainFrame::RunWizardsAtStart() {
  // Each runs modally and returns before the next opens.
  if (wizards_->StartupWizardAtStart() != 0) LaunchWizard(kStartupWizard);
  if (wizards_->CanWizardAtStart()) {
    // Nothing has read the identity yet when the start wizards open, and the CAN wizard
    // depends on it; a ZEL that does not answer leaves the refusal below to speak.
    if (identity_.softwareVersion == 0) ReadIdentity(false);
    LaunchWizard(kCanWizard);
  }
  if (wizards_->DownloadWizardAtStart()) LaunchWizard(kDownloadWizard);
  if (wizards_->UpDownloadWizardAtStart()) LaunchWizard(kUpDownloadWizard);
}

void CMainFrame::RunStartup(bool openWizards, bool startMonitor) {
  // Until the question is answered no refresh looks for a firmware package: a check that finds
  // none closes the window, and the user would never be asked. The running monitor reports the
  // ZEL to the registry and asks for the check itself.
  startingUp_ = true;
  if (openWizards) RunWizardsAtStart();
  Refresh();
  if (!closing_ &&
      (startMonitor || ui::CurrentHost().AskYesNo("Do you want to start the polling monitor?")))
    StartMonitor();
  startingUp_ = false;
}

monitor::ErrorClearing::Outcome CMainFrame::ClearErrors() {
  const monitor::ErrorClearing::Outcome outcome =
      monitor::ErrorClearing::AskAndClear(communication_->Parameter(), communication_->Status());
  // An open "Read Error" window would go on listing errors the ZEL no longer has.
  if (outcome == monitor::ErrorClearing::Outcome::kCleared && ReadErrorWindow() != nullptr)
    ReadErrorWindow()->RefreshNow();
  Changed();
  return outcome;
}

void CMainFrame::LaunchWizard(int index) {
  if (closing_) return;
  if (index < 0 || index >= kWizardCount) return;  // -1: the double click hit no item
  if (index == kCanWizard && identity_.softwareVersion <= 0x103F) {
    ui::CurrentHost().ShowMessage(
        "CAN Wizard only available for Software Version 0x1040 and higher!");
    return;
  }
  // A copy: the wizard may fill its own slot anew while it runs.
  std::function<void()> launch = wizardLaunchers_[static_cast<std::size_t>(index)];
  if (!launch) return;
  launch();
  // Both wizards change what the ZEL holds behind the main window's back.
  if (index == kCanWizard || index == kUpDownloadWizard) Refresh();
}

void CMainFrame::OnMessage(unsigned message, std::uintptr_t wParam, std::intptr_t) {
  if (message == kMsgLaunchWizard)
    LaunchWizard(static_cast<int>(static_cast<std::intptr_t>(wParam)));
  OnMonitorMessage(message, wParam);
}

bool CMainFrame::CheckFirmware() {
  if (!firmware_.ReportConnected(identity_.softwareVersion, identity_.hardwareVersion,
                                 identity_.applicationNumber, identity_.applicationVersion))
    return true;
  if (firmware_.Adjust(false)) {
    Changed();
    return true;
  }
  ui::CurrentHost().ShowMessage(firmware::FirmwareRegistry::kNoFirmwareText);
  RequestClose();
  return false;
}

void CMainFrame::LoadSettings() {
  SettingsFile::Load(*this, settingsDirectory_ / SettingsFile::kFileName);
}

bool CMainFrame::SaveSettings() {
  return SettingsFile::Save(*this, settingsDirectory_ / SettingsFile::kFileName);
}

int CMainFrame::RegisterPackage(const std::string& path) {
  // Records outlive the working folder of this run, so they keep the whole path.
  std::error_code error;
  const std::filesystem::path full = std::filesystem::absolute(path, error);
  firmware::FirmwarePackage package;
  if (error || !package.Open(full.string())) return 0;
  std::vector<std::string> directories;
  if (!package.ListVersions(directories)) return 0;
  int registered = 0;
  for (const std::string& directory : directories) {
    firmware::FirmwareInfo info;
    // The same test as "Add &Firmware": only complete versions are offered to the adjustment.
    if (!package.CheckComplete(directory, false) || !package.ReadInfo(directory, info)) continue;
    if (firmware_.Register(info)) ++registered;
  }
  return registered;
}

void CMainFrame::ShowFirmwareFile(int id) {
  ui::FileRequest request;
  request.title = "Open";
  request.filter = "ZEL Firmware Files (*.bin)|*.bin||";
  request.defaultExtension = "bin";
  if (!ui::CurrentHost().AskOpenFile(request)) return;
  firmware::FirmwarePackage package;
  if (!package.Open(request.path)) {
    ui::CurrentHost().ShowMessage("Unable to open file!");
    return;
  }
  std::string directory;
  if (!package.ChooseVersion(directory, true)) return;
  if (id == kCmdFileFirmwareSummary) {
    package.ShowSummary(directory);
  } else if (id == kCmdFileFirmwareDefaults) {
    package.ShowDefaults(directory, true);
  } else {
    package.ShowReadMe(directory);
  }
}

void CMainFrame::ShowCurrentFirmware(int id) {
  const firmware::FirmwareInfo current = firmware_.Current();
  firmware::FirmwarePackage package;
  if (current.packagePath.empty() || !package.Open(current.packagePath)) {
    ui::CurrentHost().ShowMessage("Unable to open file!");
    return;
  }
  if (id == kCmdHelpFirmwareSummary) {
    package.ShowSummary(current.packageDirectory);
  } else if (id == kCmdHelpFirmwareDefaults) {
    package.ShowDefaults(current.packageDirectory, true);
  } else {
    package.ShowReadMe(current.packageDirectory);
  }
}

namespace {

// Closes an open window, or builds, reads and shows a new one; false when the first read failed.
template <typename T, typename Make>
bool Toggle(std::unique_ptr<T>& window, Make make) {
  if (window && !window->IsEnded()) {
    window->Close();
    window.reset();
    return true;
  }
  window.reset();
  std::unique_ptr<T> created = make();
  if (!created->RefreshNow()) return false;
  created->ShowModeless();
  window = std::move(created);
  return true;
}

}  // namespace

bool CMainFrame::ToggleWindow(int id) {
  link::ZelCommunication& comm = *communication_;
  switch (id) {
    case kCmdReadSysStatus:
    case kToolReadSysStatus:
      return Toggle(sysStatusDlg_,
                    [&] { return std::make_unique<monitor::CSysStatusDlg>(comm.Status()); });
    case kCmdReadError:
    case kToolReadError:
      return Toggle(readErrorDlg_, [&] {
        auto window = std::make_unique<monitor::CReadErrorDlg>(comm.Status(), &errorMaps_);
        window->SetClearing([this] { return ClearErrors(); });
        return window;
      });
    case kCmdReadVariables:
    case kToolReadVariables:
      return Toggle(variablesDlg_, [&] {
        return std::make_unique<monitor::CVariablesDlg>(comm.Recorder(), comm.Definitions());
      });
    default:
      return true;
  }
}

bool CMainFrame::FeedStatusView() {
  statusView_.StoreIdentity(identity_.softwareVersion, identity_.hardwareVersion,
                            identity_.applicationNumber, identity_.applicationVersion);
  std::uint16_t errorWord = 0;
  std::uint16_t canErrorWord = 0;
  if (!communication_->Status().ReadError(errorWord)) {
    // The identity is known even so; the errors listed before stay.
    statusView_.ShowStoredData();
    return false;
  }
  // Firmware up to 0x1000 has no CAN error word; the gateway reads it, as the monitor does.
  if (identity_.softwareVersion > 0x1000 && !communication_->Can().ReadCANError(canErrorWord))
    canErrorWord = 0;
  // Listed even when unchanged: the refresh may have brought other error maps.
  statusView_.ShowErrorWords(errorWord, canErrorWord);
  return true;
}

}  // namespace zel::app

namespace zel::app {

// --- The polling monitor --------------------------------------------------------------------

void CMainFrame::LinkMonitor() {
  monitor_.LinkCommunication(*communication_);
  monitor_.LinkFirmwareRegistry(&firmware_);
  monitor_.LinkViews(&speedView_, &currentView_, &statusView_);
  monitor_.SetMainWindow(targetId_);
}

void CMainFrame::StartMonitor() {
  monitor_.Start();
  Changed();
}

void CMainFrame::StopMonitor() {
  monitor_.Stop();
  // The note is about what the monitor found; it goes with the monitor.
  identityNote_.clear();
  Changed();
}

void CMainFrame::RunMonitorCommand(int id) {
  switch (id) {
    case kCmdStartMonitor:
    case kToolStartMonitor:
      StartMonitor();
      break;
    case kCmdStopMonitor:
    case kToolStopMonitor:
      StopMonitor();
      break;
    case kCmdRefreshRate:
      monitor::CMonitorRefreshDlg::Run(monitor_);
      break;
    case kCmdSearchCommunication:
      // The monitor may keep running: its commands go to whichever candidate is open.
      link::SearchCommunication(*communication_, true);
      break;
    default:
      break;
  }
}

void CMainFrame::OnMonitorMessage(unsigned message, std::uintptr_t wParam) {
  switch (message) {
    case kMsgRepaint:
      Changed();
      break;
    case kMsgRegulationMode:
      SelectRegulationTab(wParam == 0 ? MainPaneLayout::kCurrentRegulationTab
                                      : MainPaneLayout::kSpeedRegulationTab);
      break;
    case kMsgReadIdentity: {
      // The line is back after a loss (or the monitor has just started): a ZEL that answers
      // with another identity than before is another ZEL, or the same with another firmware,
      // whatever the views still show of the one before. The note stays until the next one;
      // the monitor may ask again before the views have heard that the ZEL is online.
      const DeviceIdentity before = identity_;
      if (!ReadIdentity()) break;
      const bool known = before.softwareVersion != 0 || before.hardwareVersion != 0;
      if (known && (before.softwareVersion != identity_.softwareVersion ||
                    before.hardwareVersion != identity_.hardwareVersion ||
                    before.applicationNumber != identity_.applicationNumber ||
                    before.applicationVersion != identity_.applicationVersion)) {
        char note[96];
        std::snprintf(note, sizeof note, "Another ZEL is connected: software version 0x%.4x.",
                      identity_.softwareVersion);
        identityNote_ = note;
        Changed();
      }
      statusView_.StoreIdentity(identity_.softwareVersion, identity_.hardwareVersion,
                                identity_.applicationNumber, identity_.applicationVersion);
      statusView_.ShowStoredData();
      break;
    }
    case kMsgRegulationCheck:
      CheckRegulationMode();
      break;
    case kMsgRefresh:
      Refresh();
      break;
    case kMsgFirmwareCheck:
      // Without the front end's settings no package is known; see SetFirmwareCheckOnRefresh.
      if (firmwareCheckOnRefresh_) StartupFirmwareCheck();
      break;
    default:
      break;
  }
}

void CMainFrame::StartupFirmwareCheck() {
  // The monitor has told the registry which ZEL answers; Adjust does nothing when the user
  // interface is adjusted to it already.
  if (!firmware_.Adjust(false)) {
    ui::CurrentHost().ShowMessage(firmware::FirmwareRegistry::kNoFirmwareText);
    RequestClose();
    return;
  }
  Changed();
  // The refresh relists the status view's errors with the maps of the package now in use.
  Refresh();
}

void CMainFrame::SelectRegulationTab(int mode) {
  if (mode == regulationTab_) return;
  regulationTab_ = mode;
  Changed();
  RegulationView(mode).ReRead();
}

}  // namespace zel::app
