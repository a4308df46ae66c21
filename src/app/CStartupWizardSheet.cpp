#include "app/CStartupWizardSheet.h"

#include "app/StartupWizardBits.h"
#include "link/ZelCommunication.h"
#include "ui/Host.h"

namespace zel::app {

namespace {

constexpr std::int16_t kSysConfig = 1;
constexpr std::uint16_t kOldFirmwareLimit = 0x1000;

using namespace startup_bits;

}  // namespace

CStartupWizardSheet::CStartupWizardSheet(link::ZelCommunication& communication,
                                         ui::Dispatcher::TargetId mainWindow,
                                         std::int32_t openAtStart, ApplicationAdjustment adjustment)
    : PropertySheet(kTitle, true),
      communication_(communication),
      mainWindow_(mainWindow),
      openAtStart_(openAtStart),
      adjustment_(std::move(adjustment)),
      device_(communication.Parameter(), communication.Status()),
      hardware_(*this),
      cable_(*this),
      serial_(*this),
      motor_(*this),
      monitorSignal_(*this),
      regulationMode_(*this),
      inputs_(*this),
      speedByHardware_(*this, 273, "Step 8: Speed Regulation Parameters!",
                       {"Adjust the potentiometers of the ZEL:", "P1 Max. Speed: 30 %",
                        "P2 Offset: 50 %", "P3 Max. Current: 50 %", "P4 Gain: 30 %"}),
      speedBySoftware_(*this, 274, "Step 8: Speed Regulation Parameters!",
                       {{17, "P1 Maximum speed (rpm)"},
                        {12, "P2 Offset (rpm)"},
                        {14, "P3 Maximum continuous current (mA)"},
                        {15, "P3 Peak current (mA)"},
                        {5, "P4 Proportional gain"},
                        {6, "P4 Integral gain"}}),
      currentByHardware_(
          *this, 275, "Step 8: Current Regulation Parameters!",
          {"Adjust the potentiometers of the ZEL:", "P2 Offset: 50 %", "P3 Max. Current: 50 %",
           "INFO: The potentiometers P1 and P4 are not active!"}),
      currentBySoftware_(*this, 276, "Step 8: Current Regulation Parameters!",
                         {{12, "P2 Offset (mA)"},
                          {14, "P3 Maximum continuous current (mA)"},
                          {15, "P3 Peak current (mA)"}}),
      summary_(*this) {
  for (ui::PropertyPage* page : std::initializer_list<ui::PropertyPage*>{
           &hardware_, &cable_, &serial_, &motor_, &monitorSignal_, &regulationMode_, &inputs_,
           &speedByHardware_, &speedBySoftware_, &currentByHardware_, &currentBySoftware_,
           &summary_})
    AddPage(*page);
}

CStartupWizardSheet::~CStartupWizardSheet() = default;

bool CStartupWizardSheet::DisableDrive() {
  // Back to the serial page and on again: the state kept the first time is the drive's own.
  if (suspension_.Held()) return true;
  if (suspension_.Suspend(true)) return true;
  // Mode, sources and limits are rewritten on the next pages: never while the drive may run.
  std::string text = kDriveNotDisabled;
  if (!suspension_.LeftWith().empty()) text += "\n" + suspension_.LeftWith();
  ui::CurrentHost().ShowMessage(text);
  return false;
}

void CStartupWizardSheet::GiveDriveBack() {
  if (!suspension_.Resume(true)) ui::CurrentHost().ShowMessage(suspension_.LeftWith());
}

bool CStartupWizardSheet::AdjustApplicationIfOld() {
  std::uint16_t software = 0;
  std::uint16_t hardware = 0;
  std::uint16_t applicationNumber = 0;
  std::uint16_t applicationVersion = 0;
  // The ZEL's own word: at program start the main window has not read the identity yet.
  if (!communication_.Parameter().ReadVersion(software, hardware, applicationNumber,
                                              applicationVersion))
    return false;
  if (software > kOldFirmwareLimit) return true;
  return adjustment_ && adjustment_();
}

int CStartupWizardSheet::NextAfterInputs(std::uint16_t sysConfig) {
  if ((sysConfig & kPositionRegulation) != 0) return ui::PropertyPage::kStay;
  const bool current = (sysConfig & kCurrentRegulation) != 0;
  const std::uint16_t others = sysConfig & kPotentiometers2To4;
  if ((sysConfig & kPotentiometer1) != 0) {
    if (others != kPotentiometers2To4) return ui::PropertyPage::kStay;
    return current ? kCurrentBySoftware : kSpeedBySoftware;
  }
  if (others != 0) return ui::PropertyPage::kStay;
  return current ? kCurrentByHardware : kSpeedByHardware;
}

bool CStartupWizardSheet::ReadSysConfig(std::uint16_t& sysConfig) {
  if (communication_.Parameter().ReadTempParam(kSysConfig, sysConfig)) return true;
  ui::CurrentHost().ShowMessage("Error reading system configuration!");
  return false;
}

bool CStartupWizardSheet::WriteSysConfig(std::uint16_t sysConfig) {
  if (communication_.Parameter().SetTempParam(kSysConfig, 0, sysConfig)) return true;
  ui::CurrentHost().ShowMessage("Command failed!");
  return false;
}

void CStartupWizardSheet::Finish() {
  GiveDriveBack();
  ui::Dispatcher::Default().Post(mainWindow_, kMsgCheckRegulationMode);
  ui::Dispatcher::Default().Post(mainWindow_, kMsgRefresh);
}

void CStartupWizardSheet::OnCancel() {
  GiveDriveBack();
  PropertySheet::OnCancel();
}

}  // namespace zel::app
