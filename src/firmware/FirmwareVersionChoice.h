#pragma once

#include <array>
#include <string>
#include <utility>
#include <vector>

#include "firmware/FirmwareInfo.h"

namespace zel::firmware {

// What the "Select Firmware " dialog does when a package holds several versions: it offers the
// versions whose description reads, in package order, shows the selected one's versions,
// meaning and date, and its "ReadMe" button shows that version's read-me. The package is opened
// only while something is read from it. The window belongs to the platform layer, which installs
// it as FirmwarePackage's version chooser.
class FirmwareVersionChoice {
 public:
  static constexpr const char* kTitle = "Select Firmware ";
  static constexpr const char* kHeading = "Select one of the following ZEL Firmware!";

  // Reads the versions of the package; false when it cannot be opened.
  bool Load(const std::string& packagePath);

  const std::vector<FirmwareInfo>& Versions() const { return versions_; }
  // Drop-down texts: the package directory names.
  std::vector<std::string> Entries() const;
  // The first entry is selected when the dialog opens.
  int Selected() const { return selected_; }
  void Select(int index);

  // "Software Version", "Hardware Version", "Application Number", "Application Version" (each
  // "0x%.4X"), "Meaning" and "Date" of the selection; empty values without one.
  std::vector<std::pair<std::string, std::string>> Fields() const;

  // "ReadMe": the selected version's read-me through the host's text viewer, or the box
  // "Error opening 'ReadMe.txt'!".
  void ShowReadMe() const;

  // OK: the chosen package directory; false when nothing is selected.
  bool Chosen(std::string& directory) const;

 private:
  std::string packagePath_;
  std::vector<FirmwareInfo> versions_;
  int selected_ = -1;
};

}  // namespace zel::firmware
