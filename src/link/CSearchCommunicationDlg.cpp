#include "link/CSearchCommunicationDlg.h"

#include "link/CommunicationSearch.h"
#include "link/ZelCommunication.h"
#include "ui/Host.h"

namespace zel::link {

std::string CSearchCommunicationDlg::FoundText(const CommSettings& settings) {
  return "Correct communication setting found!\n\nPort:\t" + settings.portName + "\nBaudrate:\t" +
         std::to_string(settings.baudRate) + " baud";
}

CSearchCommunicationDlg::CSearchCommunicationDlg(ZelCommunication& communication)
    : Window("Search Communication"), communication_(communication) {
  AddLabel(kIdText, "Searching communication ...");
  AddProgress(kIdProgress, 0, 0);
  AddButton(kIdExit, "&Exit");
}

CSearchCommunicationDlg::~CSearchCommunicationDlg() {
  search_.reset();
}

bool CSearchCommunicationDlg::OnInitDialog() {
  search_ = std::make_unique<CommunicationSearch>(communication_, TargetId());
  SetRange(kIdProgress, 0, static_cast<int>(search_->Candidates().size()));
  SetValue(kIdProgress, 0);
  if (!search_->Start()) {
    // Without a thread nothing was tried; the saved settings are still the stored ones.
    EndDialog(ui::kResultCancel);
  }
  return true;
}

void CSearchCommunicationDlg::OnEvent(int id, ui::EventKind kind) {
  if (id == kIdExit && kind == ui::EventKind::Clicked) Exit();
}

void CSearchCommunicationDlg::OnCancel() {
  Exit();
}

void CSearchCommunicationDlg::Exit() {
  // Waits for the candidate in progress; the thread then restores the saved settings.
  if (search_) {
    search_->Stop();
    found_ = search_->Found();
  }
  EndDialog(ui::kResultCancel);
}

void CSearchCommunicationDlg::OnDestroy() {
  if (search_) {
    search_->Stop();
    found_ = search_->Found();
  }
}

void CSearchCommunicationDlg::OnPrivateMessage(unsigned message, std::uintptr_t wParam,
                                               std::intptr_t) {
  if (message == CommunicationSearch::kMsgProgress) {
    SetValue(kIdProgress, static_cast<int>(wParam));
  } else if (message == CommunicationSearch::kMsgDone && !IsEnded()) {
    found_ = wParam != 0;
    EndDialog(found_ ? ui::kResultOk : ui::kResultCancel);
  }
}

bool SearchCommunication(ZelCommunication& communication, bool showMessages) {
  bool found = false;
  {
    CSearchCommunicationDlg dlg(communication);
    dlg.DoModal();
    found = dlg.Found();
  }
  if (showMessages) {
    ui::CurrentHost().ShowMessage(found
                                      ? CSearchCommunicationDlg::FoundText(communication.Settings())
                                      : CSearchCommunicationDlg::kNotFoundText);
  }
  return found;
}

}  // namespace zel::link
