#pragma once

#include <cstdint>

#include "link/CommandGroup.h"

namespace zel::link {

// The gateway commands (opcodes 56 to 77) that the ZEL on the serial line executes itself, and
// the carriers through which device commands reach the modules behind it on the CAN bus.
class CanGateway : public CommandGroup {
 public:
  static constexpr uint8_t kReadCanError = 67;

  CanGateway(SerialLink* link, parameters::CParameterTable* definitions);

  // The gateway's CAN error word (status value 138); firmware up to 0x1000 does not know it.
  bool ReadCANError(uint16_t& canError);
};

}  // namespace zel::link
