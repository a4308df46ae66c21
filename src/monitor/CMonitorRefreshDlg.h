#pragma once

#include "ui/Window.h"

namespace zel::ui {
class PeriodicWorker;
}

namespace zel::monitor {

// "Monitor Refresh": the polling monitor's period on a slider of tenths of a second, 100 ms to
// 1000 ms. OK hands the new period to the monitor at once (a running monitor re-arms its timer);
// Cancel changes nothing. UI thread only.
class CMonitorRefreshDlg final : public ui::Window {
 public:
  static constexpr int kIdCaption = 1600;
  static constexpr int kIdSlider = 1601;
  static constexpr int kIdRate = 1602;
  static constexpr int kStepMs = 100;

  explicit CMonitorRefreshDlg(ui::PeriodicWorker& monitor);

  // Runs the dialog modally; true when OK set the period.
  static bool Run(ui::PeriodicWorker& monitor);

 protected:
  bool OnInitDialog() override;
  void OnEvent(int id, ui::EventKind kind) override;
  void OnOK() override;

 private:
  void ShowRate();

  ui::PeriodicWorker& monitor_;
};

}  // namespace zel::monitor
