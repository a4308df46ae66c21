#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ui/Window.h"

namespace zel::views {

// What a regulation view shows, without what it does: the control tree of the caption, the
// set value and actual value groups, one block per setting, the SysConfig boxes and radios and
// the trend, with the ids the renderer and the tests know them by. CRegulationView gives the
// controls their behaviour.
class RegulationViewLayout : public ui::Window {
 public:
  // Caption and groups.
  static constexpr int kIdState = 1600;
  static constexpr int kIdStateLamp = 1601;
  static constexpr int kIdSetValueGroup = 1602;
  static constexpr int kIdActualGroup = 1603;
  static constexpr int kIdLimitsGroup = 1604;
  static constexpr int kIdSourcesGroup = 1605;
  static constexpr int kIdModeGroup = 1606;
  static constexpr int kIdTrend = 1607;
  // SysConfig boxes.
  static constexpr int kIdSetValueInput = 1610;
  static constexpr int kIdStopInput = 1611;
  static constexpr int kIdP1 = 1612;
  static constexpr int kIdP2 = 1613;
  static constexpr int kIdP3 = 1614;
  static constexpr int kIdP4 = 1615;
  static constexpr int kIdEnableInput = 1616;
  static constexpr int kIdDigital1 = 1617;
  static constexpr int kIdDigital2 = 1618;
  static constexpr int kIdDigital2Hint = 1619;
  // Radios.
  static constexpr int kIdModeCurrent = 1620;
  static constexpr int kIdModeSpeed = 1621;
  static constexpr int kIdSpeedMonitor = 1622;
  static constexpr int kIdCurrentMonitor = 1623;
  // Buttons.
  static constexpr int kIdEnable = 1630;
  static constexpr int kIdStop = 1631;
  // Set value and actual value.
  static constexpr int kIdSetValue = 1640;
  static constexpr int kIdSetSlider = 1641;
  static constexpr int kIdSetMin = 1642;
  static constexpr int kIdSetMax = 1643;
  static constexpr int kIdZero = 1644;
  static constexpr int kIdPlus1 = 1645;
  static constexpr int kIdMinus1 = 1646;
  static constexpr int kIdPlus10 = 1647;
  static constexpr int kIdMinus10 = 1648;
  static constexpr int kIdActual = 1649;
  // Settings: edit, slider, minimum label, maximum label, name label, each kIdSettingStep apart.
  static constexpr int kIdSettingBase = 1700;
  static constexpr int kIdSettingStep = 10;

  // Values that are not the ZEL's of this moment are drawn in this colour.
  static constexpr std::uint32_t kStaleColour = ui::kStaleColour;
  // The state lamp: off (offline), on (online), busy (a wizard holds the link).
  static constexpr int kLampBusy = 2;

  // One setting the ZEL takes from software when its SysConfig bit is set.
  struct Setting {
    std::int16_t number = 0;
    std::string name;        // in the clamping messages
    std::string unitFormat;  // of the limit labels
    std::uint16_t softwareBit = 0;
    int minimum = 0;
    int maximum = 0;
    int value = 0;
    int editId = 0;
    int sliderId = 0;
    int minLabelId = 0;
    int maxLabelId = 0;
    int nameLabelId = 0;
  };

  // The regulation mode the radio shows: 0 current, 1 speed.
  static int ModeOf(std::uint16_t sysConfig);
  // SysConfig switched to mode by software: bits 3 and 5 cleared, bit 2 set for current and
  // cleared for speed.
  static std::uint16_t WithMode(std::uint16_t sysConfig, int mode);

  const std::vector<Setting>& Settings() const { return settings_; }
  const Setting* FindSetting(std::int16_t number) const;

 protected:
  // The SysConfig (parameter 1) bits the controls stand for.
  static constexpr std::uint16_t kAnalogSetValue = 0x0001;
  static constexpr std::uint16_t kCurrentRegulation = 0x0004;
  static constexpr std::uint16_t kCurrentMonitorSignal = 0x0010;
  static constexpr std::uint16_t kStopBit = 0x0080;
  static constexpr std::uint16_t kP1Bit = 0x0100;
  static constexpr std::uint16_t kP2Bit = 0x0200;
  static constexpr std::uint16_t kP3Bit = 0x0400;
  static constexpr std::uint16_t kP4Bit = 0x0800;
  static constexpr std::uint16_t kEnableBit = 0x1000;
  static constexpr std::uint16_t kDigital1Bit = 0x2000;
  static constexpr std::uint16_t kDigital2Bit = 0x8000;
  static constexpr std::uint16_t kSpeedModeMask = 0xFFD3;    // clears bits 2, 3 and 5
  static constexpr std::uint16_t kCurrentModeMask = 0xFFD7;  // clears bits 3 and 5
  // The boxes that stand for a SysConfig bit set exactly when the box is unchecked.
  struct Box {
    int id;
    std::uint16_t bit;
  };
  static constexpr Box kBoxes[] = {
      {kIdStopInput, kStopBit},
      {kIdP1, kP1Bit},
      {kIdP2, kP2Bit},
      {kIdP3, kP3Bit},
      {kIdP4, kP4Bit},
      {kIdEnableInput, kEnableBit},
      {kIdDigital1, kDigital1Bit},
      {kIdDigital2, kDigital2Bit},
  };

  // unit: "rpm" or "mA", after the actual value.
  RegulationViewLayout(std::string title, const std::string& unit);

  // The controls of one setting, in the "Limits and gains" group; the new slot.
  Setting& AddSettingControls(std::int16_t number, std::string name, std::string unitFormat,
                              std::uint16_t softwareBit, int defaultValue, int minimum,
                              int maximum);
  // The SysConfig boxes ("'STOP' input active" with the stop button, "P1 active" and
  // "P4 active" only where the view has them), the monitor signal radios and the hint.
  void AddSourceControls(bool withStop, bool withPotentiometers14);
  // The setting whose edit or slider id is; null for any other control.
  Setting* SettingOfControl(int id);

  std::vector<Setting> settings_;
};

}  // namespace zel::views
