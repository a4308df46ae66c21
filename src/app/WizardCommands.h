#pragma once

#include <memory>

#include "parameters/CUploadWizardPage.h"

namespace zel::link {
class SerialParameterDevice;
class ZelCommunication;
}  // namespace zel::link
namespace zel::can {
class CanModule;
}
namespace zel::firmware {
class DownloadController;
class FirmwareRegistry;
}  // namespace zel::firmware

namespace zel::app {

// The CAN wizard, the firmware download wizard and the parameter up/download wizard as the main
// window runs them (from the menu, the wizard view or at start), each with its open-at-start flag.
// UI thread.
class WizardCommands {
 public:
  WizardCommands(link::ZelCommunication& communication, firmware::DownloadController& controller,
                 firmware::FirmwareRegistry& registry);
  ~WizardCommands();

  // True when the download succeeded (the ZEL may now answer with another identity).
  bool RunDownloadWizard();
  void RunUpDownloadWizard();
  // The CAN wizard over the serial ZEL and the modules behind it.
  void RunCanWizard();
  // What the up/download wizard works on: the serial ZEL, its modules through the gateway.
  parameters::UploadWizardDevices UpDownloadDevices();

  bool CanWizardAtStart() const { return canAtStart_; }
  void SetCanWizardAtStart(bool open) { canAtStart_ = open; }
  bool DownloadWizardAtStart() const { return downloadAtStart_; }
  void SetDownloadWizardAtStart(bool open) { downloadAtStart_ = open; }
  bool UpDownloadWizardAtStart() const { return upDownloadAtStart_; }
  void SetUpDownloadWizardAtStart(bool open) { upDownloadAtStart_ = open; }

 private:
  link::ZelCommunication& communication_;
  firmware::DownloadController& controller_;
  firmware::FirmwareRegistry& registry_;
  std::unique_ptr<can::CanModule> module_;
  std::unique_ptr<link::SerialParameterDevice> serial_;
  bool canAtStart_ = false;
  bool downloadAtStart_ = false;
  bool upDownloadAtStart_ = false;
};

}  // namespace zel::app
