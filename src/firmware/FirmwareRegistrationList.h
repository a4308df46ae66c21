#pragma once

#include <array>
#include <string>
#include <vector>

#include "firmware/FirmwareInfo.h"

namespace zel::firmware {

// What the "Setup Firmware Files" dialog does with its own copy of the registered packages:
// add a package's version (refusing a version already listed), delete one row or all. OK hands
// Records() back to the registry; Cancel simply drops this object. The window itself belongs to
// the platform layer.
class FirmwareRegistrationList {
 public:
  static constexpr const char* kIntroText =
      "The graphical user interface is able to work with the following ZEL Firmware versions:";
  static constexpr std::array<const char*, 6> kColumns = {"Date",      "Software",   "Hardware",
                                                          "AppNumber", "AppVersion", "File Name"};
  // Column widths in sixtieths of the list's width.
  static constexpr std::array<int, 6> kColumnSixtieths = {8, 5, 5, 6, 6, 30};

  explicit FirmwareRegistrationList(std::vector<FirmwareInfo> records)
      : records_(std::move(records)) {}

  // "Add &Firmware" after its file dialog. True when a row was appended.
  bool AddFirmware(const std::string& path);
  // "&Delete Firmware" for the selected row (-1: none selected, "No item selected!").
  bool DeleteSelected(int row);
  // "Delete &All".
  void DeleteAll() { records_.clear(); }

  const std::vector<FirmwareInfo>& Records() const { return records_; }
  // The texts of one row, in column order.
  static std::array<std::string, 6> RowTexts(const FirmwareInfo& record);

 private:
  std::vector<FirmwareInfo> records_;
};

}  // namespace zel::firmware
