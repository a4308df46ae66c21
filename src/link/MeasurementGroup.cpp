#include "link/MeasurementGroup.h"

#include "link/ParameterGroup.h"
#include "parameters/CParameterTable.h"

namespace zel::link {

MeasurementGroup::MeasurementGroup(SerialLink* link, parameters::CParameterTable* definitions)
    : CommandGroup(link, definitions) {}

bool MeasurementGroup::ReadVelocityIsMust(uint16_t selector, int16_t& actual, int16_t& demand) {
  CommandFrame frame(kReadVelocityIsMust);
  frame.Bind(actual, ResultType::kWord);
  frame.Bind(demand, ResultType::kWord);
  frame.Put16(selector);
  return Execute(frame);
}

bool MeasurementGroup::ReadCurrentIsMust(uint16_t selector, int16_t& dCurrent, int16_t& qCurrent,
                                         int16_t& demandAmplitude, int16_t& rotorAngle) {
  CommandFrame frame(kReadCurrentIsMust);
  frame.Bind(dCurrent, ResultType::kWord);
  frame.Bind(qCurrent, ResultType::kWord);
  frame.Bind(demandAmplitude, ResultType::kWord);
  const bool withRotorAngle =
      Definitions() != nullptr && Definitions()->SystemCount() < kSystemCountWithoutRotorAngle;
  if (withRotorAngle) frame.Bind(rotorAngle, ResultType::kWord);
  frame.Put16(selector);
  return Execute(frame);
}

bool MeasurementGroup::ReadRotorAngle(int16_t& rotorAngle) {
  if (parameters_ == nullptr) return false;
  uint16_t word = 0;
  if (!parameters_->ReadTempParam(kRotorAngleParameter, word)) return false;
  rotorAngle = static_cast<int16_t>(word);
  return true;
}

bool MeasurementGroup::ReadCurrentsWithRotorAngle(uint16_t selector, int16_t& dCurrent,
                                                  int16_t& qCurrent, int16_t& demandAmplitude,
                                                  int16_t& rotorAngle) {
  return ReadCurrentIsMust(selector, dCurrent, qCurrent, demandAmplitude, rotorAngle) &&
         ReadRotorAngle(rotorAngle);
}

bool MeasurementGroup::ReadPositionIsMust(int32_t& actual, int32_t& demand) {
  CommandFrame frame(kReadPositionIsMust);
  frame.Bind(actual, ResultType::kLong);
  frame.Bind(demand, ResultType::kLong);
  return Execute(frame);
}

}  // namespace zel::link
