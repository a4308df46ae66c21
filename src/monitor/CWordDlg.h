#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "ui/AutoRefresh.h"
#include "ui/Window.h"

namespace zel::monitor {

// A dialog that shows one 16-bit word read from the ZEL (the status word, an error word), with a
// manual refresh and an "Auto " refresh every 200 ms.
//
// Thread rules: the automatic refresh runs on a periodic worker that only calls the read
// function and hands the word over in a mutex-guarded snapshot, then posts a message; the
// controls change only on the user-interface thread. Closing the dialog stops the worker and
// waits for it, so no read outlives the dialog.
class CWordDlg : public ui::Window {
 public:
  static constexpr int kIdRefresh = 1310;
  static constexpr int kIdAutoRefresh = 1311;
  static constexpr unsigned kMsgRefreshed = ui::kWmUser + 1;
  static constexpr std::uint32_t kAutoRefreshPeriodMs = 200;

  // Reads the word; runs on the user-interface thread or on the worker.
  using ReadWord = std::function<bool(std::uint16_t&)>;
  using TimerFactory = ui::AutoRefresh<std::uint16_t>::TimerFactory;

  ~CWordDlg() override;

  // Reads once and shows the word; false (the shown word unchanged) when the read failed.
  bool RefreshNow();
  bool AutoRefreshRunning() const;
  // Where the automatic refresh gets its ticks (tests fire them by hand).
  void SetTimerFactory(TimerFactory factory) { autoRefresh_.SetTimerFactory(std::move(factory)); }

 protected:
  // failureText: the box shown when a refresh fails.
  CWordDlg(std::string title, ReadWord read, std::string failureText);

  // Shows a freshly read word; user-interface thread.
  virtual void ShowWord(std::uint16_t word) = 0;

  void OnEvent(int id, ui::EventKind kind) override;
  void OnPrivateMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override;
  void OnDestroy() override;
  void StopAutoRefresh();

 private:
  void StartAutoRefresh();

  ReadWord read_;
  std::string failureText_;
  ui::AutoRefresh<std::uint16_t> autoRefresh_;
};

}  // namespace zel::monitor
