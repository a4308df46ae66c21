#include "link/CanGateway.h"

namespace zel::link {

CanGateway::CanGateway(SerialLink* link, parameters::CParameterTable* definitions)
    : CommandGroup(link, definitions) {}

bool CanGateway::ReadCANError(uint16_t& canError) {
  CommandFrame frame(kReadCanError);
  frame.Put16(0);
  frame.Bind(canError, ResultType::kWord);
  return Execute(frame);
}

}  // namespace zel::link
