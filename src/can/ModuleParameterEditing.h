#pragma once

#include <cstdint>
#include <functional>

#include "ui/CommandOutcome.h"

namespace zel::parameters {
class CParameterTable;
}

namespace zel::can {

class CanModule;

// The parameter dialogs for a module on the CAN bus: the sheet of all its temporary parameters
// or the single-parameter edit, after the compatibility check (parameters of another firmware
// would land in the wrong places). kCancelled when the check failed (it has said why). UI thread.
struct ModuleParameterEditing {
  static ui::CommandOutcome EditAll(CanModule& module, const parameters::CParameterTable& table,
                                    std::uint16_t destination);
  static ui::CommandOutcome EditOne(CanModule& module, const parameters::CParameterTable& table,
                                    std::uint16_t destination);
  // "Service Mode" on a module's parameter sheet: the password dialog, sent to the module.
  static std::function<bool()> ServiceModeEntry(CanModule& module, std::uint16_t destination);
};

}  // namespace zel::can
