#include "link/CEnableDlg.h"

#include "link/StatusGroup.h"

namespace zel::link {

CEnableDlg::CEnableDlg(bool enable) : Window("Enable") {
  AddRadio(kIdEnable, "Enable the system", 1);
  AddRadio(kIdDisable, "Disable the system", 1);
  SetValue(enable ? kIdEnable : kIdDisable, 1);
  AddOkCancel();
}

ui::CommandOutcome CEnableDlg::Run(StatusGroup& status) {
  CEnableDlg dlg(status.LastEnableChoice());
  if (dlg.DoModal() != ui::kResultOk) return ui::CommandOutcome::kCancelled;
  return status.Enable(dlg.EnableChosen()) ? ui::CommandOutcome::kDone
                                           : ui::CommandOutcome::kFailed;
}

}  // namespace zel::link
