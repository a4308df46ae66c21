#include "views/RegulationViewLayout.h"

#include <utility>

#include "link/ParameterGroup.h"

namespace zel::views {

RegulationViewLayout::RegulationViewLayout(std::string title, const std::string& unit)
    : Window(std::move(title)) {
  AddLabel(kIdState, "The ZEL is offline!");
  Add(kIdStateLamp, ui::ControlKind::Lamp).sameRow = true;
  AddGroup(kIdModeGroup, "Regulation mode");
  AddRadio(kIdModeCurrent, "Current regulation", 1, kIdModeGroup);
  AddRadio(kIdModeSpeed, "Speed regulation", 1, kIdModeGroup).sameRow = true;

  AddGroup(kIdSetValueGroup, "Set value");
  AddEdit(kIdSetValue, "0", kIdSetValueGroup);
  Add(kIdSetSlider, ui::ControlKind::Slider, {}, kIdSetValueGroup);
  AddLabel(kIdSetMin, {}, kIdSetValueGroup);
  AddLabel(kIdSetMax, {}, kIdSetValueGroup).sameRow = true;
  AddButton(kIdMinus10, "-10", kIdSetValueGroup);
  AddButton(kIdMinus1, "-1", kIdSetValueGroup).sameRow = true;
  AddButton(kIdZero, "&Zero", kIdSetValueGroup).sameRow = true;
  AddButton(kIdPlus1, "+1", kIdSetValueGroup).sameRow = true;
  AddButton(kIdPlus10, "+10", kIdSetValueGroup).sameRow = true;
  AddButton(kIdEnable, "Disabled", kIdSetValueGroup);

  AddGroup(kIdActualGroup, "Actual value");
  AddLabel(kIdActual, "0 " + unit, kIdActualGroup);

  AddGroup(kIdLimitsGroup, "Limits and gains");
  AddGroup(kIdSourcesGroup, "Sources");
  Add(kIdTrend, ui::ControlKind::Plot);
}

RegulationViewLayout::Setting& RegulationViewLayout::AddSettingControls(
    std::int16_t number, std::string name, std::string unitFormat, std::uint16_t softwareBit,
    int defaultValue, int minimum, int maximum) {
  Setting s;
  s.number = number;
  s.name = std::move(name);
  s.unitFormat = std::move(unitFormat);
  s.softwareBit = softwareBit;
  s.value = defaultValue;
  s.minimum = minimum;
  s.maximum = maximum;
  const int base = kIdSettingBase + kIdSettingStep * static_cast<int>(settings_.size());
  s.editId = base;
  s.sliderId = base + 1;
  s.minLabelId = base + 2;
  s.maxLabelId = base + 3;
  s.nameLabelId = base + 4;
  AddLabel(s.nameLabelId, s.name, kIdLimitsGroup);
  AddEdit(s.editId, {}, kIdLimitsGroup).sameRow = true;
  Add(s.sliderId, ui::ControlKind::Slider, {}, kIdLimitsGroup);
  AddLabel(s.minLabelId, {}, kIdLimitsGroup);
  AddLabel(s.maxLabelId, {}, kIdLimitsGroup).sameRow = true;
  settings_.push_back(s);
  return settings_.back();
}

void RegulationViewLayout::AddSourceControls(bool withStop, bool withPotentiometers14) {
  AddCheckBox(kIdSetValueInput, "'Set value' input active", kIdSourcesGroup);
  if (withStop) AddCheckBox(kIdStopInput, "'STOP' input active", kIdSourcesGroup);
  if (withPotentiometers14) AddCheckBox(kIdP1, "P1 active", kIdSourcesGroup);
  AddCheckBox(kIdP2, "P2 active", kIdSourcesGroup);
  AddCheckBox(kIdP3, "P3 active", kIdSourcesGroup);
  if (withPotentiometers14) AddCheckBox(kIdP4, "P4 active", kIdSourcesGroup);
  AddCheckBox(kIdEnableInput, "'Enable' input active", kIdSourcesGroup);
  AddCheckBox(kIdDigital1, "'Digital 1' input active", kIdSourcesGroup);
  AddCheckBox(kIdDigital2, "'Digital 2' input active", kIdSourcesGroup);
  AddLabel(kIdDigital2Hint, "->Disable Digital 2 input", kIdSourcesGroup);
  AddRadio(kIdSpeedMonitor, "Speed monitor signal", 2, kIdSourcesGroup);
  AddRadio(kIdCurrentMonitor, "Current monitor signal", 2, kIdSourcesGroup).sameRow = true;
  if (withStop) AddButton(kIdStop, "Not Stopped", kIdSetValueGroup).sameRow = true;
}

int RegulationViewLayout::ModeOf(std::uint16_t sysConfig) {
  return link::ParameterGroup::CurrentRegulation(sysConfig) ? 0 : 1;
}

std::uint16_t RegulationViewLayout::WithMode(std::uint16_t sysConfig, int mode) {
  if (mode == 0)
    return static_cast<std::uint16_t>((sysConfig & kCurrentModeMask) | kCurrentRegulation);
  return static_cast<std::uint16_t>(sysConfig & kSpeedModeMask);
}

const RegulationViewLayout::Setting* RegulationViewLayout::FindSetting(std::int16_t number) const {
  for (const Setting& s : settings_)
    if (s.number == number) return &s;
  return nullptr;
}

RegulationViewLayout::Setting* RegulationViewLayout::SettingOfControl(int id) {
  for (Setting& s : settings_)
    if (s.editId == id || s.sliderId == id) return &s;
  return nullptr;
}

}  // namespace zel::views
