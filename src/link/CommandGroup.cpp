#include "link/CommandGroup.h"

#include "link/SerialLink.h"
#include "ui/Host.h"

namespace zel::link {

CommandGroup::CommandGroup(SerialLink* link, parameters::CParameterTable* definitions)
    : link_(link), definitions_(definitions) {}

bool CommandGroup::Execute(CommandFrame& frame) {
  if (link_ == nullptr) return false;
  frame.FinishPacking();
  return link_->Execute(frame);
}

bool CommandGroup::ExecuteBare(uint8_t opcode) {
  CommandFrame frame(opcode);
  return Execute(frame);
}

void CommandGroup::ShowIfAllowed(const char* text) const {
  if (ShowFlag()) ui::CurrentHost().ShowMessage(text, ui::Icon::Information);
}

}  // namespace zel::link
