#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ui/Dispatcher.h"

#include "parameters/CUploadWizardPage.h"

namespace zel::link {
class SerialParameterDevice;
class ZelCommunication;
}  // namespace zel::link
namespace zel::can {
class CanModule;
class GatewayNetworkLine;
}  // namespace zel::can
namespace zel::firmware {
class DownloadController;
class FirmwareRegistry;
}  // namespace zel::firmware
namespace zel::files {
class ArchiveReader;
class ArchiveWriter;
}  // namespace zel::files

namespace zel::app {

// The wizards as the main window runs them (from the menu, the wizard view or at start), each
// with its open-at-start flag. UI thread.
class WizardCommands {
 public:
  WizardCommands(link::ZelCommunication& communication, firmware::DownloadController& controller,
                 firmware::FirmwareRegistry& registry);
  ~WizardCommands();

  // The start-up wizard; its closing messages go to mainWindow.
  void RunStartupWizard(ui::Dispatcher::TargetId mainWindow);
  // What the start-up wizard runs after a new encoder resolution on firmware up to 0x1000.
  void SetApplicationAdjustment(std::function<bool()> adjustment) {
    applicationAdjustment_ = std::move(adjustment);
  }
  // True when the download succeeded (the ZEL may now answer with another identity).
  bool RunDownloadWizard();
  void RunUpDownloadWizard();
  // The CAN wizard over the serial ZEL and the modules behind it.
  void RunCanWizard();
  // What the up/download wizard works on: the serial ZEL, its modules through the gateway.
  parameters::UploadWizardDevices UpDownloadDevices();

  // The start-up wizard's flag is 32-bit in the settings file and starts set.
  std::int32_t StartupWizardAtStart() const { return startupAtStart_; }
  void SetStartupWizardAtStart(std::int32_t open) { startupAtStart_ = open; }
  bool CanWizardAtStart() const { return canAtStart_; }
  void SetCanWizardAtStart(bool open) { canAtStart_ = open; }
  bool DownloadWizardAtStart() const { return downloadAtStart_; }
  void SetDownloadWizardAtStart(bool open) { downloadAtStart_ = open; }
  bool UpDownloadWizardAtStart() const { return upDownloadAtStart_; }
  void SetUpDownloadWizardAtStart(bool open) { upDownloadAtStart_ = open; }

  // Told the title of a wizard that claims the link (the CAN, download and up/download wizards)
  // when it opens, and an empty title when it has closed, however it closed. While it runs the
  // monitor's commands fail: the ZEL is busy, not offline.
  using LinkClaimListener = std::function<void(const std::string& wizard)>;
  void AddLinkClaimListener(LinkClaimListener listener) {
    claimListeners_.push_back(std::move(listener));
  }

  // The wizards' block of the settings file: the four flags in the wizard view's order. Read
  // replaces the flags only when the whole block was read; it throws files::ArchiveError
  // otherwise.
  void Write(files::ArchiveWriter& archive) const;
  void Read(files::ArchiveReader& archive);

 private:
  link::ZelCommunication& communication_;
  firmware::DownloadController& controller_;
  firmware::FirmwareRegistry& registry_;
  std::unique_ptr<can::CanModule> module_;
  std::unique_ptr<can::GatewayNetworkLine> line_;
  std::unique_ptr<link::SerialParameterDevice> serial_;
  std::function<bool()> applicationAdjustment_;
  std::vector<LinkClaimListener> claimListeners_;
  std::int32_t startupAtStart_ = 1;
  bool canAtStart_ = false;
  bool downloadAtStart_ = false;
  bool upDownloadAtStart_ = false;
};

}  // namespace zel::app
