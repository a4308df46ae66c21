#pragma once

#include "ui/CommandOutcome.h"
#include "ui/Window.h"

namespace zel::link {

class StatusGroup;

// The "Enable" dialog: enable or disable the drive by software, preset to the last choice.
class CEnableDlg : public ui::Window {
 public:
  static constexpr int kIdEnable = 1010;
  static constexpr int kIdDisable = 1011;

  explicit CEnableDlg(bool enable);
  bool EnableChosen() const { return Value(kIdEnable) != 0; }

  // The enable command: the dialog, then Enable with the choice (the group says the outcome).
  static ui::CommandOutcome Run(StatusGroup& status);
};

}  // namespace zel::link
