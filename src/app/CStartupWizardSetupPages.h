#pragma once

#include <cstdint>

#include "app/CStartupWizardPages.h"

namespace zel::app {

// The start-up wizard's SysConfig pages: the monitor signal, the regulation mode, and what sets
// the regulation values and input signals. Each reads SysConfig when it opens and writes its
// bits when it is left with Next. UI thread.
class CStartupWizardPageMonitorSignal final : public CStartupWizardPage {
 public:
  static constexpr int kIdSpeedMonitor = 4100;
  static constexpr int kIdCurrentMonitor = 4101;
  static constexpr int kIdByInput = 4102;
  static constexpr int kIdBySoftware = 4103;

  explicit CStartupWizardPageMonitorSignal(CStartupWizardSheet& sheet);
  bool OnSetActive() override;
  int OnWizardNext() override;

 protected:
  void OnEvent(int id, ui::EventKind kind) override;

 private:
  void EnableSignals();
};

class CStartupWizardPageRegulationMode final : public CStartupWizardPage {
 public:
  static constexpr int kIdCurrentRegulation = 4110;
  static constexpr int kIdSpeedRegulation = 4111;
  static constexpr int kIdByInput = 4112;
  static constexpr int kIdBySoftware = 4113;

  explicit CStartupWizardPageRegulationMode(CStartupWizardSheet& sheet);
  bool OnSetActive() override;
  int OnWizardNext() override;

 protected:
  void OnEvent(int id, ui::EventKind kind) override;

 private:
  void EnableModes();
};

class CStartupWizardPageInputs final : public CStartupWizardPage {
 public:
  static constexpr int kIdPotentiometersGroup = 4120;
  static constexpr int kIdPotentiometersByHardware = 4121;
  static constexpr int kIdPotentiometersBySoftware = 4122;
  static constexpr int kIdInputsGroup = 4123;
  static constexpr int kIdInputsByInput = 4124;
  static constexpr int kIdInputsBySoftware = 4125;

  explicit CStartupWizardPageInputs(CStartupWizardSheet& sheet);
  bool OnSetActive() override;
  int OnWizardNext() override;
};

}  // namespace zel::app
