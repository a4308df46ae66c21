#pragma once

#include <string>

#include "firmware/FirmwareVersionChoice.h"
#include "ui/Window.h"

namespace zel::firmware {

// The "Select Firmware " dialog: one version of a package that holds several. The drop-down
// offers the versions whose description reads; the fields below show the selected one; "ReadMe"
// shows its read-me. The package is not held open while the dialog runs.
class CSelectFirmwareDlg : public ui::Window {
 public:
  static constexpr int kIdHeading = 1000;
  static constexpr int kIdVersions = 1001;
  static constexpr int kIdReadMe = 1002;
  // The six value fields ("Software Version" ... "Date") have consecutive ids from here.
  static constexpr int kIdFirstField = 1010;
  static constexpr int kFieldCount = 6;

  explicit CSelectFirmwareDlg(const std::string& packagePath);

  // The package's versions could be read.
  bool Loaded() const { return loaded_; }
  const FirmwareVersionChoice& Choice() const { return choice_; }

  // The version chooser of FirmwarePackage: true with the chosen package directory on OK.
  static bool Choose(const std::string& packagePath, std::string& directory);
  static void Install();

 protected:
  bool OnInitDialog() override;
  void OnEvent(int id, ui::EventKind kind) override;
  void OnOK() override;

 private:
  void ShowFields();

  FirmwareVersionChoice choice_;
  bool loaded_ = false;
};

}  // namespace zel::firmware
