#include "monitor/RegulationSnapshot.h"

namespace zel::monitor {

namespace {

void AddIf(std::vector<ParameterWord>& values, std::int16_t number,
           const std::optional<std::uint16_t>& word) {
  if (word) values.emplace_back(number, *word);
}

}  // namespace

std::vector<ParameterWord> SpeedViewData::Values() const {
  std::vector<ParameterWord> values;
  AddIf(values, 17, maxSpeed);
  AddIf(values, 12, offset);
  AddIf(values, 15, maxContCurrent);
  AddIf(values, 14, peakCurrent);
  AddIf(values, 5, gainP);
  AddIf(values, 6, gainI);
  AddIf(values, 133, speedSetValue);
  values.emplace_back(134, speedActualValue);
  return values;
}

std::vector<ParameterWord> CurrentViewData::Values() const {
  std::vector<ParameterWord> values;
  AddIf(values, 12, offset);
  AddIf(values, 15, maxContCurrent);
  AddIf(values, 14, peakCurrent);
  AddIf(values, 131, currentSetValue);
  values.emplace_back(129, currentDAxis);
  values.emplace_back(130, currentQAxis);
  return values;
}

}  // namespace zel::monitor
