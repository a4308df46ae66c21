#pragma once

#include "app/DeviceIdentity.h"

namespace zel::views {
class CRegulationView;
}

namespace zel::app {

class CMainFrame;

// The main window's sequences that bring what it shows in line with the ZEL: the identity read,
// the refresh after every change of the ZEL's state, the regulation mode check and change, and
// the start-up with its firmware check. Part of the main window, which forwards to it and owns
// everything it reads through. UI thread.
class DeviceRefresh {
 public:
  explicit DeviceRefresh(CMainFrame& frame) : frame_(frame) {}
  DeviceRefresh(const DeviceRefresh&) = delete;
  DeviceRefresh& operator=(const DeviceRefresh&) = delete;

  const DeviceIdentity& Identity() const { return identity_; }
  // See CMainFrame: ReadIdentity, Refresh, CheckFirmware, SetFirmwareCheckOnRefresh.
  bool ReadIdentity(bool tell);
  void Refresh();
  bool CheckFirmware();
  bool FirmwareCheckOnRefresh() const { return firmwareCheckOnRefresh_; }
  void SetFirmwareCheckOnRefresh(bool on) { firmwareCheckOnRefresh_ = on; }
  // The running monitor has reported the ZEL to the registry: adjusts to its package, or closes
  // the window when none fits.
  void StartupFirmwareCheck();
  void RunStartup(bool openWizards, bool startMonitor);
  // Firmware up to 0x1000 needs its scaling written again after a temporary parameter edit.
  void AfterTempParamEdit();

  // The regulation tabs; see CMainFrame.
  void CheckRegulationMode();
  int RegulationTab() const { return regulationTab_; }
  bool ChangeRegulationMode(int mode);
  void OnRegulationTabPicked(int index);
  void RequestRegulationMode(int mode);
  bool ChangingRegulationMode() const { return changingMode_; }
  // Brings the tab of mode forward, re-reading its view; nothing when it is in front already.
  void SelectRegulationTab(int mode);

 private:
  // After the identity read: both error words to the status view; false when the error word
  // cannot be read.
  bool FeedStatusView();
  views::CRegulationView& RegulationView(int mode);

  CMainFrame& frame_;
  DeviceIdentity identity_;
  bool firmwareCheckOnRefresh_ = false;
  bool startingUp_ = false;
  bool changingMode_ = false;
  int regulationTab_ = 1;
};

}  // namespace zel::app
