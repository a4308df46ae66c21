#include "link/CServiceDlg.h"

#include <cstdint>

#include "link/ServiceGroup.h"
#include "ui/Host.h"

namespace zel::link {

CServiceDlg::CServiceDlg() : Window("Service") {
  AddLabel(0, "Enter the correct password!");
  AddEdit(kIdPassword).password = true;
  AddOkCancel();
  SetFocus(kIdPassword);
}

void CServiceDlg::OnOK() {
  if (Password().size() < ServiceGroup::kPasswordLength) {
    ui::CurrentHost().ShowMessage("The password is too short!");
    SetFocus(kIdPassword);
    return;
  }
  EndDialog(ui::kResultOk);
}

ui::CommandOutcome CServiceDlg::Run(ServiceGroup& service) {
  CServiceDlg dlg;
  if (dlg.DoModal() != ui::kResultOk) return ui::CommandOutcome::kCancelled;
  uint16_t answer = 0;
  return service.Service(dlg.Password(), answer) ? ui::CommandOutcome::kDone
                                                 : ui::CommandOutcome::kFailed;
}

}  // namespace zel::link
