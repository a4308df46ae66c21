#include "app/WizardCommands.h"

#include "can/CCanWizardSheet.h"
#include "can/CanModule.h"
#include "can/ModuleParameterDevice.h"
#include "firmware/CDownloadWizardSheet.h"
#include "firmware/DownloadController.h"
#include "firmware/FirmwareRegistry.h"
#include "link/SerialParameterDevice.h"
#include "link/ZelCommunication.h"
#include "parameters/CUploadWizardSheet.h"

namespace zel::app {

WizardCommands::WizardCommands(link::ZelCommunication& communication,
                               firmware::DownloadController& controller,
                               firmware::FirmwareRegistry& registry)
    : communication_(communication),
      controller_(controller),
      registry_(registry),
      module_(std::make_unique<can::CanModule>(communication.Can(), communication.Parameter())),
      serial_(std::make_unique<link::SerialParameterDevice>(communication.Parameter(),
                                                            communication.Status())) {}

WizardCommands::~WizardCommands() = default;

bool WizardCommands::RunDownloadWizard() {
  firmware::CDownloadWizardSheet sheet(communication_, controller_, registry_);
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
  link::CanGateway* gateway = &communication_.Can();
  devices.probe = [gateway](std::uint16_t id) {
    std::uint16_t answered = 0;
    return gateway->ReadModuleIdOf(id, answered);
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
  sheet.DoModal();
}

void WizardCommands::RunCanWizard() {
  can::CCanWizardSheet sheet(communication_, *module_);
  sheet.DoModal();
}

}  // namespace zel::app
