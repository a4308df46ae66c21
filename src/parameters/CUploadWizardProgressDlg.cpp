#include "parameters/CUploadWizardProgressDlg.h"

namespace zel::parameters {

CUploadWizardProgressDlg::CUploadWizardProgressDlg(std::string title, std::string text, Work work)
    : Window(std::move(title)), work_(std::move(work)) {
  AddLabel(kIdText, std::move(text));
  AddLabel(kIdStopHint, "Press 'Stop' to break the process!");
  AddLabel(kIdCurrent, "");
  AddProgress(kIdProgress, 0, work_.steps > 0 ? work_.steps : 1);
  AddLabel(kIdCounter, "");
  AddButton(kIdStop, "Stop");
}

bool CUploadWizardProgressDlg::OnInitDialog() {
  Post(kMsgShow);
  return true;
}

void CUploadWizardProgressDlg::OnPrivateMessage(unsigned message, std::uintptr_t, std::intptr_t) {
  if (IsEnded() || stopped_) return;
  if (work_.done && work_.done()) {
    EndDialog(ui::kResultOk);
    return;
  }
  if (message == kMsgShow) {
    // The next step is named first, so the user sees what is being done while it is done.
    if (work_.current) SetText(kIdCurrent, work_.current());
    Post(kMsgStep);
  } else if (message == kMsgStep) {
    if (work_.step) work_.step();
    SetValue(kIdProgress, ++stepsDone_);
    if (work_.counter) SetText(kIdCounter, work_.counter());
    Post(kMsgShow);
  }
}

void CUploadWizardProgressDlg::StopWork() {
  if (stopped_) return;
  stopped_ = true;
  if (work_.stop) work_.stop();
  EndDialog(ui::kResultCancel);
}

void CUploadWizardProgressDlg::OnEvent(int id, ui::EventKind kind) {
  if (id == kIdStop && kind == ui::EventKind::Clicked) StopWork();
}

void CUploadWizardProgressDlg::OnCancel() {
  StopWork();
}

CAdditionalInformationDlg::CAdditionalInformationDlg(const std::string& visum,
                                                     const std::string& comment)
    : Window("Additional Information") {
  AddLabel(kIdVisumLabel, "Visum:");
  AddEdit(kIdVisum, visum).sameRow = true;
  AddLabel(kIdCommentLabel, "Comment:");
  AddEdit(kIdComment, comment).sameRow = true;
  AddOkCancel();
}

void CAdditionalInformationDlg::Ask(std::string& visum, std::string& comment) {
  CAdditionalInformationDlg dlg(visum, comment);
  if (dlg.DoModal() == ui::kResultOk) {
    visum = dlg.Text(kIdVisum);
    comment = dlg.Text(kIdComment);
  } else {
    visum = "-";
    comment = "-";
  }
}

}  // namespace zel::parameters
