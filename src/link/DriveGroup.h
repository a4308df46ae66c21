#pragma once

#include <cstdint>

#include "link/CommandGroup.h"

namespace zel::link {

class MeasurementGroup;

// The drive commands (opcodes 33 to 35): speed and current set values and the stop toggle.
class DriveGroup : public CommandGroup {
 public:
  static constexpr uint8_t kSetVelocity = 33;
  static constexpr uint8_t kSetCurrent = 34;
  static constexpr uint8_t kToggleStop = 35;

  DriveGroup(SerialLink* link, parameters::CParameterTable* definitions);

  void SetMeasurementGroup(MeasurementGroup* measurement) { measurement_ = measurement; }
  MeasurementGroup* Measurement() const { return measurement_; }

  bool SetVelocity(int16_t rpm);
  bool SetCurrent(int16_t setValue);
  bool ToggleStop();

 private:
  bool SendWord(uint8_t opcode, int16_t value);

  MeasurementGroup* measurement_ = nullptr;
};

}  // namespace zel::link
