#include "firmware/CApplicationAdjustmentDlg.h"

#include <utility>

namespace zel::firmware {

CApplicationAdjustmentDlg::CApplicationAdjustmentDlg(std::function<bool()> work)
    : Window(kTitle), work_(std::move(work)) {
  AddLabel(kIdText, kText);
}

CApplicationAdjustmentDlg::~CApplicationAdjustmentDlg() {
  JoinWorker();
}

bool CApplicationAdjustmentDlg::OnInitDialog() {
  finished_ = false;
  succeeded_ = false;
  // The worker reports through the dispatcher only; it never touches the window's state.
  worker_ = std::thread([this] {
    const bool result = work_ ? work_() : false;
    Post(kMsgAdjusted, result ? 1u : 0u);
  });
  return true;
}

void CApplicationAdjustmentDlg::OnCancel() {
  // Escape or the close box must not leave listeners reloading behind a closed window; the
  // window ends when the worker reports.
  if (finished_) EndDialog(ui::kResultCancel);
}

void CApplicationAdjustmentDlg::OnPrivateMessage(unsigned message, std::uintptr_t wParam,
                                                 std::intptr_t) {
  if (message != kMsgAdjusted) return;
  finished_ = true;
  succeeded_ = wParam != 0;
  EndDialog(succeeded_ ? ui::kResultOk : ui::kResultCancel);
}

void CApplicationAdjustmentDlg::OnDestroy() {
  JoinWorker();
}

void CApplicationAdjustmentDlg::JoinWorker() {
  if (worker_.joinable()) worker_.join();
}

bool CApplicationAdjustmentDlg::Run(const std::function<bool()>& work) {
  bool result = false;
  // The window's result is not enough: a host without a screen ends it at once, before the
  // worker has reported. The worker's own answer counts.
  CApplicationAdjustmentDlg dlg([&work, &result] { return result = work(); });
  dlg.DoModal();
  return result;
}

void CApplicationAdjustmentDlg::Install(FirmwareRegistry& registry) {
  registry.SetAdjustmentRunner(&CApplicationAdjustmentDlg::Run);
}

}  // namespace zel::firmware
