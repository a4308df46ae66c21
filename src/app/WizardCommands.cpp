#include "app/WizardCommands.h"

#include "app/CStartupWizardSheet.h"
#include "can/CCanWizardSheet.h"
#include "can/CanModule.h"
#include "can/GatewayNetworkLine.h"
#include "can/ModuleParameterDevice.h"
#include "can/ModuleParameterEditing.h"
#include "files/ArchiveReader.h"
#include "files/ArchiveWriter.h"
#include "firmware/CDownloadWizardSheet.h"
#include "firmware/DownloadController.h"
#include "firmware/FirmwareRegistry.h"
#include "link/CServiceDlg.h"
#include "link/SerialParameterDevice.h"
#include "link/ZelCommunication.h"
#include "parameters/CUploadWizardSheet.h"

namespace zel::app {

namespace {

// Tells the listeners that a wizard holds the link for as long as the wizard's modal run lasts,
// so every way out of it (Finish, Cancel, a failure) takes the notice back.
class LinkClaimNotice {
 public:
  LinkClaimNotice(const std::vector<WizardCommands::LinkClaimListener>& listeners,
                  const std::string& wizard)
      : listeners_(listeners) {
    Tell(wizard);
  }
  ~LinkClaimNotice() { Tell({}); }
  LinkClaimNotice(const LinkClaimNotice&) = delete;
  LinkClaimNotice& operator=(const LinkClaimNotice&) = delete;

 private:
  void Tell(const std::string& wizard) const {
    for (const WizardCommands::LinkClaimListener& listener : listeners_)
      if (listener) listener(wizard);
  }

  const std::vector<WizardCommands::LinkClaimListener>& listeners_;
};

}  // namespace

WizardCommands::WizardCommands(link::ZelCommunication& communication,
                               firmware::DownloadController& controller,
                               firmware::FirmwareRegistry& registry)
    : communication_(communication),
      controller_(controller),
      registry_(registry),
      module_(std::make_unique<can::CanModule>(communication.Can(), communication.Parameter())),
      line_(std::make_unique<can::GatewayNetworkLine>(communication.Link(), *module_)),
      serial_(std::make_unique<link::SerialParameterDevice>(communication.Parameter(),
                                                            communication.Status())) {}

WizardCommands::~WizardCommands() = default;

void WizardCommands::RunStartupWizard(ui::Dispatcher::TargetId mainWindow) {
  CStartupWizardSheet sheet(communication_, mainWindow, startupAtStart_, applicationAdjustment_);
  sheet.DoModal();
  startupAtStart_ = sheet.OpenAtStart();
}

void WizardCommands::Write(files::ArchiveWriter& archive) const {
  archive.WriteInt32(startupAtStart_);
  archive.WriteInt32(canAtStart_ ? 1 : 0);
  archive.WriteInt32(downloadAtStart_ ? 1 : 0);
  archive.WriteInt32(upDownloadAtStart_ ? 1 : 0);
}

void WizardCommands::Read(files::ArchiveReader& archive) {
  const std::int32_t startup = archive.ReadInt32();
  const std::int32_t can = archive.ReadInt32();
  const std::int32_t download = archive.ReadInt32();
  const std::int32_t upDownload = archive.ReadInt32();
  startupAtStart_ = startup;
  canAtStart_ = can != 0;
  downloadAtStart_ = download != 0;
  upDownloadAtStart_ = upDownload != 0;
}

bool WizardCommands::RunDownloadWizard() {
  firmware::CDownloadWizardSheet sheet(communication_, controller_, registry_);
  LinkClaimNotice notice(claimListeners_, sheet.Title());
  sheet.DoModal();
  return sheet.downloadSucceeded;
}

parameters::UploadWizardDevices WizardCommands::UpDownloadDevices() {
  parameters::UploadWizardDevices devices;
  devices.table = &communication_.Definitions();
  devices.serial = serial_.get();
  can::CanModule* module = module_.get();
  devices.moduleDevice =
      [module](std::uint16_t id) -> std::unique_ptr<parameters::ParameterDevice> {
    return std::make_unique<can::ModuleParameterDevice>(*module, id);
  };
  devices.line = line_.get();
  link::ZelCommunication* communication = &communication_;
  devices.enterServiceMode = [communication, module](std::uint16_t id) {
    if (id != 0) return can::ModuleParameterEditing::ServiceModeEntry(*module, id)();
    return link::CServiceDlg::EnterServiceMode(communication->Service(),
                                               communication->Parameter());
  };
  return devices;
}

void WizardCommands::RunUpDownloadWizard() {
  parameters::UploadWizardDevices devices = UpDownloadDevices();
  link::ZelCommunication* communication = &communication_;
  parameters::CUploadWizardSheet sheet(std::move(devices), [communication](bool claimed) {
    if (claimed)
      communication->ClaimLink();
    else
      communication->ReleaseLink();
  });
  LinkClaimNotice notice(claimListeners_, sheet.Title());
  sheet.DoModal();
}

void WizardCommands::RunCanWizard() {
  can::CCanWizardSheet sheet(communication_, *module_);
  LinkClaimNotice notice(claimListeners_, sheet.Title());
  sheet.DoModal();
}

}  // namespace zel::app
