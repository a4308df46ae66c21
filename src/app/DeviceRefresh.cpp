#include "app/DeviceRefresh.h"

#include "app/ApplicationAdjustment.h"
#include "app/CMainFrame.h"
#include "app/MainPaneLayout.h"
#include "app/RegulationModeSequence.h"
#include "ui/Host.h"

namespace zel::app {

namespace {

constexpr const char* kNotOnlineSettings =
    "The ZEL is not online!\nPlease check the communication settings!";

}  // namespace

bool DeviceRefresh::ReadIdentity(bool tell) {
  DeviceIdentity read;
  if (!frame_.Communication().Parameter().ReadVersion(read.softwareVersion, read.hardwareVersion,
                                                      read.applicationNumber,
                                                      read.applicationVersion)) {
    if (tell) ui::CurrentHost().ShowMessage(kNotOnlineSettings);
    return false;
  }
  identity_ = read;
  frame_.Changed();
  return true;
}

void DeviceRefresh::AfterTempParamEdit() {
  // Firmware up to 0x1000 needs its scaling written again after a parameter change; the
  // refresh follows whatever the adjustment reports.
  // 0 means the identity was never read: writing service-mode address variables into a ZEL of
  // unknown firmware could only do harm.
  if (identity_.softwareVersion != 0 && identity_.softwareVersion <= 0x1000)
    RunApplicationAdjustment(frame_.Communication());
}

void DeviceRefresh::Refresh() {
  if (frame_.Closing()) return;
  frame_.SetOfflineCommanding(frame_.OfflineCommanding());
  if (!ReadIdentity(true)) return;
  if (firmwareCheckOnRefresh_ && !startingUp_ && !CheckFirmware()) return;
  if (!frame_.SpeedView().ReRead() || !frame_.CurrentView().ReRead()) return;
  if (!FeedStatusView()) return;
  CheckRegulationMode();
}

bool DeviceRefresh::FeedStatusView() {
  monitor::CStatusView& statusView = frame_.StatusView();
  link::ZelCommunication& comm = frame_.Communication();
  statusView.StoreIdentity(identity_.softwareVersion, identity_.hardwareVersion,
                           identity_.applicationNumber, identity_.applicationVersion);
  std::uint16_t errorWord = 0;
  std::uint16_t canErrorWord = 0;
  if (!comm.Status().ReadError(errorWord)) {
    // The identity is known even so; the errors listed before stay.
    statusView.ShowStoredData();
    return false;
  }
  // Firmware up to 0x1000 has no CAN error word; the gateway reads it, as the monitor does.
  if (identity_.softwareVersion > 0x1000 && !comm.Can().ReadCANError(canErrorWord))
    canErrorWord = 0;
  // Listed even when unchanged: the refresh may have brought other error maps.
  statusView.ShowErrorWords(errorWord, canErrorWord);
  return true;
}

bool DeviceRefresh::CheckFirmware() {
  firmware::FirmwareRegistry& firmware = frame_.Firmware();
  if (!firmware.ReportConnected(identity_.softwareVersion, identity_.hardwareVersion,
                                identity_.applicationNumber, identity_.applicationVersion))
    return true;
  if (firmware.Adjust(false)) {
    frame_.Changed();
    return true;
  }
  ui::CurrentHost().ShowMessage(firmware::FirmwareRegistry::kNoFirmwareText);
  frame_.RequestClose();
  return false;
}

void DeviceRefresh::StartupFirmwareCheck() {
  // The monitor has told the registry which ZEL answers; Adjust does nothing when the user
  // interface is adjusted to it already.
  if (!frame_.Firmware().Adjust(false)) {
    ui::CurrentHost().ShowMessage(firmware::FirmwareRegistry::kNoFirmwareText);
    frame_.RequestClose();
    return;
  }
  frame_.Changed();
  // The refresh relists the status view's errors with the maps of the package now in use.
  Refresh();
}

void DeviceRefresh::RunStartup(bool openWizards, bool startMonitor) {
  // Until the question is answered no refresh looks for a firmware package: a check that finds
  // none closes the window, and the user would never be asked. The running monitor reports the
  // ZEL to the registry and asks for the check itself.
  startingUp_ = true;
  if (openWizards) frame_.RunWizardsAtStart();
  Refresh();
  if (!frame_.Closing() &&
      (startMonitor || ui::CurrentHost().AskYesNo("Do you want to start the polling monitor?")))
    frame_.StartMonitor();
  startingUp_ = false;
}

void DeviceRefresh::CheckRegulationMode() {
  const int wanted = RegulationModeSequence::Check(frame_.Communication().Parameter());
  if (wanted != RegulationModeSequence::kNone) SelectRegulationTab(wanted);
}

bool DeviceRefresh::ChangeRegulationMode(int mode) {
  const bool speed = mode == MainPaneLayout::kSpeedRegulationTab;
  link::ZelCommunication& comm = frame_.Communication();
  if (!RegulationModeSequence::Change(
          comm.Parameter(), comm.Status(),
          speed ? RegulationModeSequence::kSpeed : RegulationModeSequence::kCurrent))
    return false;
  // The tab already shows what the user picked; the check below may bring the other one back.
  regulationTab_ =
      speed ? MainPaneLayout::kSpeedRegulationTab : MainPaneLayout::kCurrentRegulationTab;
  CheckRegulationMode();
  frame_.Changed();
  return true;
}

void DeviceRefresh::OnRegulationTabPicked(int index) {
  if (ChangeRegulationMode(index)) {
    RegulationView(regulationTab_).ReRead();
    frame_.Changed();
    return;
  }
  // The tab window has switched already and stays where the user put it; remembering that lets
  // the next mode check bring back the tab that matches the ZEL.
  if (index == MainPaneLayout::kCurrentRegulationTab ||
      index == MainPaneLayout::kSpeedRegulationTab)
    regulationTab_ = index;
  frame_.Changed();
  ui::CurrentHost().ShowMessage(kNotOnlineSettings);
}

void DeviceRefresh::RequestRegulationMode(int mode) {
  // The question of the change in progress is still open.
  if (changingMode_) return;
  changingMode_ = true;
  OnRegulationTabPicked(mode == 0 ? MainPaneLayout::kCurrentRegulationTab
                                  : MainPaneLayout::kSpeedRegulationTab);
  changingMode_ = false;
}

void DeviceRefresh::SelectRegulationTab(int mode) {
  if (mode == regulationTab_) return;
  regulationTab_ = mode;
  frame_.Changed();
  RegulationView(mode).ReRead();
}

views::CRegulationView& DeviceRefresh::RegulationView(int mode) {
  if (mode == MainPaneLayout::kCurrentRegulationTab) return frame_.CurrentView();
  return frame_.SpeedView();
}

}  // namespace zel::app
