#include "link/DriveGroup.h"

namespace zel::link {

DriveGroup::DriveGroup(SerialLink* link, parameters::CParameterTable* definitions)
    : CommandGroup(link, definitions) {}

bool DriveGroup::SendWord(uint8_t opcode, int16_t value) {
  CommandFrame frame(opcode);
  frame.Put16(static_cast<uint16_t>(value));
  return Execute(frame);
}

bool DriveGroup::SetVelocity(int16_t rpm) {
  return SendWord(kSetVelocity, rpm);
}

bool DriveGroup::SetCurrent(int16_t setValue) {
  return SendWord(kSetCurrent, setValue);
}

bool DriveGroup::ToggleStop() {
  return ExecuteBare(kToggleStop);
}

}  // namespace zel::link
