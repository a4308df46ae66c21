#pragma once

#include <string>

#include "ui/CommandOutcome.h"
#include "ui/Window.h"

namespace zel::link {

class ParameterGroup;
class ServiceGroup;

// The "Service" dialog: the service-mode password. A password that is too short is refused here
// and the field keeps the focus; one that is too long is handed on and fails without being sent.
class CServiceDlg : public ui::Window {
 public:
  static constexpr int kIdPassword = 1020;

  CServiceDlg();
  // The typed password, one byte per character: the ZEL compares single-byte characters, and the
  // length rules count what the user typed, not the bytes of its UTF-8 text. A character beyond
  // Latin-1 has no byte of its own and becomes '?'.
  std::string Password() const;

  // The enter-service-mode command: the dialog, then Service with the typed password. The group
  // shows the outcome ("The password is correct!...", "The communication failed!", ...).
  static ui::CommandOutcome Run(ServiceGroup& service);
  // "Service Mode" on the parameter sheet: Run, then the ZEL's own word (SysConfig bit 14) on
  // whether it is in service mode now.
  static bool EnterServiceMode(ServiceGroup& service, ParameterGroup& parameter);

 protected:
  void OnOK() override;
};

}  // namespace zel::link
