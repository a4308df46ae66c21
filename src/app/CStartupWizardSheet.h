#pragma once

#include <cstdint>
#include <functional>

#include "app/CStartupWizardPages.h"
#include "app/CStartupWizardSetupPages.h"
#include "app/CStartupWizardValuePages.h"
#include "link/SerialParameterDevice.h"
#include "parameters/EnableSuspension.h"
#include "ui/Dispatcher.h"
#include "ui/PropertySheet.h"

namespace zel::link {
class ZelCommunication;
}

namespace zel::app {

// The "&Startup Wizard": leads a first-time user from the cabling to a configured ZEL. Every
// choice goes to the ZEL when the page it was made on is left. From the serial page on, the drive
// is disabled by software; Finish and Cancel give it back its enable source and state, and Finish
// has the main window check the regulation mode and refresh.
//
// Lives on the stack of the command that runs it; the communication stack outlives it. UI thread.
class CStartupWizardSheet final : public ui::PropertySheet {
 public:
  enum PageIndex {
    kHardware,
    kCable,
    kSerial,
    kMotor,
    kMonitorSignal,
    kRegulationMode,
    kInputs,
    kSpeedByHardware,
    kSpeedBySoftware,
    kCurrentByHardware,
    kCurrentBySoftware,
    kSummary,
  };
  static constexpr const char* kTitle = "Startup Wizard";
  static constexpr const char* kDriveNotDisabled =
      "The ZEL could not be disabled!\nThe wizard goes on only with the drive disabled: check the "
      "communication and try again.";
  // Posted to the main window on Finish.
  static constexpr unsigned kMsgCheckRegulationMode = ui::kWmUser + 44;
  static constexpr unsigned kMsgRefresh = ui::kWmUser + 47;

  // The old firmware's adjustment to a new encoder resolution; true on success.
  using ApplicationAdjustment = std::function<bool()>;

  // mainWindow receives the closing messages; openAtStart is the flag's value so far.
  CStartupWizardSheet(link::ZelCommunication& communication, ui::Dispatcher::TargetId mainWindow,
                      std::int32_t openAtStart, ApplicationAdjustment adjustment = {});
  ~CStartupWizardSheet() override;

  link::ZelCommunication& Communication() { return communication_; }
  std::int32_t OpenAtStart() const { return openAtStart_; }
  void SetOpenAtStart(std::int32_t open) { openAtStart_ = open; }

  // From the serial page's Next on: the drive is disabled and its enable state kept here. False
  // after telling the user that the drive could not be disabled (the wizard must not go on).
  bool DisableDrive();
  bool DriveDisabled() const { return suspension_.Held(); }
  // The old firmware's adjustment, when the ZEL runs firmware up to 0x1000. False when the
  // version could not be read or the adjustment failed.
  bool AdjustApplicationIfOld();

  // Where Next on the inputs page leads for a SysConfig value: the page 8 variant that fits the
  // potentiometer bits, or ui::PropertyPage::kStay.
  static int NextAfterInputs(std::uint16_t sysConfig);
  // SysConfig read with the page's failure text "Error reading system configuration!".
  bool ReadSysConfig(std::uint16_t& sysConfig);
  bool WriteSysConfig(std::uint16_t sysConfig);

  // Finish: the enable state back, the messages to the main window.
  void Finish();

 protected:
  void OnCancel() override;

 private:
  // Ends the suspension, naming what the drive is left with when that failed.
  void GiveDriveBack();

  link::ZelCommunication& communication_;
  ui::Dispatcher::TargetId mainWindow_;
  std::int32_t openAtStart_;
  ApplicationAdjustment adjustment_;
  // Holds the drive disabled from the serial page to Finish or Cancel, and puts it back even when
  // the sheet ends otherwise.
  link::SerialParameterDevice device_;
  parameters::EnableSuspension suspension_{device_};
  CStartupWizardPageHardware hardware_;
  CStartupWizardPageCable cable_;
  CStartupWizardPageSerial serial_;
  CStartupWizardPageMotor motor_;
  CStartupWizardPageMonitorSignal monitorSignal_;
  CStartupWizardPageRegulationMode regulationMode_;
  CStartupWizardPageInputs inputs_;
  CStartupWizardPageInstructions speedByHardware_;
  CStartupWizardPageValues speedBySoftware_;
  CStartupWizardPageInstructions currentByHardware_;
  CStartupWizardPageValues currentBySoftware_;
  CStartupWizardPageSummary summary_;
};

}  // namespace zel::app
