#include "app/MainFrameCommands.h"

#include <algorithm>
#include <array>

#include "app/CAboutDlg.h"
#include "app/CMainFrame.h"
#include "app/MenuCommandTable.h"
#include "firmware/CDownloadDlg.h"
#include "firmware/FirmwarePackage.h"
#include "link/CAddrVariableDlg.h"
#include "link/CCommunicationDlg.h"
#include "link/CEnableDlg.h"
#include "link/CReadVersionDlg.h"
#include "link/CServiceDlg.h"
#include "link/CValueDlg.h"
#include "link/SerialParameterDevice.h"
#include "parameters/CParameterPropertiesDlg.h"
#include "ui/Host.h"

namespace zel::app {

namespace {

constexpr const char* kNotOnlineMonitor = "The ZEL is not online!\nSwitch on the monitor!";

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

// A command of the menu table or the tool bar.
bool IsKnownCommand(int id) {
  return MenuCommandTable::Find(id) != nullptr ||
         std::find(kToolCommands.begin(), kToolCommands.end(), id) != kToolCommands.end();
}

bool IsOnlineCommand(int id) {
  return std::find(kOnline.begin(), kOnline.end(), id) != kOnline.end();
}

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

MainFrameCommands::MainFrameCommands(CMainFrame& frame)
    : frame_(frame),
      parameterMenu_(std::make_unique<ParameterMenuCommands>(frame.Communication())) {}

MainFrameCommands::~MainFrameCommands() = default;

bool MainFrameCommands::IsEnabled(int id) const {
  if (!IsKnownCommand(id) || !VersionAllows(id, frame_.Identity().softwareVersion)) return false;
  if (id == CMainFrame::kCmdStartMonitor || id == CMainFrame::kToolStartMonitor)
    return !frame_.MonitorRunning();
  if (id == CMainFrame::kCmdStopMonitor || id == CMainFrame::kToolStopMonitor)
    return frame_.MonitorRunning();
  return true;
}

bool MainFrameCommands::IsChecked(int id) const {
  // The tool bar and status bar toggles are the front end's own.
  switch (id) {
    case CMainFrame::kCmdReadSysStatus:
    case CMainFrame::kToolReadSysStatus:
      return SysStatusWindow() != nullptr;
    case CMainFrame::kCmdReadError:
    case CMainFrame::kToolReadError:
      return ReadErrorWindow() != nullptr;
    case CMainFrame::kCmdReadVariables:
    case CMainFrame::kToolReadVariables:
      return VariablesWindow() != nullptr;
    case CMainFrame::kCmdRecordData:
    case CMainFrame::kToolRecordData:
      return frame_.Recorder().Window() != nullptr;
    case CMainFrame::kCmdOfflineCommanding:
      return frame_.OfflineCommanding();
    case CMainFrame::kCmdAutostart:
      return frame_.Wizards().StartupWizardAtStart() != 0;
    default:
      return false;
  }
}

std::string MainFrameCommands::Label(int id) const {
  bool newCanSet = frame_.Identity().softwareVersion >= 0x1040;
  if (id == 32877) return newCanSet ? "Set CAN BCR1 and BCR2" : "Set CAN BCR1";
  if (id == 32881) return newCanSet ? "Config RTR" : "Send RTR";
  const MenuCommand* command = MenuCommandTable::Find(id);
  return command ? command->label : std::string();
}

bool MainFrameCommands::Report(ui::CommandOutcome outcome) {
  if (outcome == ui::CommandOutcome::kFailed) Failed();
  return outcome == ui::CommandOutcome::kDone;
}

void MainFrameCommands::Failed() {
  ui::CurrentHost().ShowMessage("Command failed!");
}

void MainFrameCommands::Run(int id) {
  if (!IsEnabled(id)) return;
  if (IsOnlineCommand(id) && !frame_.MonitorRunning()) {
    ui::CurrentHost().ShowMessage(kNotOnlineMonitor);
    return;
  }
  if (CanMenuCommands::Handles(id)) {
    Report(frame_.CanMenu().Run(id, frame_.Identity().softwareVersion));
    return;
  }
  if (ParameterMenuCommands::Handles(id)) {
    if (Report(parameterMenu_->Run(id))) {
      if (ParameterMenuCommands::EditsTheZel(id)) frame_.refresh_.AfterTempParamEdit();
      frame_.Refresh();
    }
    return;
  }
  if (!RunDeviceCommand(id) && !RunFirmwareCommand(id)) RunWindowCommand(id);
  frame_.Changed();
}

bool MainFrameCommands::RunDeviceCommand(int id) {
  link::ZelCommunication& comm = frame_.Communication();
  switch (id) {
    case CMainFrame::kCmdSerialPortSettings:
    case CMainFrame::kToolSerialPortSettings:
      link::CCommunicationDlg::Run(comm);
      return true;
    case CMainFrame::kCmdOfflineCommanding:
      frame_.SetOfflineCommanding(!frame_.OfflineCommanding());
      return true;
    case CMainFrame::kCmdReadVersion:
    case CMainFrame::kToolReadVersion:
      Report(link::CReadVersionDlg::Run(comm.Parameter()));
      return true;
    case CMainFrame::kCmdEnableSystem:
      Report(link::CEnableDlg::Run(comm.Status()));
      return true;
    case CMainFrame::kCmdClearError: {
      const monitor::ErrorClearing::Outcome outcome = frame_.ClearErrors();
      if (outcome == monitor::ErrorClearing::Outcome::kFailed) Failed();
      // The status view lists what is left at once, as its own "&Clear Errors" does.
      if (outcome == monitor::ErrorClearing::Outcome::kCleared)
        frame_.StatusView().RefreshErrors(false);
      return true;
    }
    case CMainFrame::kCmdResetSoftware:
      if (!comm.Status().ResetSoftware()) Failed();
      frame_.Refresh();
      return true;
    case CMainFrame::kCmdReadVelocity: {
      link::CVelocityDlg dlg(comm.Measurement());
      Report(dlg.Run());
      return true;
    }
    case CMainFrame::kCmdReadCurrent: {
      link::CCurrentDlg dlg(comm.Measurement(), frame_.Identity().softwareVersion);
      Report(dlg.Run());
      return true;
    }
    case CMainFrame::kCmdSaveTempParam:
      if (!comm.Parameter().SaveTempParam()) Failed();
      return true;
    case CMainFrame::kCmdResetTempParam:
      if (comm.Parameter().ResetTempParam()) {
        frame_.Refresh();
      } else {
        Failed();
      }
      return true;
    case CMainFrame::kCmdEnterServiceMode:
    case CMainFrame::kToolEnterServiceMode:
      // The service dialog says the outcome itself; no failure box.
      link::CServiceDlg::Run(comm.Service());
      return true;
    case CMainFrame::kCmdQuitServiceMode:
    case CMainFrame::kToolQuitServiceMode:
      ui::CurrentHost().ShowMessage(comm.Parameter().QuitServiceMode()
                                        ? "You have just quit the service mode!"
                                        : "Failed quitting service mode!");
      return true;
    case CMainFrame::kCmdEditAddrVariable:
      if (Report(link::RunEditAddrVariable(comm.Service()))) frame_.Refresh();
      return true;
    case CMainFrame::kCmdParameterProperties: {
      link::SerialParameterDevice device(comm.Parameter(), comm.Status());
      parameters::CParameterPropertiesDlg dlg(comm.Definitions(), device);
      dlg.DoModal();
      frame_.Refresh();
      return true;
    }
    case CMainFrame::kCmdStartMonitor:
    case CMainFrame::kToolStartMonitor:
    case CMainFrame::kCmdStopMonitor:
    case CMainFrame::kToolStopMonitor:
    case CMainFrame::kCmdRefreshRate:
    case CMainFrame::kCmdSearchCommunication:
      frame_.monitorControl_.RunCommand(id);
      return true;
    default:
      return false;
  }
}

bool MainFrameCommands::RunFirmwareCommand(int id) {
  switch (id) {
    case CMainFrame::kCmdFirmwareRegistration:
      // A failed adjustment has said so; without a matching package the tool cannot go on.
      if (!frame_.Firmware().EditRegistration()) frame_.RequestClose();
      return true;
    case CMainFrame::kCmdFirmwareDownload: {
      firmware::CDownloadDlg dlg(frame_.Communication(), frame_.DownloadControl());
      dlg.DoModal();
      // The new firmware may answer with another identity.
      if (dlg.Succeeded()) frame_.Refresh();
      return true;
    }
    case CMainFrame::kCmdFileFirmwareSummary:
    case CMainFrame::kCmdFileFirmwareDefaults:
    case CMainFrame::kCmdFileFirmwareReadMe:
      ShowFirmwareFile(id);
      return true;
    case CMainFrame::kCmdHelpFirmwareSummary:
    case CMainFrame::kCmdHelpFirmwareDefaults:
    case CMainFrame::kCmdHelpFirmwareReadMe:
      ShowCurrentFirmware(id);
      return true;
    default:
      return false;
  }
}

bool MainFrameCommands::RunWindowCommand(int id) {
  switch (id) {
    case CMainFrame::kCmdExit:
      frame_.RequestClose();
      return true;
    case CMainFrame::kCmdAutostart: {
      WizardCommands& wizards = frame_.Wizards();
      wizards.SetStartupWizardAtStart(wizards.StartupWizardAtStart() != 0 ? 0 : 1);
      return true;
    }
    case CMainFrame::kCmdStartupWizard:
      frame_.LaunchWizard(CMainFrame::kStartupWizard);
      return true;
    case CMainFrame::kCmdAbout: {
      CAboutDlg dlg;
      dlg.DoModal();
      return true;
    }
    case CMainFrame::kCmdFirmwareDownloadWizard:
      frame_.LaunchWizard(CMainFrame::kDownloadWizard);
      return true;
    case CMainFrame::kCmdUpDownloadWizard:
      frame_.LaunchWizard(CMainFrame::kUpDownloadWizard);
      return true;
    case CMainFrame::kCmdCanWizard:
      frame_.LaunchWizard(CMainFrame::kCanWizard);
      return true;
    case CMainFrame::kCmdCanNetwork:
    case CMainFrame::kToolCanNetwork:
      frame_.CanMenu().RunNetworkSheet(frame_.Identity().softwareVersion);
      // The sheet changed what the ZEL holds behind the main window's back.
      frame_.Refresh();
      return true;
    case CMainFrame::kCmdReadSysStatus:
    case CMainFrame::kToolReadSysStatus:
    case CMainFrame::kCmdReadError:
    case CMainFrame::kToolReadError:
    case CMainFrame::kCmdReadVariables:
    case CMainFrame::kToolReadVariables:
      if (!ToggleWindow(id)) Failed();
      return true;
    case CMainFrame::kCmdRecordData:
    case CMainFrame::kToolRecordData: {
      // A cancelled or failed recording ends silently; the link has said what went wrong.
      recorder::Recorder& recorder = frame_.Recorder();
      if (recorder.Window() != nullptr) {
        recorder.CloseWindow();
      } else {
        recorder.RecordData();
      }
      return true;
    }
    default:
      return false;
  }
}

void MainFrameCommands::ShowFirmwareFile(int id) {
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
  if (id == CMainFrame::kCmdFileFirmwareSummary) {
    package.ShowSummary(directory);
  } else if (id == CMainFrame::kCmdFileFirmwareDefaults) {
    package.ShowDefaults(directory, true);
  } else {
    package.ShowReadMe(directory);
  }
}

void MainFrameCommands::ShowCurrentFirmware(int id) {
  const firmware::FirmwareInfo current = frame_.Firmware().Current();
  firmware::FirmwarePackage package;
  if (current.packagePath.empty() || !package.Open(current.packagePath)) {
    ui::CurrentHost().ShowMessage("Unable to open file!");
    return;
  }
  if (id == CMainFrame::kCmdHelpFirmwareSummary) {
    package.ShowSummary(current.packageDirectory);
  } else if (id == CMainFrame::kCmdHelpFirmwareDefaults) {
    package.ShowDefaults(current.packageDirectory, true);
  } else {
    package.ShowReadMe(current.packageDirectory);
  }
}

bool MainFrameCommands::ToggleWindow(int id) {
  link::ZelCommunication& comm = frame_.Communication();
  switch (id) {
    case CMainFrame::kCmdReadSysStatus:
    case CMainFrame::kToolReadSysStatus:
      return Toggle(sysStatusDlg_,
                    [&] { return std::make_unique<monitor::CSysStatusDlg>(comm.Status()); });
    case CMainFrame::kCmdReadError:
    case CMainFrame::kToolReadError:
      return Toggle(readErrorDlg_, [&] {
        auto window = std::make_unique<monitor::CReadErrorDlg>(comm.Status(), &frame_.ErrorMaps());
        window->SetClearing([&frame = frame_] { return frame.ClearErrors(); });
        return window;
      });
    case CMainFrame::kCmdReadVariables:
    case CMainFrame::kToolReadVariables:
      return Toggle(variablesDlg_, [&] {
        return std::make_unique<monitor::CVariablesDlg>(comm.Recorder(), comm.Definitions());
      });
    default:
      return true;
  }
}

}  // namespace zel::app
