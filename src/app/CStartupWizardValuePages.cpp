#include "app/CStartupWizardValuePages.h"

#include "app/CStartupWizardSheet.h"
#include "app/StartupWizardBits.h"
#include "link/ZelCommunication.h"
#include "parameters/NumberText.h"
#include "ui/Host.h"

namespace zel::app {

using namespace startup_bits;

// Instructions

CStartupWizardPageInstructions::CStartupWizardPageInstructions(
    CStartupWizardSheet& sheet, int dialogId, std::string caption,
    const std::vector<std::string>& lines)
    : CStartupWizardPage(sheet, dialogId, std::move(caption)) {
  int id = kIdFirstLine;
  for (const std::string& line : lines) AddLabel(id++, line);
}

int CStartupWizardPageInstructions::OnWizardNext() {
  return JumpTo(CStartupWizardSheet::kSummary);
}

int CStartupWizardPageInstructions::OnWizardBack() {
  return JumpTo(CStartupWizardSheet::kInputs);
}

// Values

CStartupWizardPageValues::CStartupWizardPageValues(CStartupWizardSheet& sheet, int dialogId,
                                                   std::string caption, std::vector<Field> fields)
    : CStartupWizardPage(sheet, dialogId, std::move(caption)), fields_(std::move(fields)) {
  for (std::size_t i = 0; i < fields_.size(); ++i) {
    AddLabel(EditId(i) + 100, fields_[i].label);
    AddEdit(EditId(i)).sameRow = true;
  }
}

bool CStartupWizardPageValues::OnSetActive() {
  CStartupWizardPage::OnSetActive();
  link::ZelCommunication& communication = Wizard().Communication();
  std::vector<std::string> texts;
  for (const Field& field : fields_) {
    std::uint32_t value = 0;
    std::string text;
    if (!communication.Parameter().ReadTempParam(
            field.number,
            static_cast<std::uint16_t>(communication.Definitions().Width(field.number)), value)) {
      ui::CurrentHost().ShowMessage(kReadFailed);
      texts.assign(fields_.size(), std::string());
      break;
    }
    communication.Definitions().FormatValue(field.number, static_cast<std::int32_t>(value),
                                            parameters::NumberFormat::kDecimal, text);
    texts.push_back(text);
  }
  for (std::size_t i = 0; i < fields_.size(); ++i) SetText(EditId(i), texts[i]);
  return true;
}

int CStartupWizardPageValues::OnWizardNext() {
  link::ZelCommunication& communication = Wizard().Communication();
  const parameters::CParameterTable& definitions = communication.Definitions();
  std::vector<std::int32_t> values;
  for (std::size_t i = 0; i < fields_.size(); ++i) {
    std::int32_t value = 0;
    if (!Filled(EditId(i))) return kStay;
    if (!definitions.ParseText(fields_[i].number, Text(EditId(i)),
                               parameters::NumberFormat::kDecimal, true, value) ||
        !definitions.CheckRange(fields_[i].number, value, true)) {
      SetFocus(EditId(i));
      return kStay;
    }
    values.push_back(value);
  }
  for (std::size_t i = 0; i < fields_.size(); ++i) {
    const std::int16_t number = fields_[i].number;
    if (!communication.Parameter().SetTempParam(
            number, static_cast<std::uint16_t>(definitions.Width(number)),
            static_cast<std::uint32_t>(values[i]))) {
      ui::CurrentHost().ShowMessage("Command failed!");
      SetFocus(EditId(i));
      return kStay;
    }
  }
  return JumpTo(CStartupWizardSheet::kSummary);
}

int CStartupWizardPageValues::OnWizardBack() {
  return JumpTo(CStartupWizardSheet::kInputs);
}

// Summary

CStartupWizardPageSummary::CStartupWizardPageSummary(CStartupWizardSheet& sheet)
    : CStartupWizardPage(sheet, 277, "Step 9: Summary") {
  AddLabel(kIdText, "Now you have configured your ZEL.");
  AddLabel(kIdRegulationMode - 100, "Regulation mode:");
  AddLabel(kIdRegulationMode, "").sameRow = true;
  AddLabel(kIdPotentiometers - 100, "Potentiometers:");
  AddLabel(kIdPotentiometers, "").sameRow = true;
  AddLabel(kIdInputSignals - 100, "Input signals:");
  AddLabel(kIdInputSignals, "").sameRow = true;
  AddLabel(kIdMonitorSignal - 100, "Monitor signal:");
  AddLabel(kIdMonitorSignal, "").sameRow = true;
  AddCheckBox(kIdAlwaysStart, "Always start this wizard after program start. ");
}

std::string CStartupWizardPageSummary::RegulationModeText(std::uint16_t sysConfig) {
  std::string text = (sysConfig & kPositionRegulation) != 0  ? "Position regulation"
                     : (sysConfig & kCurrentRegulation) != 0 ? "Current regulation"
                                                             : "Speed regulation";
  if ((sysConfig & kModeBySoftware) == 0) text += " (Digital 2)";
  return text;
}

std::string CStartupWizardPageSummary::PotentiometersText(std::uint16_t sysConfig) {
  return (sysConfig & kPotentiometers) == kPotentiometers ? "INACTIVE (Set by software)" : "ACTIVE";
}

std::string CStartupWizardPageSummary::InputSignalsText(std::uint16_t sysConfig) {
  const bool active = (sysConfig & kInputsByInput) != 0 || (sysConfig & kInputsBySoftware) == 0 ||
                      (sysConfig & kEnableByCommand) == 0;
  return active ? "ACTIVE" : "INACTIVE (Set by software)";
}

std::string CStartupWizardPageSummary::MonitorSignalText(std::uint16_t sysConfig) {
  std::string text = (sysConfig & kCurrentMonitor) != 0 ? "Current monitor" : "Speed monitor";
  if ((sysConfig & kMonitorBySoftware) == 0) text += " (Digital 1)";
  return text;
}

bool CStartupWizardPageSummary::OnSetActive() {
  Sheet()->SetWizardButtons(ui::kWizBack | ui::kWizFinish);
  std::uint16_t sysConfig = 0;
  const bool read = Wizard().ReadSysConfig(sysConfig);
  SetText(kIdRegulationMode, read ? RegulationModeText(sysConfig) : std::string());
  SetText(kIdPotentiometers, read ? PotentiometersText(sysConfig) : std::string());
  SetText(kIdInputSignals, read ? InputSignalsText(sysConfig) : std::string());
  SetText(kIdMonitorSignal, read ? MonitorSignalText(sysConfig) : std::string());
  SetValue(kIdAlwaysStart, Wizard().OpenAtStart() != 0 ? 1 : 0);
  return true;
}

int CStartupWizardPageSummary::OnWizardBack() {
  std::uint16_t sysConfig = 0;
  if (!Wizard().ReadSysConfig(sysConfig)) return kStay;
  const int back = CStartupWizardSheet::NextAfterInputs(sysConfig);
  return back == kStay ? kStay : JumpTo(back);
}

bool CStartupWizardPageSummary::OnWizardFinish() {
  Wizard().SetOpenAtStart(Value(kIdAlwaysStart) != 0 ? 1 : 0);
  Wizard().Finish();
  return true;
}

}  // namespace zel::app
