#include "app/CStartupWizardSetupPages.h"

#include "app/CStartupWizardSheet.h"
#include "app/StartupWizardBits.h"

namespace zel::app {

namespace {

using namespace startup_bits;

constexpr int kSignalGroup = 1;
constexpr int kSourceGroup = 2;

std::uint16_t With(std::uint16_t value, std::uint16_t bits, bool set) {
  return static_cast<std::uint16_t>(set ? value | bits : value & ~bits);
}

}  // namespace

// Monitor signal

CStartupWizardPageMonitorSignal::CStartupWizardPageMonitorSignal(CStartupWizardSheet& sheet)
    : CStartupWizardPage(sheet, 272, "Step 5: Monitor Signal! (Digital 1)") {
  AddRadio(kIdSpeedMonitor, "Speed monitor signal", kSignalGroup);
  AddRadio(kIdCurrentMonitor, "Current monitor signal", kSignalGroup);
  AddRadio(kIdByInput, "Monitor signal selected by \"Digital 1\"", kSourceGroup);
  AddRadio(kIdBySoftware, "Monitor signal selected by software", kSourceGroup);
}

void CStartupWizardPageMonitorSignal::EnableSignals() {
  const bool bySoftware = Value(kIdBySoftware) != 0;
  Enable(kIdSpeedMonitor, bySoftware);
  Enable(kIdCurrentMonitor, bySoftware);
}

bool CStartupWizardPageMonitorSignal::OnSetActive() {
  CStartupWizardPage::OnSetActive();
  for (int id : {kIdSpeedMonitor, kIdCurrentMonitor, kIdByInput, kIdBySoftware}) SetValue(id, 0);
  std::uint16_t sysConfig = 0;
  if (Wizard().ReadSysConfig(sysConfig)) {
    SetValue((sysConfig & kCurrentMonitor) != 0 ? kIdCurrentMonitor : kIdSpeedMonitor, 1);
    SetValue((sysConfig & kMonitorBySoftware) != 0 ? kIdBySoftware : kIdByInput, 1);
  }
  EnableSignals();
  return true;
}

void CStartupWizardPageMonitorSignal::OnEvent(int id, ui::EventKind kind) {
  if ((id == kIdByInput || id == kIdBySoftware) && kind == ui::EventKind::Clicked) EnableSignals();
}

int CStartupWizardPageMonitorSignal::OnWizardNext() {
  // The other bits as the ZEL holds them now, not as they were when the page opened.
  std::uint16_t sysConfig = 0;
  if (!Wizard().ReadSysConfig(sysConfig)) return kStay;
  sysConfig = With(sysConfig, kMonitorBySoftware, Value(kIdBySoftware) != 0);
  sysConfig = With(sysConfig, kCurrentMonitor, Value(kIdCurrentMonitor) != 0);
  return Wizard().WriteSysConfig(sysConfig) ? kDefault : kStay;
}

// Regulation mode

CStartupWizardPageRegulationMode::CStartupWizardPageRegulationMode(CStartupWizardSheet& sheet)
    : CStartupWizardPage(sheet, 270, "Step 6: Regulation Mode! (Digital 2)") {
  AddRadio(kIdCurrentRegulation, "Current regulation (Torque regulation)", kSignalGroup);
  AddRadio(kIdSpeedRegulation, "Speed regulation", kSignalGroup);
  AddRadio(kIdByInput, "Regulation mode set by \"Digital 2\"", kSourceGroup);
  AddRadio(kIdBySoftware, "Regulation mode set by software", kSourceGroup);
}

void CStartupWizardPageRegulationMode::EnableModes() {
  const bool bySoftware = Value(kIdBySoftware) != 0;
  Enable(kIdCurrentRegulation, bySoftware);
  Enable(kIdSpeedRegulation, bySoftware);
}

bool CStartupWizardPageRegulationMode::OnSetActive() {
  CStartupWizardPage::OnSetActive();
  for (int id : {kIdCurrentRegulation, kIdSpeedRegulation, kIdByInput, kIdBySoftware})
    SetValue(id, 0);
  std::uint16_t sysConfig = 0;
  if (Wizard().ReadSysConfig(sysConfig)) {
    SetValue((sysConfig & kCurrentRegulation) != 0 ? kIdCurrentRegulation : kIdSpeedRegulation, 1);
    SetValue((sysConfig & kModeBySoftware) != 0 ? kIdBySoftware : kIdByInput, 1);
  }
  EnableModes();
  return true;
}

void CStartupWizardPageRegulationMode::OnEvent(int id, ui::EventKind kind) {
  if ((id == kIdByInput || id == kIdBySoftware) && kind == ui::EventKind::Clicked) EnableModes();
}

int CStartupWizardPageRegulationMode::OnWizardNext() {
  std::uint16_t sysConfig = 0;
  if (!Wizard().ReadSysConfig(sysConfig)) return kStay;
  sysConfig = With(sysConfig, kModeBySoftware, Value(kIdBySoftware) != 0);
  sysConfig = With(sysConfig, kPositionRegulation, false);
  if (Value(kIdCurrentRegulation) != 0) {
    // Bit 3 stays as it was.
    sysConfig |= kCurrentRegulation;
  } else {
    sysConfig &= 0xFFF3;  // bits 2 and 3
  }
  return Wizard().WriteSysConfig(sysConfig) ? kDefault : kStay;
}

// Potentiometers and input signals

CStartupWizardPageInputs::CStartupWizardPageInputs(CStartupWizardSheet& sheet)
    : CStartupWizardPage(sheet, 271, "Step 7: Potentiometer && Input Signals!") {
  AddGroup(kIdPotentiometersGroup, "Potentiometers P1, P2, P3, P4");
  AddRadio(kIdPotentiometersByHardware, "Set manually by hardware", kSignalGroup,
           kIdPotentiometersGroup);
  AddRadio(kIdPotentiometersBySoftware, "Set by software", kSignalGroup, kIdPotentiometersGroup);
  AddGroup(kIdInputsGroup, "Input signals 'Set value', 'Enable', 'STOP'");
  AddRadio(kIdInputsByInput, "Set by digital or analog input", kSourceGroup, kIdInputsGroup);
  AddRadio(kIdInputsBySoftware, "Set by software", kSourceGroup, kIdInputsGroup);
}

bool CStartupWizardPageInputs::OnSetActive() {
  CStartupWizardPage::OnSetActive();
  for (int id : {kIdPotentiometersByHardware, kIdPotentiometersBySoftware, kIdInputsByInput,
                 kIdInputsBySoftware})
    SetValue(id, 0);
  std::uint16_t sysConfig = 0;
  bool inputsSelectable = false;
  if (Wizard().ReadSysConfig(sysConfig)) {
    SetValue((sysConfig & kPotentiometer3) != 0 ? kIdPotentiometersBySoftware
                                                : kIdPotentiometersByHardware,
             1);
    SetValue((sysConfig & kInputsByInput) == 0 ? kIdInputsBySoftware : kIdInputsByInput, 1);
    inputsSelectable = (sysConfig & kModeBySoftware) != 0;
  }
  Enable(kIdInputsByInput, inputsSelectable);
  Enable(kIdInputsBySoftware, inputsSelectable);
  return true;
}

int CStartupWizardPageInputs::OnWizardNext() {
  std::uint16_t sysConfig = 0;
  if (!Wizard().ReadSysConfig(sysConfig)) return kStay;
  sysConfig = With(sysConfig, kPotentiometers, Value(kIdPotentiometersBySoftware) != 0);
  const bool inputsBySoftware = Value(kIdInputsBySoftware) != 0;
  sysConfig = With(sysConfig, kInputsByInput, !inputsBySoftware);
  sysConfig = With(sysConfig, kInputsBySoftware, inputsBySoftware);
  if (!Wizard().WriteSysConfig(sysConfig)) return kStay;
  // The way on follows what the ZEL took, which a refused bit makes differ from the choice.
  if (!Wizard().ReadSysConfig(sysConfig)) return kStay;
  const int next = CStartupWizardSheet::NextAfterInputs(sysConfig);
  return next == kStay ? kStay : JumpTo(next);
}

}  // namespace zel::app
