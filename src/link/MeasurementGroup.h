#pragma once

#include <cstdint>

#include "link/CommandGroup.h"

namespace zel::link {

class ParameterGroup;

// The measurement reads (opcodes 40 to 42): actual and demanded velocity, currents and position.
class MeasurementGroup : public CommandGroup {
 public:
  static constexpr uint8_t kReadVelocityIsMust = 40;
  static constexpr uint8_t kReadCurrentIsMust = 41;
  static constexpr uint8_t kReadPositionIsMust = 42;

  // Older firmware (fewer system parameters than this) still sends the rotor angle as the fourth
  // word of the current read.
  static constexpr uint16_t kSystemCountWithoutRotorAngle = 38;
  // The status value that holds the rotor angle.
  static constexpr int16_t kRotorAngleParameter = 132;

  MeasurementGroup(SerialLink* link, parameters::CParameterTable* definitions);

  void SetParameterGroup(ParameterGroup* parameters) { parameters_ = parameters; }
  ParameterGroup* Parameters() const { return parameters_; }

  // selector: the menu command sends 0.
  bool ReadVelocityIsMust(uint16_t selector, int16_t& actual, int16_t& demand);

  // The currents alone: three words, and on firmware with fewer than 38 system definitions the
  // rotor angle as a fourth. rotorAngle is untouched when it is not bound.
  bool ReadCurrentIsMust(uint16_t selector, int16_t& dCurrent, int16_t& qCurrent,
                         int16_t& demandAmplitude, int16_t& rotorAngle);
  // The rotor angle from status value 132.
  bool ReadRotorAngle(int16_t& rotorAngle);
  // The current read as the dialogs use it: ReadCurrentIsMust, then the rotor angle from status
  // value 132 whatever the firmware sent.
  bool ReadCurrentsWithRotorAngle(uint16_t selector, int16_t& dCurrent, int16_t& qCurrent,
                                  int16_t& demandAmplitude, int16_t& rotorAngle);

  bool ReadPositionIsMust(int32_t& actual, int32_t& demand);

 private:
  ParameterGroup* parameters_ = nullptr;
};

}  // namespace zel::link
