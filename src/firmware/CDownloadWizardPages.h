#pragma once

#include <string>

#include "firmware/FirmwareInfo.h"
#include "ui/PropertySheet.h"

namespace zel::firmware {

class CDownloadWizardSheet;

// The download wizard's pages before the download: the warning, the serial settings (only when
// the ZEL did not answer), the method and the package. Each page finds the wizard's state in its
// sheet. UI thread.
class CDownloadWizardPage : public ui::PropertyPage {
 public:
  CDownloadWizardPage(CDownloadWizardSheet& sheet, int index, const char* titleFormat);

  bool OnSetActive() override;
  int OnWizardBack() override;

 protected:
  CDownloadWizardSheet& Wizard() const { return wizard_; }
  // Where Next leads once SysConfig was read: the method page in service mode, else the package
  // with the Standard method. -1 when SysConfig did not answer.
  int NextBySysConfig();

 private:
  CDownloadWizardSheet& wizard_;
  int index_;
  const char* titleFormat_;
};

class CDownloadWizardPageIntro final : public CDownloadWizardPage {
 public:
  static constexpr int kIdWarning = 3000;
  static constexpr int kIdReturn = 3001;
  static constexpr int kIdConfirm = 3002;

  explicit CDownloadWizardPageIntro(CDownloadWizardSheet& sheet);
  bool OnSetActive() override;
  int OnWizardNext() override;

 protected:
  void OnEvent(int id, ui::EventKind kind) override;

 private:
  bool confirmed_ = false;
};

class CDownloadWizardPageCom final : public CDownloadWizardPage {
 public:
  static constexpr int kIdText = 3010;
  static constexpr int kIdPortLabel = 3011;
  static constexpr int kIdPort = 3012;
  static constexpr int kIdBaudLabel = 3013;
  static constexpr int kIdBaud = 3014;
  static constexpr int kIdSearch = 3015;
  static constexpr const char* kNoCommunication =
      "The communication setting is not correct!\nNo communication with ZEL.";

  explicit CDownloadWizardPageCom(CDownloadWizardSheet& sheet);
  bool OnSetActive() override;
  int OnWizardNext() override;

 protected:
  void OnEvent(int id, ui::EventKind kind) override;

 private:
  void ShowSettings();
  void ApplySettings();
};

class CDownloadWizardPageMethod final : public CDownloadWizardPage {
 public:
  static constexpr int kIdText = 3020;
  static constexpr int kIdMethod = 3021;
  static constexpr int kIdServiceHint = 3022;

  explicit CDownloadWizardPageMethod(CDownloadWizardSheet& sheet);
  bool OnSetActive() override;
  int OnWizardNext() override;
};

class CDownloadWizardPageSourceFile final : public CDownloadWizardPage {
 public:
  static constexpr int kIdFile = 3030;
  static constexpr int kIdBrowse = 3031;
  // The version table: one row each for software, hardware, application number and application
  // version; the row's name, the ZEL's value, "-->", the file's value.
  static constexpr int kIdVersions = 3040;
  static constexpr int kZelColumn = 1;
  static constexpr int kFileColumn = 3;
  static constexpr int kHardwareRow = 1;
  static constexpr int kIdDefaults = 3060;
  static constexpr int kIdReadMe = 3061;
  static constexpr int kIdHeader = 3062;
  static constexpr std::uint32_t kMismatchColour = 0xFF0000;
  static constexpr const char* kUnreadable =
      "Error reading version of firmware!\nThe format of the firmware file is not correct!";
  static constexpr const char* kZelVersionUnread =
      "Error reading version info of the ZEL!\nThe hardware versions cannot be compared; "
      "check the communication and select the file again!";

  explicit CDownloadWizardPageSourceFile(CDownloadWizardSheet& sheet);
  bool OnSetActive() override;
  int OnWizardNext() override;

 protected:
  void OnEvent(int id, ui::EventKind kind) override;

 private:
  void Browse();
  void ReadZelVersions();
  void ShowFile(const FirmwareInfo* info);
  void ShowVersions();
  void MarkHardware(bool mismatch);
  void Accept(bool accepted);
  void ShowPackageText(int id);

  std::string zelCells_[4];
  std::string fileCells_[4];
  bool hardwareMarked_ = false;
  bool zelRead_ = false;
  std::uint16_t zelHardware_ = 0;
  bool serviceModeAtEntry_ = false;
  bool accepted_ = false;
};

}  // namespace zel::firmware
