#include "app/CMainFrame.h"

#include <filesystem>

#include "app/ApplicationAdjustment.h"
#include "app/SettingsFile.h"
#include "firmware/CApplicationAdjustmentDlg.h"
#include "firmware/CBrowseFirmwareDlg.h"
#include "firmware/CSelectFirmwareDlg.h"
#include "firmware/CSetupFirmwareFilesDlg.h"
#include "firmware/FirmwarePackage.h"
#include "link/CAttentionDlg.h"
#include "ui/Host.h"

namespace zel::app {

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
  monitorControl_.Link();
}

CMainFrame::~CMainFrame() {
  // Before anything the monitor's cycle uses goes: it may be waiting for a time-out.
  monitor_.Stop();
  ui::Dispatcher::Default().Unregister(targetId_);
}

void CMainFrame::Changed() {
  if (changed_) changed_();
}

void CMainFrame::SetOfflineCommanding(bool on) {
  offlineCommanding_ = on;
  speedView_.SetOfflineCommanding(on);
  currentView_.SetOfflineCommanding(on);
  Changed();
}

void CMainFrame::RequestClose() {
  closing_ = true;
  if (close_) close_();
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
    if (Identity().softwareVersion == 0) ReadIdentity(false);
    LaunchWizard(kCanWizard);
  }
  if (wizards_->DownloadWizardAtStart()) LaunchWizard(kDownloadWizard);
  if (wizards_->UpDownloadWizardAtStart()) LaunchWizard(kUpDownloadWizard);
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
  if (index == kCanWizard && Identity().softwareVersion <= 0x103F) {
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
  monitorControl_.OnMessage(message, wParam);
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

}  // namespace zel::app
