#pragma once

#include <vector>

#include "firmware/FirmwareRegistrationList.h"
#include "firmware/FirmwareRegistry.h"
#include "ui/Window.h"

namespace zel::firmware {

// The "Setup Firmware Files" dialog: the registered packages, one row per version, with
// "Add &Firmware", "&Delete Firmware" and "Delete &All". It works on its own copy; only OK hands
// the list back to the registry.
class CSetupFirmwareFilesDlg : public ui::Window {
 public:
  static constexpr const char* kTitle = "Setup Firmware Files";
  static constexpr const char* kFileFilter = "ZEL Firmware Files (*.bin)|*.bin||";
  static constexpr int kIdList = 1000;
  static constexpr int kIdAdd = 1001;
  static constexpr int kIdDelete = 1002;
  static constexpr int kIdDeleteAll = 1003;

  explicit CSetupFirmwareFilesDlg(std::vector<FirmwareInfo> records);

  const std::vector<FirmwareInfo>& Records() const { return list_.Records(); }

  // The registry's registration editor: on OK records holds the dialog's list.
  static bool Edit(std::vector<FirmwareInfo>& records);
  static void Install(FirmwareRegistry& registry);

 protected:
  bool OnInitDialog() override;
  void OnEvent(int id, ui::EventKind kind) override;

 private:
  void ShowRows();
  void AddFirmware();

  FirmwareRegistrationList list_;
};

}  // namespace zel::firmware
