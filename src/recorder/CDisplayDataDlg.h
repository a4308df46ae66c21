#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "recorder/RecorderRefreshWorker.h"
#include "ui/PeriodicWorker.h"
#include "ui/Window.h"

namespace zel::recorder {

class Recorder;
class GraphModel;

// The "Display Data" window: the recording as curves with cursor, measurement, grid and value
// scaling; the recorder's refresh, automatic refresh and jump; saving, loading and exporting the
// recording. Modeless, created by the Recorder; its graph state lives in the recorder's graph
// model so the next window shows it again.
//
// UI thread, except that the refresh worker posts to it. The worker is stopped (and joined)
// before the window is destroyed.
class CDisplayDataDlg final : public ui::Window {
 public:
  static constexpr int kIdPlot = 1800;
  static constexpr int kIdCursor = 1801;
  static constexpr int kIdCurve = 1802;
  static constexpr int kIdMeasure = 1803;
  static constexpr int kIdGrid = 1804;
  static constexpr int kIdAutoScale = 1805;
  static constexpr int kIdScale = 1806;
  static constexpr int kIdRefresh = 1807;
  static constexpr int kIdAutoRefresh = 1808;
  static constexpr int kIdJump = 1809;
  static constexpr int kIdJumpValue = 1810;
  static constexpr int kIdSave = 1811;
  static constexpr int kIdLoad = 1812;
  static constexpr int kIdExit = 1813;
  static constexpr int kIdResetZoom = 1814;
  static constexpr int kIdExport = 1815;

  static constexpr unsigned kMsgDataReady = ui::kWmUser + 60;
  static constexpr unsigned kMsgRefreshEnded = ui::kWmUser + 61;

  static constexpr const char* kSaveFilter =
      "RecordedData Files (*.rda)|*.rda|ASCII Files (*.txt)|*.txt||";
  static constexpr const char* kLoadFilter = "RecordedData Files (*.rda)|*.rda||";
  static constexpr const char* kExportFilter = "CSV Files (*.csv)|*.csv|PNG Images (*.png)|*.png||";

  explicit CDisplayDataDlg(Recorder& recorder);
  ~CDisplayDataDlg() override;

  GraphModel& Graph();
  ui::PlotSource* PlotFor(int id) override;
  bool AutoRefreshRunning() const;
  // Where the refresh ticks come from (tests fire them by hand); a steady timer by default.
  using TimerFactory = std::function<std::unique_ptr<ui::PeriodicTimer>()>;
  void SetTimerFactory(TimerFactory factory) { timerFactory_ = std::move(factory); }

 protected:
  bool OnInitDialog() override;
  void OnEvent(int id, ui::EventKind kind) override;
  void OnCancel() override;
  void OnDestroy() override;
  void OnMinimize(bool minimized) override;
  void OnPrivateMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override;

 private:
  // The recorder's recording to the graph; newRanges after new data.
  void ShowRecording();
  void Redraw();
  void StartAutoRefresh();
  void StopAutoRefresh();
  void AutoRefreshEnded();
  void Refresh();
  void Jump();
  void Save();
  void Load();
  void Export();
  void EditScale();
  void Exit();

  Recorder& recorder_;
  TimerFactory timerFactory_;
  std::unique_ptr<RecorderRefreshWorker> worker_;
  bool pausedByMinimize_ = false;
  int redraws_ = 0;
};

}  // namespace zel::recorder
