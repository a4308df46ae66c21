#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/CStartupWizardPages.h"

namespace zel::app {

// The start-up wizard's regulation value pages and its summary. UI thread.

// What to set on the potentiometers when they set the regulation values (8a, 8c).
class CStartupWizardPageInstructions final : public CStartupWizardPage {
 public:
  static constexpr int kIdFirstLine = 4200;

  CStartupWizardPageInstructions(CStartupWizardSheet& sheet, int dialogId, std::string caption,
                                 const std::vector<std::string>& lines);
  int OnWizardNext() override;
  int OnWizardBack() override;
};

// The regulation values when the software sets them (8b, 8d): one edit per parameter, checked
// against its definition and written in the order given.
class CStartupWizardPageValues final : public CStartupWizardPage {
 public:
  struct Field {
    std::int16_t number;
    const char* label;
  };
  // Edit of the field at position i.
  static constexpr int kIdFirstEdit = 4300;
  static constexpr const char* kReadFailed = "Error reading system parameter!";

  CStartupWizardPageValues(CStartupWizardSheet& sheet, int dialogId, std::string caption,
                           std::vector<Field> fields);
  static int EditId(std::size_t position) { return kIdFirstEdit + static_cast<int>(position); }

  bool OnSetActive() override;
  int OnWizardNext() override;
  int OnWizardBack() override;

 private:
  std::vector<Field> fields_;
};

class CStartupWizardPageSummary final : public CStartupWizardPage {
 public:
  static constexpr int kIdText = 4400;
  static constexpr int kIdRegulationMode = 4401;
  static constexpr int kIdPotentiometers = 4402;
  static constexpr int kIdInputSignals = 4403;
  static constexpr int kIdMonitorSignal = 4404;
  static constexpr int kIdAlwaysStart = 4405;

  explicit CStartupWizardPageSummary(CStartupWizardSheet& sheet);
  bool OnSetActive() override;
  int OnWizardBack() override;
  bool OnWizardFinish() override;

  // The four summary lines of a SysConfig value.
  static std::string RegulationModeText(std::uint16_t sysConfig);
  static std::string PotentiometersText(std::uint16_t sysConfig);
  static std::string InputSignalsText(std::uint16_t sysConfig);
  static std::string MonitorSignalText(std::uint16_t sysConfig);
};

}  // namespace zel::app
