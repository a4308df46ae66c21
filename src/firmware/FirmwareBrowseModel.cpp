#include "firmware/FirmwareBrowseModel.h"

#include <cstdio>

#include "firmware/FirmwarePackage.h"
#include "ui/Host.h"

namespace zel::firmware {

namespace {

std::array<std::uint16_t, 4> Versions(const FirmwareInfo& info) {
  return {info.softwareVersion, info.hardwareVersion, info.applicationNumber,
          info.applicationVersion};
}

std::string Hex(std::uint16_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%.4x", static_cast<unsigned>(value));
  return text;
}

}  // namespace

FirmwareBrowseModel::FirmwareBrowseModel(const FirmwareInfo& wanted)
    : wanted_(wanted), fileName_(InitialFolder()) {}

std::string FirmwareBrowseModel::InitialFolder() const {
  const std::string& path = wanted_.packagePath;
  const std::size_t last = path.find_last_of("\\/");
  if (last == std::string::npos || last == 0) return "C:\\";
  return path.substr(0, last);
}

bool FirmwareBrowseModel::ChooseFile(const std::string& path) {
  FirmwarePackage package;
  if (!package.Open(path)) {
    ui::CurrentHost().ShowMessage("Error opening Firmware file!");
    return false;
  }
  std::string directory;
  if (!package.ChooseVersion(directory, true)) return false;
  FirmwareInfo info;
  if (!package.ReadInfo(directory, info)) {
    ui::CurrentHost().ShowMessage("Error reading firmware infos!");
    return false;
  }
  chosen_ = info;
  fileName_ = path;
  hasFile_ = true;
  return Check();
}

bool FirmwareBrowseModel::Check() const {
  if (hasFile_ && chosen_.SameVersion(wanted_)) return true;
  ui::CurrentHost().ShowMessage("Select a file with the correct version!");
  return false;
}

std::array<std::string, 4> FirmwareBrowseModel::ZelRow() const {
  std::array<std::string, 4> row;
  const auto versions = Versions(wanted_);
  for (std::size_t i = 0; i < row.size(); ++i) row[i] = Hex(versions[i]);
  return row;
}

std::array<std::string, 4> FirmwareBrowseModel::FileRow() const {
  std::array<std::string, 4> row;
  if (!hasFile_) return row;
  const auto versions = Versions(chosen_);
  for (std::size_t i = 0; i < row.size(); ++i) row[i] = Hex(versions[i]);
  return row;
}

std::array<bool, 4> FirmwareBrowseModel::FileDiffers() const {
  std::array<bool, 4> differs{};
  if (!hasFile_) return differs;
  const auto wanted = Versions(wanted_);
  const auto chosen = Versions(chosen_);
  for (std::size_t i = 0; i < differs.size(); ++i) differs[i] = wanted[i] != chosen[i];
  return differs;
}

}  // namespace zel::firmware
