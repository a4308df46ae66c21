#include "link/CAttentionDlg.h"

#include <string>

#include "link/StatusGroup.h"

namespace zel::link {

CAttentionDlg::CAttentionDlg() : Window("ATTENTION!") {
  AddLabel(0, "The ZEL will be set to hardware enabling!");
  AddLabel(0, "Check the digital input 'Enable' to avoid a damage of the mechanics!");
  AddCheckBox(kIdConfirm, "Confirm that you've checked the 'Enable' input");
  AddButton(ui::kIdOk, "Enable ZEL");
  AddButton(ui::kIdCancel, "Cancel").sameRow = true;
  Enable(ui::kIdOk, false);
}

CAttentionDlg::CAttentionDlg(uint16_t moduleId)
    : Window("Enable CAN Module " + std::to_string(moduleId)) {
  AddLabel(0, "The CAN Module " + std::to_string(moduleId) + " will be set to hardware enabling!");
  AddLabel(0, "Check the digital input 'Enable' to avoid a damage of the mechanics!");
  AddLabel(0, "ATTENTION!");
  AddCheckBox(kIdConfirm, "Confirm that you've checked the 'Enable' input");
  AddOkCancel();
  Enable(ui::kIdOk, false);
}

bool CAttentionDlg::ConfirmModule(uint16_t moduleId) {
  CAttentionDlg dlg(moduleId);
  return dlg.DoModal() == ui::kResultOk;
}

void CAttentionDlg::OnEvent(int id, ui::EventKind kind) {
  if (id == kIdConfirm && kind == ui::EventKind::Clicked) Enable(ui::kIdOk, Value(kIdConfirm) != 0);
}

void CAttentionDlg::OnOK() {
  if (Value(kIdConfirm) != 0) EndDialog(ui::kResultOk);
}

bool CAttentionDlg::Confirm() {
  CAttentionDlg dlg;
  return dlg.DoModal() == ui::kResultOk;
}

void CAttentionDlg::Install(StatusGroup& status) {
  status.SetHardwareEnablingConfirmation([] { return Confirm(); });
}

}  // namespace zel::link
