#pragma once

#include <cstdint>

#include "ui/Window.h"

namespace zel::link {

class StatusGroup;

// The "ATTENTION!" confirmation before the ZEL goes back to hardware enabling: the drive will
// follow the digital input 'Enable' as soon as SysConfig is written, so the user must confirm
// having checked that input. "Enable ZEL" can be pressed only with the box checked.
class CAttentionDlg : public ui::Window {
 public:
  static constexpr int kIdConfirm = 1060;

  CAttentionDlg();
  // The same confirmation for a module on the CAN bus ("Enable CAN Module %i").
  explicit CAttentionDlg(uint16_t moduleId);

  // Runs the dialog; true when the user confirmed.
  static bool Confirm();
  static bool ConfirmModule(uint16_t moduleId);
  // Makes the status group ask through this dialog.
  static void Install(StatusGroup& status);

 protected:
  void OnEvent(int id, ui::EventKind kind) override;
  void OnOK() override;
};

}  // namespace zel::link
