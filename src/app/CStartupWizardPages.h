#pragma once

#include <cstdint>
#include <string>

#include "ui/PropertySheet.h"

namespace zel::app {

class CStartupWizardSheet;

// The start-up wizard's pages up to the encoder resolution. Each page shows its caption line in
// its own label and finds the wizard's state in its sheet. UI thread.
class CStartupWizardPage : public ui::PropertyPage {
 public:
  static constexpr int kIdCaption = 4000;
  // An edit left empty (its read failed) would go to the ZEL as 0.
  static constexpr const char* kEmptyValue = "Enter a value: an empty field is not written.";

  CStartupWizardPage(CStartupWizardSheet& sheet, int dialogId, std::string caption);

  int DialogId() const { return dialogId_; }
  bool OnSetActive() override;

 protected:
  CStartupWizardSheet& Wizard() const { return wizard_; }
  // False after saying so and putting the focus there when the edit id is empty.
  bool Filled(int id);

 private:
  CStartupWizardSheet& wizard_;
  int dialogId_;
};

// A page that lets the user go on only after ticking its confirmation box; the box then stays
// ticked and disabled. backAllowed: whether Back comes with Next.
class CStartupWizardConfirmPage : public CStartupWizardPage {
 public:
  static constexpr int kIdConfirm = 4010;

  CStartupWizardConfirmPage(CStartupWizardSheet& sheet, int dialogId, std::string caption,
                            const char* confirmText, bool backAllowed);
  bool OnSetActive() override;

 protected:
  void OnEvent(int id, ui::EventKind kind) override;

 private:
  void ShowButtons();

  bool backAllowed_;
  bool confirmed_ = false;
};

class CStartupWizardPageHardware final : public CStartupWizardConfirmPage {
 public:
  static constexpr int kIdText = 4011;
  static constexpr int kIdLink = 4012;
  explicit CStartupWizardPageHardware(CStartupWizardSheet& sheet);
};

class CStartupWizardPageCable final : public CStartupWizardConfirmPage {
 public:
  static constexpr int kIdPicture = 4013;
  explicit CStartupWizardPageCable(CStartupWizardSheet& sheet);
};

class CStartupWizardPageSerial final : public CStartupWizardPage {
 public:
  static constexpr int kIdPort = 4020;
  static constexpr int kIdBaud = 4021;
  static constexpr int kIdSearch = 4022;
  static constexpr int kIdPortLabel = 4023;
  static constexpr int kIdBaudLabel = 4024;
  static constexpr const char* kNoCommunication =
      "The communication setting is not correct!\nNo communication with ZEL.";

  explicit CStartupWizardPageSerial(CStartupWizardSheet& sheet);
  bool OnSetActive() override;
  int OnWizardNext() override;

  // The list positions of a port name (-1: none) and of a baud rate, and back.
  static int PortPosition(const std::string& portName);
  static int BaudPosition(std::int32_t baudRate);
  static std::int32_t BaudOfPosition(int position);

 protected:
  void OnEvent(int id, ui::EventKind kind) override;

 private:
  void ShowSettings();
  void ApplySettings();
};

class CStartupWizardPageMotor final : public CStartupWizardPage {
 public:
  static constexpr int kIdText = 4030;
  static constexpr int kIdResolution = 4031;
  static constexpr int kIdUnit = 4032;
  static constexpr std::int16_t kEncResolution = 20;
  static constexpr const char* kReadFailed = "Error reading encoder resoultion!";

  explicit CStartupWizardPageMotor(CStartupWizardSheet& sheet);
  bool OnSetActive() override;
  int OnWizardNext() override;
};

}  // namespace zel::app
