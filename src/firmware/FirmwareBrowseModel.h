#pragma once

#include <array>
#include <string>

#include "firmware/FirmwareInfo.h"

namespace zel::firmware {

// What the "Browse Firmware File" dialog does: it asks for the package of a ZEL whose version
// no registered package matches. The ZEL row shows the versions wanted, the FILE row those of
// the chosen package; a FILE value that differs is drawn in red, and OK closes the dialog only
// when all four agree. The window itself belongs to the platform layer.
class FirmwareBrowseModel {
 public:
  static constexpr const char* kIntroText =
      "A new ZEL Version has been connected! In order to adjust the graphical user interface, "
      "the program needs the corresponding firmware file!";
  static constexpr const char* kSelectText = "Select the correct firmware file!";
  static constexpr std::array<const char*, 4> kColumns = {
      "Software Version", "Hardware Version", "Application Number", "Application Version"};

  explicit FirmwareBrowseModel(const FirmwareInfo& wanted);

  // The file edit's first text: the folder of the package in use, "C:\" when there is none.
  std::string InitialFolder() const;

  // After "..." and its file dialog: opens the package, lets the user choose a version and
  // reads its description, with the dialog's messages on failure; then runs the check.
  bool ChooseFile(const std::string& path);
  // All four FILE values equal the ZEL values; otherwise "Select a file with the correct
  // version!" (OK keeps the dialog open then).
  bool Check() const;

  std::array<std::string, 4> ZelRow() const;
  std::array<std::string, 4> FileRow() const;  // empty until a file was read
  // Which FILE cells are drawn in red.
  std::array<bool, 4> FileDiffers() const;

  bool HasFile() const { return hasFile_; }
  const std::string& FileName() const { return fileName_; }
  const FirmwareInfo& Chosen() const { return chosen_; }

 private:
  FirmwareInfo wanted_;
  FirmwareInfo chosen_;
  std::string fileName_;
  bool hasFile_ = false;
};

}  // namespace zel::firmware
