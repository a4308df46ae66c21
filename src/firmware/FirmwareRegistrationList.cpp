#include "firmware/FirmwareRegistrationList.h"

#include <cstdio>

#include "firmware/FirmwarePackage.h"
#include "firmware/PackageDate.h"
#include "ui/Host.h"

namespace zel::firmware {

namespace {

std::string Hex(std::uint16_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%.4x", static_cast<unsigned>(value));
  return text;
}

}  // namespace

bool FirmwareRegistrationList::AddFirmware(const std::string& path) {
  ui::Host& host = ui::CurrentHost();
  FirmwarePackage package;
  if (!package.Open(path)) {
    host.ShowMessage("Can't open this file");
    return false;
  }
  std::string directory;
  if (!package.ChooseVersion(directory, true)) return false;
  FirmwareInfo info;
  if (!package.CheckComplete(directory, false) || !package.ReadInfo(directory, info)) {
    host.ShowMessage("Bad file format!");
    return false;
  }
  package.Close();
  for (const FirmwareInfo& record : records_) {
    if (record.SameVersion(info)) {
      host.ShowMessage("This firmware version is already inserted!");
      return false;
    }
  }
  records_.push_back(std::move(info));
  return true;
}

bool FirmwareRegistrationList::DeleteSelected(int row) {
  if (row < 0 || static_cast<std::size_t>(row) >= records_.size()) {
    ui::CurrentHost().ShowMessage("No item selected!");
    return false;
  }
  records_.erase(records_.begin() + row);
  return true;
}

std::array<std::string, 6> FirmwareRegistrationList::RowTexts(const FirmwareInfo& record) {
  return {PackageDate::Format(record.date), Hex(record.softwareVersion),
          Hex(record.hardwareVersion),      Hex(record.applicationNumber),
          Hex(record.applicationVersion),   record.packagePath};
}

}  // namespace zel::firmware
