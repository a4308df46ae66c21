#include "firmware/FirmwareVersionChoice.h"

#include <cstdio>

#include "firmware/FirmwarePackage.h"
#include "firmware/PackageDate.h"
#include "ui/Host.h"

namespace zel::firmware {

namespace {

std::string Hex(std::uint16_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%.4X", static_cast<unsigned>(value));
  return text;
}

}  // namespace

bool FirmwareVersionChoice::Load(const std::string& packagePath) {
  packagePath_ = packagePath;
  const bool read = FirmwarePackage::ReadVersionInfos(packagePath, versions_);
  selected_ = versions_.empty() ? -1 : 0;
  return read;
}

std::vector<std::string> FirmwareVersionChoice::Entries() const {
  std::vector<std::string> entries;
  for (const FirmwareInfo& info : versions_) entries.push_back(info.packageDirectory);
  return entries;
}

void FirmwareVersionChoice::Select(int index) {
  if (index >= 0 && static_cast<std::size_t>(index) < versions_.size()) selected_ = index;
}

std::vector<std::pair<std::string, std::string>> FirmwareVersionChoice::Fields() const {
  std::vector<std::pair<std::string, std::string>> fields = {
      {"Software Version", ""},    {"Hardware Version", ""}, {"Application Number", ""},
      {"Application Version", ""}, {"Meaning", ""},          {"Date", ""}};
  if (selected_ < 0) return fields;
  const FirmwareInfo& info = versions_[static_cast<std::size_t>(selected_)];
  fields[0].second = Hex(info.softwareVersion);
  fields[1].second = Hex(info.hardwareVersion);
  fields[2].second = Hex(info.applicationNumber);
  fields[3].second = Hex(info.applicationVersion);
  fields[4].second = info.meaning;
  fields[5].second = PackageDate::Format(info.date);
  return fields;
}

void FirmwareVersionChoice::ShowReadMe() const {
  std::string text;
  if (selected_ < 0 ||
      !FirmwarePackage::ReadReadMe(
          packagePath_, versions_[static_cast<std::size_t>(selected_)].packageDirectory, text)) {
    ui::CurrentHost().ShowMessage("Error opening 'ReadMe.txt'!");
    return;
  }
  ui::CurrentHost().ShowText("Content of ReadMe.txt", text);
}

bool FirmwareVersionChoice::Chosen(std::string& directory) const {
  if (selected_ < 0) return false;
  directory = versions_[static_cast<std::size_t>(selected_)].packageDirectory;
  return true;
}

}  // namespace zel::firmware
