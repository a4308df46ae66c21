#pragma once

#include "ui/CommandOutcome.h"

namespace zel::link {
class CanGateway;
}
namespace zel::monitor {
class CErrorMapList;
}

namespace zel::can {

// The gateway's bus commands with a result dialog, as both the "CAN Commands" menu and the "CAN
// Network" sheet start them. UI thread.
struct CanBusCommands {
  // "Read CAN Error": the gateway's CAN error word through the CAN error map, with refresh.
  static ui::CommandOutcome ReadCanError(link::CanGateway& can, const monitor::CErrorMapList* maps);
  // "Get Remote Data": asks destination, operation and parameters, then shows the three answers.
  static ui::CommandOutcome GetRemoteData(link::CanGateway& can);
};

}  // namespace zel::can
