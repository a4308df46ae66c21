#pragma once

#include <memory>

#include "can/CCanWizardPage.h"
#include "can/ModuleIdSetting.h"

namespace zel::can {

// The CAN wizard's pages before the search: power and cabling, and the module IDs set by DIP
// switch, at another PC or from this one over the serial line. UI thread.

// 258: the power must be off while the network is built.
class CCanWizardPage1 final : public CCanWizardPage {
 public:
  static constexpr int kId = 258;
  static constexpr int kIdText = 5010;
  static constexpr int kIdConfirm = 5011;
  static constexpr int kIdState = 5012;
  static constexpr const char* kStillPowered =
      "The power supply is switched on! Please switch it off!";
  explicit CCanWizardPage1(CCanWizardSheet& sheet);

 protected:
  void OnEvent(int id, ui::EventKind kind) override;
  int NextPage() override { return 259; }
  unsigned Buttons() const override { return confirmed_ ? ui::kWizNext : 0u; }

 private:
  bool confirmed_ = false;
};

// 259: the cabling.
class CCanWizardPage2 final : public CCanWizardPage {
 public:
  static constexpr int kId = 259;
  static constexpr int kIdShow = 5020;
  explicit CCanWizardPage2(CCanWizardSheet& sheet);

 protected:
  void OnEvent(int id, ui::EventKind kind) override;
  int NextPage() override { return 284; }
};

// 284: the IDs by DIP switch. Back from the next page skips it.
class CCanWizardPage3 final : public CCanWizardPage {
 public:
  static constexpr int kId = 284;
  static constexpr int kIdShow = 5030;
  explicit CCanWizardPage3(CCanWizardSheet& sheet);

 protected:
  void OnEvent(int id, ui::EventKind kind) override;
  int NextPage() override { return 260; }
  int PushedId() const override { return 259; }
};

// 260: power on, confirmed by the ZEL answering.
class CCanWizardPage4 final : public CCanWizardPage {
 public:
  static constexpr int kId = 260;
  static constexpr int kIdConfirm = 5040;
  static constexpr const char* kSwitchOn = "Switch on the power supply!";
  explicit CCanWizardPage4(CCanWizardSheet& sheet);

 protected:
  void OnEvent(int id, ui::EventKind kind) override;
  int NextPage() override { return 261; }
  unsigned Buttons() const override { return confirmed_ ? (ui::kWizBack | ui::kWizNext) : 0u; }
  void Entered() override { Enable(kIdConfirm, !confirmed_); }

 private:
  bool confirmed_ = false;
};

// 261: do all ZEL have DIP switches?
class CCanWizardPage5 final : public CCanWizardPage {
 public:
  static constexpr int kId = 261;
  static constexpr int kIdAllDip = 5050;
  static constexpr int kIdSomeWithout = 5051;
  explicit CCanWizardPage5(CCanWizardSheet& sheet);

 protected:
  int NextPage() override;
};

// 288: the IDs from this PC or from another one.
class CCanWizardPage5a final : public CCanWizardPage {
 public:
  static constexpr int kId = 288;
  static constexpr int kIdThisPc = 5060;
  static constexpr int kIdAnotherPc = 5061;
  explicit CCanWizardPage5a(CCanWizardSheet& sheet);

 protected:
  int NextPage() override;
};

// 289: what to do at the other PC.
class CCanWizardPage5b final : public CCanWizardPage {
 public:
  static constexpr int kId = 289;
  static constexpr int kIdList = 5070;
  static constexpr int kIdPrint = 5071;
  explicit CCanWizardPage5b(CCanWizardSheet& sheet);

 protected:
  void OnEvent(int id, ui::EventKind kind) override;
  int NextPage() override { return 262; }
};

// 309: the RS232 cable.
class CCanWizardPage5c final : public CCanWizardPage {
 public:
  static constexpr int kId = 309;
  static constexpr int kIdConfirm = 5080;
  explicit CCanWizardPage5c(CCanWizardSheet& sheet);

 protected:
  void OnEvent(int id, ui::EventKind kind) override;
  int NextPage() override { return 310; }
  unsigned Buttons() const override { return confirmed_ ? (ui::kWizBack | ui::kWizNext) : 0u; }

 private:
  bool confirmed_ = false;
};

// 310: the serial port and baud rate; each change opens the link with it at once.
class CCanWizardPage5d final : public CCanWizardPage {
 public:
  static constexpr int kId = 310;
  static constexpr int kIdPort = 5090;
  static constexpr int kIdBaud = 5091;
  static constexpr int kIdSearch = 5092;
  static constexpr const char* kNoCommunication =
      "The communication setting is not correct!\nNo communication with ZEL.";
  explicit CCanWizardPage5d(CCanWizardSheet& sheet);

 protected:
  void OnEvent(int id, ui::EventKind kind) override;
  void Entered() override { ShowSettings(); }
  int NextPage() override;

 private:
  void ShowSettings();
  void Reopen();
};

// 311: the module ID of the ZEL at the serial port.
class CCanWizardPage5e final : public CCanWizardPage {
 public:
  static constexpr int kId = 311;
  static constexpr int kIdModuleId = 5100;
  static constexpr int kIdSet = 5101;
  static constexpr const char* kBadId = "Please enter an integer between 1 and 127.";
  explicit CCanWizardPage5e(CCanWizardSheet& sheet);

 protected:
  void OnEvent(int id, ui::EventKind kind) override;
  void Entered() override;
  int NextPage() override { return 262; }

 private:
  std::unique_ptr<ModuleIdSetting> setting_;
};

}  // namespace zel::can
