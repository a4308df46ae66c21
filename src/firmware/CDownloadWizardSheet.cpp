#include "firmware/CDownloadWizardSheet.h"

#include "firmware/FirmwareRegistry.h"
#include "link/ZelCommunication.h"
#include "parameters/SystemParameterBlock.h"
#include "ui/Host.h"

namespace zel::firmware {

CDownloadWizardSheet::CDownloadWizardSheet(link::ZelCommunication& communication,
                                           DownloadController& controller,
                                           FirmwareRegistry& registry)
    : PropertySheet("Firmware Download Wizard", true),
      communication_(communication),
      controller_(controller),
      registry_(registry),
      intro_(*this),
      com_(*this),
      method_(*this),
      sourceFile_(*this),
      download_(*this),
      summary_(*this),
      systemParameter_(*this) {
  AddPage(intro_);
  AddPage(com_);
  AddPage(method_);
  AddPage(sourceFile_);
  AddPage(download_);
  AddPage(summary_);
  AddPage(systemParameter_);
}

CDownloadWizardSheet::~CDownloadWizardSheet() {
  download_.Abandon();
  Close();
}

bool CDownloadWizardSheet::OnInitDialog() {
  Open();
  return PropertySheet::OnInitDialog();
}

void CDownloadWizardSheet::Open() {
  if (opened_) return;
  opened_ = true;
  communication_.ClaimLink();
  userSettings_ = communication_.Settings();
  parameters::SystemParameterBlock block;
  // A ZEL without running firmware answers nothing here; its rate is left alone.
  if (!communication_.Parameter().ReadAllTempParam(block)) return;
  parameter0_ = block.words[0];
  if (parameter0_ == kBootBaudCode) return;
  block.words[0] = kBootBaudCode;
  if (!communication_.Parameter().WriteAllTempParam(block)) return;
  parameter0Changed_ = true;
  communication_.Parameter().SaveTempParam();
  link::CommSettings boot = userSettings_;
  boot.baudRate = kBootBaudRate;
  communication_.OpenLink(boot);
}

void CDownloadWizardSheet::Close() {
  if (!opened_) return;
  opened_ = false;
  if (downloadSucceeded) {
    FirmwareInfo info = chosen;
    info.packagePath = controller_.PackagePath();
    info.packageDirectory = controller_.PackageDirectory();
    registry_.Register(info);
  }
  communication_.ReleaseLink();
  communication_.LeaveBootLoaderMode();
  if (!parameter0Changed_) {
    // The ZEL kept its own rate: the settings in force now are the ones that reach it (the
    // serial settings page may have found them), so they stay.
    if (!communication_.Link().IsOpen()) communication_.ReopenLink();
    return;
  }
  parameter0Changed_ = false;
  // The new firmware may have other defaults; only parameter 0 is the wizard's to put back.
  parameters::SystemParameterBlock block;
  bool restored = communication_.Parameter().ReadAllTempParam(block);
  if (restored) {
    block.words[0] = parameter0_;
    restored = communication_.Parameter().WriteAllTempParam(block) &&
               communication_.Parameter().SaveTempParam();
  }
  if (!restored) {
    // The ZEL still talks at the boot loader's rate: the link stays with it, and the
    // technician is told.
    ui::CurrentHost().ShowMessage(kRateNotRestored);
    if (!communication_.Link().IsOpen()) communication_.ReopenLink();
    return;
  }
  if (!(communication_.Settings() == userSettings_) || !communication_.Link().IsOpen())
    communication_.OpenLink(userSettings_);
}

int CDownloadWizardSheet::Visit(int pageIndex) {
  if (goingBack_ && !pageHistory_.empty() && pageHistory_.back() == pageIndex) {
    goingBack_ = false;
    return static_cast<int>(pageHistory_.size());
  }
  goingBack_ = false;
  if (pageHistory_.size() >= kMostHistory)
    pageHistory_.back() = pageIndex;
  else
    pageHistory_.push_back(pageIndex);
  return static_cast<int>(pageHistory_.size());
}

int CDownloadWizardSheet::Back() {
  if (pageHistory_.size() < 2) return ui::PropertyPage::kStay;
  pageHistory_.pop_back();
  goingBack_ = true;
  return ui::PropertyPage::JumpTo(pageHistory_.back());
}

void CDownloadWizardSheet::OnEvent(int id, ui::EventKind kind) {
  // Leaving the download page in the middle of a download would orphan the worker.
  if ((id == ui::kIdBack || id == ui::kIdNext) && kind == ui::EventKind::Clicked &&
      ActiveIndex() == kDownload && download_.Running())
    return;
  PropertySheet::OnEvent(id, kind);
}

void CDownloadWizardSheet::OnCancel() {
  // Closing now would leave the flash half written.
  if (download_.InCriticalPhase()) return;
  download_.Abandon();
  PropertySheet::OnCancel();
}

void CDownloadWizardSheet::OnDestroy() {
  download_.Abandon();
  PropertySheet::OnDestroy();
  Close();
}

}  // namespace zel::firmware
