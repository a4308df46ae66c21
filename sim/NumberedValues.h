#pragma once

#include <cstdint>

namespace zel::sim {

// The device's values by number, as ReadTempParam and SetTempParam reach them: the system
// parameters 0..41 and the status values 128..140. The address variables the firmware keeps
// them in go through this.
class NumberedValues {
 public:
  // False for a number the device does not have.
  virtual bool ReadValue(int number, int32_t& value) const = 0;
  // False, changing nothing, for an unknown number or a value the device does not take.
  virtual bool WriteValue(int number, int32_t value) = 0;

 protected:
  ~NumberedValues() = default;
};

}  // namespace zel::sim
