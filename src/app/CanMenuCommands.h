#pragma once

#include <cstdint>
#include <memory>

#include "ui/CommandOutcome.h"

namespace zel::link {
class ZelCommunication;
}
namespace zel::monitor {
class CErrorMapList;
}
namespace zel::can {
class CanModule;
class CanModuleCommands;
}  // namespace zel::can

namespace zel::app {

// The "CAN Commands" menu of the main window: the gateway's own commands, the commands to a
// module on the bus and the RTR configuration, each to its operation. The main window decides
// what is enabled and whether the monitor runs; this runs the command. UI thread; lives as long
// as the main window's communication stack.
class CanMenuCommands {
 public:
  CanMenuCommands(link::ZelCommunication& communication, const monitor::CErrorMapList* maps);
  ~CanMenuCommands();

  // Whether id is a "CAN Commands" entry this build carries out.
  static bool Handles(int id);

  // Runs the entry with the connected ZEL's software version selecting the variants. Never
  // kCancelled for an entry it handles: a cancelled dialog fails the command.
  ui::CommandOutcome Run(int id, std::uint16_t softwareVersion);
  // "CAN &Network": the CAN Network sheet over the serial ZEL.
  void RunNetworkSheet(std::uint16_t softwareVersion);

  // The module commands, whose remembered inputs the settings file keeps.
  can::CanModuleCommands& ModuleCommands() { return *moduleCommands_; }

 private:
  ui::CommandOutcome RunEntry(int id, std::uint16_t softwareVersion);
  ui::CommandOutcome ReadCanError();
  ui::CommandOutcome GetRemoteData();

  link::ZelCommunication& communication_;
  const monitor::CErrorMapList* maps_;
  std::unique_ptr<can::CanModule> module_;
  std::unique_ptr<can::CanModuleCommands> moduleCommands_;
};

}  // namespace zel::app
