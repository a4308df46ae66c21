#pragma once

#include <cstdint>

#include "ui/CommandOutcome.h"

namespace zel::link {

class CanGateway;

// The gateway commands as the user starts them: each Set command's dialog (opening with the
// value and format of its last use, checked by the parameter's definition), the version
// variants, and the refusals. kCancelled sends nothing; kFailed is the caller's "Command
// failed!". UI thread.
class CanGatewayCommands {
 public:
  explicit CanGatewayCommands(CanGateway& gateway) : gateway_(gateway) {}

  ui::CommandOutcome SetModuleID();
  ui::CommandOutcome ReadModuleID();
  ui::CommandOutcome SetServiceID();
  ui::CommandOutcome SetTPDOID();
  ui::CommandOutcome SetRPDOID();
  // Below 0x1040 "SetCAN_BCR1" sends BCR1 alone; from 0x1040 "SetCAN_BCR1_BCR2" sends both.
  ui::CommandOutcome SetBCR1();
  // The same with the variant chosen by the caller: pair sends "SetCAN_BCR1_BCR2".
  ui::CommandOutcome SetBCR1(bool pair);
  ui::CommandOutcome SetBCR2();
  ui::CommandOutcome SetCanMode();
  ui::CommandOutcome SendCANmsg();
  ui::CommandOutcome SetRtrId();
  ui::CommandOutcome ConfigRTR();
  ui::CommandOutcome SendNMT();
  ui::CommandOutcome SendRTR();
  // "Add RTR Parameter" to the gateway's own lists; the answer, when one is read, is said.
  ui::CommandOutcome AddRTRParameter();
  // The RTR configuration of a module, editable and stored on "&Store", or read only.
  ui::CommandOutcome ConfigureModuleRtr(uint16_t destination = 0);
  ui::CommandOutcome GetRtrParameter(uint16_t destination = 0);
  // The module forms, to a module chosen in the "CanBus Destination" dialog.
  ui::CommandOutcome ResetModuleCanError();
  ui::CommandOutcome ResetModuleCan();

  static constexpr const char* kConfigRtrRefusal =
      "The action value have to be 0, 1 or 2!\nThe channel value have to be 0 or 1!";

 private:
  ui::CommandOutcome SetOne(uint8_t opcode, const char* title, const char* caption,
                            int16_t parameter, bool (CanGateway::*command)(uint16_t));
  static ui::CommandOutcome Outcome(bool ok) {
    return ok ? ui::CommandOutcome::kDone : ui::CommandOutcome::kFailed;
  }

  CanGateway& gateway_;
};

}  // namespace zel::link
