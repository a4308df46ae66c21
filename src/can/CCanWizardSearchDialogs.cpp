#include "can/CCanWizardSearchDialogs.h"

#include "can/CCanWizardInstructions.h"
#include "parameters/NumberText.h"
#include "ui/Host.h"

namespace zel::can {

CNumberOfModulesDlg::CNumberOfModulesDlg(int count) : Window("Number of modules"), count_(count) {
  AddLabel(kIdText,
           "How many ZEL are in your network? If you don't know exactly how many ZEL are in "
           "your network fill in the maximum (127) number of ZEL!");
  AddEdit(kIdCount, std::to_string(count));
  AddOkCancel();
}

void CNumberOfModulesDlg::OnOK() {
  std::uint16_t count = 0;
  if (parameters::NumberText::ParseUInt16(Text(kIdCount), count) !=
          parameters::NumberTextError::kNone ||
      count < 1 || count > 127) {
    ui::CurrentHost().ShowMessage(kBadCount);
    SetFocus(kIdCount);
    return;
  }
  count_ = count;
  EndDialog(ui::kResultOk);
}

CSearchModulesProgressDlg::CSearchModulesProgressDlg(std::function<void()> stop)
    : Window("Search Modules"), stop_(std::move(stop)) {
  AddLabel(kIdProgress + 10, "Modules in the network will be searched ...");
  AddLabel(kIdProgress + 11, "Press 'Stop' to break the process!");
  AddProgress(kIdProgress, 0, 127);
  AddButton(kIdStop, "Stop");
}

void CSearchModulesProgressDlg::OnEvent(int id, ui::EventKind kind) {
  if (id == kIdStop && kind == ui::EventKind::Clicked && stop_) stop_();
}

void CSearchModulesProgressDlg::OnCancel() {
  // Closing the window is a Stop; the page closes it once the search has ended.
  if (stop_) stop_();
}

CNotAllModulesFoundDlg::CNotAllModulesFoundDlg(const std::string& text)
    : Window("Not all modules found") {
  AddLabel(kIdText, text);
  AddButton(ui::kIdOk, "&OK");
  AddButton(kIdHelp, "&Help").sameRow = true;
}

void CNotAllModulesFoundDlg::OnEvent(int id, ui::EventKind kind) {
  if (id != kIdHelp || kind != ui::EventKind::Clicked) return;
  CCanWizardInstructionsDlg help(CCanWizardInstructions::SetBitRate());
  help.DoModal();
}

}  // namespace zel::can
