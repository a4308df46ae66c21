#include "monitor/CMonitorRefreshDlg.h"

#include <string>

#include "ui/PeriodicWorker.h"

namespace zel::monitor {

namespace {
constexpr int kFirstPosition = 1;
constexpr int kLastPosition = 10;
}  // namespace

CMonitorRefreshDlg::CMonitorRefreshDlg(ui::PeriodicWorker& monitor)
    : Window("Monitor Refresh"), monitor_(monitor) {
  AddLabel(kIdCaption, "Refresh Rate:");
  ui::Control& slider = Add(kIdSlider, ui::ControlKind::Slider);
  slider.minimum = kFirstPosition;
  slider.maximum = kLastPosition;
  slider.ticks = {1, 5, 10};
  slider.sameRow = true;
  AddLabel(kIdRate, "").sameRow = true;
  AddOkCancel();
}

bool CMonitorRefreshDlg::Run(ui::PeriodicWorker& monitor) {
  CMonitorRefreshDlg dlg(monitor);
  return dlg.DoModal() == ui::kResultOk;
}

bool CMonitorRefreshDlg::OnInitDialog() {
  SetValue(kIdSlider, static_cast<int>(monitor_.GetPeriod() / kStepMs));
  ShowRate();
  return true;
}

void CMonitorRefreshDlg::ShowRate() {
  SetText(kIdRate, std::to_string(Value(kIdSlider) * kStepMs) + " ms");
}

void CMonitorRefreshDlg::OnEvent(int id, ui::EventKind kind) {
  if (id == kIdSlider && kind == ui::EventKind::Changed) ShowRate();
}

void CMonitorRefreshDlg::OnOK() {
  monitor_.SetPeriod(static_cast<std::uint32_t>(Value(kIdSlider) * kStepMs));
  EndDialog(ui::kResultOk);
}

}  // namespace zel::monitor
