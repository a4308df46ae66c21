#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "parameters/CUploadWizardPage.h"

namespace zel::parameters {

// "CAN": the same buttons for one module ("&Module", the "Module ID:" field) or for every module
// the last search found ("&Network"), through the gateway of the ZEL at the serial port. Only a
// ZEL from software version 0x1040 on carries the commands, so below it the page stays disabled.
// UI thread.
class CUploadWizard_CAN final : public CUploadWizardPage {
 public:
  static constexpr int kIdModuleMode = 4200;
  static constexpr int kIdNetworkMode = 4201;
  static constexpr int kIdModuleIdLabel = 4202;
  static constexpr int kIdModuleId = 4203;
  static constexpr int kIdSearch = 4204;
  static constexpr int kIdIntroduction = 4205;
  static constexpr int kIdModules = 4206;
  static constexpr int kIdCountLabel = 4207;
  static constexpr int kIdCount = 4208;
  static constexpr int kIdGate = 4209;
  static constexpr int kIdReport = 4210;
  static constexpr std::uint16_t kFirstVersion = 0x1040;
  static constexpr const char* kGateText =
      "Parameter Upload Wizard for CAN only available \nfor Software Version 0x1040 and higher!";
  static constexpr const char* kNoModules = "No modules found! Search the modules first.";
  static constexpr const char* kBadModuleId = "The module ID must be a number from 1 to 127!";

  explicit CUploadWizard_CAN(UploadWizardDevices& devices);

  bool OnSetActive() override;
  const std::vector<std::uint16_t>& FoundModules() const { return found_; }
  const std::string& Report() const { return report_; }
  bool NetworkMode() const { return Value(kIdNetworkMode) != 0; }

 protected:
  void OnEvent(int id, ui::EventKind kind) override;
  ParameterDevice* Device(std::unique_ptr<ParameterDevice>& holder) override;
  void Upload() override;
  void DownloadFile() override;
  std::string UploadedText(const ParameterDevice& device) const override;

 private:
  void Search();
  void EnableAll(bool enabled);
  void ShowFound();
  void ShowReport(const std::string& report);

  std::vector<std::uint16_t> found_;
  std::string report_;
};

}  // namespace zel::parameters
