#pragma once

#include <memory>

#include "ui/CommandOutcome.h"

namespace zel::link {
class ZelCommunication;
}
namespace zel::can {
class CanModule;
}

namespace zel::app {

// The parameter editing entries of the menu: the sheet of all temporary parameters and the
// single-parameter edit, for the serial ZEL (32774, tool bar 32824, 32775) and for a module on
// the CAN bus (32886, 32868). The main window has checked that the monitor runs. UI thread;
// lives as long as the main window's communication stack.
class ParameterMenuCommands {
 public:
  explicit ParameterMenuCommands(link::ZelCommunication& communication);
  ~ParameterMenuCommands();

  static constexpr int kToolEditAll = 32824;

  static bool Handles(int id);
  // The entries that edit the serial ZEL's own temporary parameters (not a module's).
  static bool EditsTheZel(int id);
  ui::CommandOutcome Run(int id);

 private:
  ui::CommandOutcome RunOnModule(int id);

  link::ZelCommunication& communication_;
  std::unique_ptr<can::CanModule> module_;
};

}  // namespace zel::app
