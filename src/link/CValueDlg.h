#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "ui/AutoRefresh.h"
#include "ui/CommandOutcome.h"
#include "ui/Window.h"

namespace zel::link {

class MeasurementGroup;

// A dialog that shows values read from the ZEL, with a manual refresh and, where offered, an
// automatic refresh on a periodic worker.
//
// Thread rules: the worker only reads through the command group (the link's lock makes that
// safe beside the monitor) and hands the texts over in a mutex-guarded snapshot, then posts a
// message; the labels change only on the user-interface thread. Closing the dialog stops the
// worker and waits for it, so no read outlives the dialog.
class CValueDlg : public ui::Window {
 public:
  static constexpr int kIdRefresh = 1100;
  static constexpr int kIdAutoRefresh = 1101;
  static constexpr int kIdFirstValue = 1110;
  static constexpr unsigned kMsgRefreshed = ui::kWmUser + 1;
  static constexpr std::uint32_t kAutoRefreshPeriodMs = 500;

  using TimerFactory = ui::AutoRefresh<std::vector<std::string>>::TimerFactory;

  ~CValueDlg() override;

  // Reads once and shows the values; false (nothing shown) when the read failed.
  bool RefreshNow();
  bool AutoRefreshRunning() const;
  // Where the automatic refresh gets its ticks (tests fire them by hand).
  void SetTimerFactory(TimerFactory factory) { autoRefresh_.SetTimerFactory(std::move(factory)); }

  // Reads the values and shows the dialog. Failed when the first read failed.
  ui::CommandOutcome Run();

 protected:
  CValueDlg(std::string title, std::vector<std::string> captions, bool autoRefresh);

  // Reads the values as texts, one per caption. Runs on the UI thread or on the worker.
  virtual bool ReadTexts(std::vector<std::string>& texts) = 0;

  void OnEvent(int id, ui::EventKind kind) override;
  void OnPrivateMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override;
  void OnDestroy() override;
  // Derived dialogs call this in their destructors: the worker reads through them.
  void StopAutoRefresh();

 private:
  void ShowTexts(const std::vector<std::string>& texts);
  void StartAutoRefresh();

  std::size_t count_;
  ui::AutoRefresh<std::vector<std::string>> autoRefresh_;
};

// Velocity actual and demand ("ReadVelocityIsMust", selector 0).
class CVelocityDlg final : public CValueDlg {
 public:
  explicit CVelocityDlg(MeasurementGroup& measurement);
  ~CVelocityDlg() override { StopAutoRefresh(); }

 protected:
  bool ReadTexts(std::vector<std::string>& texts) override;

 private:
  MeasurementGroup& measurement_;
};

// Currents ("ReadCurrentIsMust", selector 0) and the rotor angle. Firmware up to 0x101F sends
// the D and Q axis currents only, so the actual current shown is 2 * sqrt(d*d + q*q); later
// firmware delivers it directly as the Q axis current.
class CCurrentDlg final : public CValueDlg {
 public:
  CCurrentDlg(MeasurementGroup& measurement, std::uint16_t softwareVersion);
  ~CCurrentDlg() override { StopAutoRefresh(); }

  static int ActualCurrent(std::int16_t dCurrent, std::int16_t qCurrent,
                           std::uint16_t softwareVersion);

 protected:
  bool ReadTexts(std::vector<std::string>& texts) override;

 private:
  MeasurementGroup& measurement_;
  std::uint16_t softwareVersion_;
};

// Position actual and demand ("ReadPositionIsMust"); manual refresh only.
class CPositionDlg final : public CValueDlg {
 public:
  explicit CPositionDlg(MeasurementGroup& measurement);
  ~CPositionDlg() override { StopAutoRefresh(); }

 protected:
  bool ReadTexts(std::vector<std::string>& texts) override;

 private:
  MeasurementGroup& measurement_;
};

}  // namespace zel::link
