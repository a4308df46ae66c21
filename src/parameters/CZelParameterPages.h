#pragma once

#include "parameters/CZelParameterPage.h"

namespace zel::parameters {

// The six pages of the parameter sheet, in tab order. The CAN module variants differ only where
// the sheet says so (CZelParameterDlg::ForModule), so they are the same classes under the
// names the CAN sheet uses.

// SysConfig alone: regulation mode, set value and monitor sources, and where the limits, gain,
// enable and stop come from.
class CZelPar_SystemConfigurationDlg : public CZelParameterPage {
 public:
  static constexpr int kIdDigital2 = 1600;  // checked: bit 15 clear
  static constexpr int kIdRegulationMode = 1601;
  static constexpr int kIdSetValueSoftware = 1602;       // pair: + 1 is "by analog input" (bit 0)
  static constexpr int kIdDigital1 = 1604;               // checked: bit 13 clear
  static constexpr int kIdSpeedMonitor = 1605;           // pair: + 1 is the current signal (bit 4)
  static constexpr int kIdMaxSpeedPotentiometer = 1607;  // bit 8
  static constexpr int kIdOffsetPotentiometer = 1609;    // bit 9
  static constexpr int kIdMaxCurrentPotentiometer = 1611;  // bit 10
  static constexpr int kIdGainPotentiometer = 1613;        // bit 11
  static constexpr int kIdEnableInput = 1615;              // bit 12
  static constexpr int kIdStopInput = 1617;                // bit 7

  explicit CZelPar_SystemConfigurationDlg(CZelParameterDlg& sheet);

  // The regulation mode code 0..3 of a SysConfig word, and a word with a code written into it.
  static int RegulationMode(std::uint16_t sysConfig);
  static std::uint16_t WithRegulationMode(std::uint16_t sysConfig, int code);

  // Whether Enable is "Set by software" on the page.
  bool SoftwareEnabling() const { return RadioPairSecond(kIdEnableInput); }

  void GatherInto(SystemParameterBlock& block) const override;

 protected:
  void FillControls(const SystemParameterBlock& block) override;
  void UpdateOwnEnabled() override;
  void OnPageEvent(int id, ui::EventKind kind) override;
};

// Baud rate (the list index is the value) and service mode.
class CZelPar_CommunicationDlg : public CZelParameterPage {
 public:
  static constexpr int kIdBaudrate = 1650;
  static constexpr int kIdServiceMode = 1651;

  explicit CZelPar_CommunicationDlg(CZelParameterDlg& sheet);
  void GatherInto(SystemParameterBlock& block) const override;
  bool Validate() override;

 protected:
  void FillControls(const SystemParameterBlock& block) override;
  void UpdateOwnEnabled() override;
  void OnPageEvent(int id, ui::EventKind kind) override;
};

class CZelPar_RegulationDlg : public CZelParameterPage {
 public:
  explicit CZelPar_RegulationDlg(CZelParameterDlg& sheet);
};

class CZelPar_SystemDlg : public CZelParameterPage {
 public:
  explicit CZelPar_SystemDlg(CZelParameterDlg& sheet);
};

// Speed limits and the encoder, with the acceleration profile's switch (SysConfig bit 1).
class CZelPar_MiscellaneousDlg : public CZelParameterPage {
 public:
  static constexpr int kIdAccelerationProfile = 1670;  // checked: bit 1 clear

  explicit CZelPar_MiscellaneousDlg(CZelParameterDlg& sheet);
  void GatherInto(SystemParameterBlock& block) const override;

 protected:
  void FillControls(const SystemParameterBlock& block) override;
  void UpdateOwnEnabled() override;
  void OnPageEvent(int id, ui::EventKind kind) override;
  bool FieldEditable(std::int16_t number) const override;

 private:
  bool ProfileSwitchable() const;
};

// The CAN identifiers and bit-rate registers; CAN_Config (41) passes through unshown.
class CZelPar_CanParamDlg : public CZelParameterPage {
 public:
  explicit CZelPar_CanParamDlg(CZelParameterDlg& sheet);
};

using CZelCanPar_SystemConfigurationDlg = CZelPar_SystemConfigurationDlg;
using CZelCanPar_CommunicationDlg = CZelPar_CommunicationDlg;
using CZelCanPar_RegulationDlg = CZelPar_RegulationDlg;
using CZelCanPar_SystemDlg = CZelPar_SystemDlg;
using CZelCanPar_MiscellaneousDlg = CZelPar_MiscellaneousDlg;
using CZelCanPar_CanParamDlg = CZelPar_CanParamDlg;

}  // namespace zel::parameters
