#include "app/CStartupWizardPages.h"

#include <array>

#include "app/CStartupWizardSheet.h"
#include "link/CSearchCommunicationDlg.h"
#include "link/ZelCommunication.h"
#include "parameters/NumberText.h"
#include "ui/Host.h"

namespace zel::app {

namespace {

constexpr int kPortCount = 6;
constexpr std::array<std::int32_t, 5> kBaudRates{9600, 14400, 19200, 38400, 57600};
constexpr int kDefaultBaudPosition = 3;  // 38400

char Lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

CStartupWizardPage::CStartupWizardPage(CStartupWizardSheet& sheet, int dialogId,
                                       std::string caption)
    : PropertyPage(caption), wizard_(sheet), dialogId_(dialogId) {
  AddLabel(kIdCaption, std::move(caption));
}

bool CStartupWizardPage::Filled(int id) {
  if (!Text(id).empty()) return true;
  ui::CurrentHost().ShowMessage(kEmptyValue);
  SetFocus(id);
  return false;
}

bool CStartupWizardPage::OnSetActive() {
  Sheet()->SetWizardButtons(ui::kWizBack | ui::kWizNext);
  return true;
}

// Confirmation pages

CStartupWizardConfirmPage::CStartupWizardConfirmPage(CStartupWizardSheet& sheet, int dialogId,
                                                     std::string caption, const char* confirmText,
                                                     bool backAllowed)
    : CStartupWizardPage(sheet, dialogId, std::move(caption)), backAllowed_(backAllowed) {
  AddCheckBox(kIdConfirm, confirmText);
}

void CStartupWizardConfirmPage::ShowButtons() {
  Sheet()->SetWizardButtons(!confirmed_    ? 0
                            : backAllowed_ ? ui::kWizBack | ui::kWizNext
                                           : ui::kWizNext);
}

bool CStartupWizardConfirmPage::OnSetActive() {
  ShowButtons();
  return true;
}

void CStartupWizardConfirmPage::OnEvent(int id, ui::EventKind kind) {
  if (id != kIdConfirm || kind != ui::EventKind::Clicked || confirmed_) return;
  confirmed_ = true;
  SetValue(kIdConfirm, 1);
  Enable(kIdConfirm, false);
  ShowButtons();
}

CStartupWizardPageHardware::CStartupWizardPageHardware(CStartupWizardSheet& sheet)
    : CStartupWizardConfirmPage(sheet, 149, "Step 1: Hardware Installation!",
                                "&Confirm that you've read the operating instructions", false) {
  AddLabel(kIdText,
           "Please read the ZEL operating instructions for a correct hardware installation!");
  AddLabel(kIdLink, "The operating instructions: Orvane's web site");
}

CStartupWizardPageCable::CStartupWizardPageCable(CStartupWizardSheet& sheet)
    : CStartupWizardConfirmPage(sheet, 267, "Step 2: RS232 Cable Wiring!",
                                "&Confirm that you've connected the cable", true) {
  Add(kIdPicture, ui::ControlKind::Picture,
      "ZEL            PC (9-pin)\n"
      "Gnd  --------  pin 5\n"
      "RxD  --------  pin 3\n"
      "TxD  --------  pin 2");
}

// Serial communication

CStartupWizardPageSerial::CStartupWizardPageSerial(CStartupWizardSheet& sheet)
    : CStartupWizardPage(sheet, 268, "Step 3: Serial Communication!") {
  std::vector<std::string> ports;
  for (int i = 1; i <= kPortCount; ++i) ports.push_back("Com" + std::to_string(i));
  AddLabel(kIdPortLabel, "Serial Port");
  AddCombo(kIdPort, ports).sameRow = true;
  std::vector<std::string> rates;
  for (std::int32_t rate : kBaudRates) rates.push_back(std::to_string(rate));
  AddLabel(kIdBaudLabel, "Baudrate");
  AddCombo(kIdBaud, rates).sameRow = true;
  AddButton(kIdSearch, "&Search Communication Setting");
}

int CStartupWizardPageSerial::PortPosition(const std::string& portName) {
  std::string lower;
  for (char c : portName) lower += Lower(c);
  for (int i = 0; i < kPortCount; ++i)
    if (lower == "com" + std::to_string(i + 1)) return i;
  return -1;
}

int CStartupWizardPageSerial::BaudPosition(std::int32_t baudRate) {
  for (std::size_t i = 0; i < kBaudRates.size(); ++i)
    if (kBaudRates[i] == baudRate) return static_cast<int>(i);
  return kDefaultBaudPosition;
}

std::int32_t CStartupWizardPageSerial::BaudOfPosition(int position) {
  if (position < 0 || position >= static_cast<int>(kBaudRates.size()))
    return kBaudRates[kDefaultBaudPosition];
  return kBaudRates[static_cast<std::size_t>(position)];
}

void CStartupWizardPageSerial::ShowSettings() {
  const link::CommSettings& settings = Wizard().Communication().Settings();
  SetSelection(kIdPort, PortPosition(settings.portName));
  SetSelection(kIdBaud, BaudPosition(settings.baudRate));
}

bool CStartupWizardPageSerial::OnSetActive() {
  CStartupWizardPage::OnSetActive();
  ShowSettings();
  return true;
}

void CStartupWizardPageSerial::ApplySettings() {
  link::ZelCommunication& communication = Wizard().Communication();
  link::CommSettings settings = communication.Settings();
  if (const int port = Selection(kIdPort); port >= 0)
    settings.portName = "Com" + std::to_string(port + 1);
  settings.baudRate = BaudOfPosition(Selection(kIdBaud));
  communication.OpenLink(settings);
}

void CStartupWizardPageSerial::OnEvent(int id, ui::EventKind kind) {
  if ((id == kIdPort || id == kIdBaud) && kind == ui::EventKind::Selection) {
    ApplySettings();
  } else if (id == kIdSearch && kind == ui::EventKind::Clicked) {
    Enable(kIdSearch, false);
    link::SearchCommunication(Wizard().Communication(), true);
    Enable(kIdSearch, true);
    ShowSettings();
  }
}

int CStartupWizardPageSerial::OnWizardNext() {
  std::uint16_t error = 0;
  bool answered = false;
  {
    ui::WaitCursor wait;
    answered = Wizard().Communication().Status().ReadError(error);
  }
  if (!answered) {
    ui::CurrentHost().ShowMessage(kNoCommunication);
    return kStay;
  }
  return Wizard().DisableDrive() ? kDefault : kStay;
}

// Encoder resolution

CStartupWizardPageMotor::CStartupWizardPageMotor(CStartupWizardSheet& sheet)
    : CStartupWizardPage(sheet, 269, "Step 4: Motor Parameter!") {
  AddLabel(kIdText, "Enter the correct encoder resolution!");
  AddEdit(kIdResolution);
  AddLabel(kIdUnit, "counts/turn").sameRow = true;
}

bool CStartupWizardPageMotor::OnSetActive() {
  CStartupWizardPage::OnSetActive();
  link::ZelCommunication& communication = Wizard().Communication();
  std::uint16_t value = 0;
  std::string text;
  if (communication.Parameter().ReadTempParam(kEncResolution, value)) {
    communication.Definitions().FormatValue(kEncResolution, value,
                                            parameters::NumberFormat::kDecimal, text);
  } else {
    ui::CurrentHost().ShowMessage(kReadFailed);
  }
  SetText(kIdResolution, text);
  return true;
}

int CStartupWizardPageMotor::OnWizardNext() {
  link::ZelCommunication& communication = Wizard().Communication();
  const parameters::CParameterTable& definitions = communication.Definitions();
  std::int32_t value = 0;
  if (!Filled(kIdResolution)) return kStay;
  if (!definitions.ParseText(kEncResolution, Text(kIdResolution),
                             parameters::NumberFormat::kDecimal, true, value) ||
      !definitions.CheckRange(kEncResolution, value, true)) {
    SetFocus(kIdResolution);
    return kStay;
  }
  if (!communication.Parameter().SetTempParam(
          kEncResolution, static_cast<std::uint16_t>(definitions.Width(kEncResolution)),
          static_cast<std::uint32_t>(value))) {
    ui::CurrentHost().ShowMessage("Command failed!");
    return kStay;
  }
  // The old firmware derives its scaling from the resolution only through the adjustment.
  Wizard().AdjustApplicationIfOld();
  return kDefault;
}

}  // namespace zel::app
