#pragma once

#include <cstdint>
#include <string>

#include "recorder/RecordedData.h"
#include "ui/PlotSource.h"

namespace zel::recorder {

// The value ranges and time range the graph shows.
struct GraphRanges {
  double timeMin = 0;
  double timeMax = 10000;
  double leftMin = -1000;
  double leftMax = 1000;
  bool hasRight = false;  // some channel is scaled against the right axis
  double rightMin = -1000;
  double rightMax = 1000;
};

// What the "Display Data" window draws: the window's own copy of the recording, its ranges, the
// time axis with its ticks and labels, the grid, the cursor and the measurement with their label
// texts, the manual or automatic value range, and a zoomed or panned part of the time axis.
// UI thread only.
class GraphModel final : public ui::PlotSource {
 public:
  enum class CursorMode { kOff, kFree, kAttached };
  enum class MeasureMode { kOff, kMaximum, kMinimum, kMean };

  static constexpr const char* kFreeCursor = "Free Cursor: ";
  static constexpr const char* kAttachedCursor = "Attached Cursor: ";

  GraphModel();

  const RecordedData& Data() const { return data_; }
  // Replaces the recording and recomputes the ranges (a zoom stays while it fits the new time
  // range).
  void SetData(RecordedData data);
  void ClearData() { SetData({}); }

  const GraphRanges& Ranges() const { return ranges_; }
  bool AutoScale() const { return autoScale_; }
  void SetAutoScale(bool on);
  float ManualMax() const { return manualMax_; }
  float ManualMin() const { return manualMin_; }
  // The range the user chose in "Value Range": it holds for every later recording.
  void SetManualRange(float maximum, float minimum);
  // Until the user chooses a range, a recording that leaves the manual range widens it to take
  // the recording in, so a curve is never hidden behind a range nobody asked for.
  bool ManualRangeChosen() const { return manualChosen_; }
  // The last value range a recording was shown in (kept in the settings file).
  float ScaleMax() const { return scaleMax_; }
  float ScaleMin() const { return scaleMin_; }
  // The range kept in the settings file: it becomes the manual range the graph opens with
  // (a pair that is no range, such as a new file's 0 and 0, leaves the manual range alone).
  void RestoreScale(float maximum, float minimum);

  bool Grid() const { return grid_; }
  void ToggleGrid() { grid_ = !grid_; }

  // "&Cursor": off, free, attached to the first curve, off (without curves free goes off).
  void CycleCursor();
  // "&Curve": an attached cursor moves to the next curve.
  void NextCurve();
  CursorMode Cursor() const { return cursor_; }
  std::size_t CursorCurve() const { return cursorCurve_; }
  // "&Measure" (only with a curve): maximum, minimum, mean of the first curve, off; turning it
  // on turns the cursor off.
  void CycleMeasure();
  MeasureMode Measure() const { return measure_; }

  // The time unit text of the recording ("ms" makes the axis read in seconds) and the value
  // axes' unit texts, which follow every value the cursor and the measurement read.
  void SetUnits(std::string timeUnit, std::string leftUnit, std::string rightUnit);

  std::string TimeTitle() const;
  std::string CursorText() const;
  std::string MeasureText() const;
  double MeasureValue() const;

  // ui::PlotSource
  ui::PlotScene Scene() const override;
  void PointerMoved(double time, double leftValue, double rightValue) override;
  void Zoom(double anchorTime, double factor) override;
  void Pan(double deltaTime) override;
  void ResetView() override;
  double ViewMin() const { return viewMin_; }
  double ViewMax() const { return viewMax_; }

 private:
  void Recompute();
  void WidenManualRange(bool anyLeft, double leftLow, double leftHigh, bool anyRight,
                        double rightLow, double rightHigh);
  bool HasCurves() const;
  // The sample of a channel nearest to time; false when the channel has none.
  bool NearestSample(const Channel& channel, double time, const Sample*& sample) const;
  // The value the first curve of an axis is drawn at, at time (joined sample to sample, level
  // before the first and after the last sample); false when the axis has no curve with a number.
  bool CurveValueAt(int axis, double time, double& value) const;
  std::string TimeValueText(double time, double value) const;

  RecordedData data_;
  GraphRanges ranges_;
  bool autoScale_ = false;
  float manualMax_ = 1000.0f;
  float manualMin_ = -1000.0f;
  bool manualChosen_ = false;
  float scaleMax_ = 0;
  float scaleMin_ = 0;
  bool grid_ = true;
  CursorMode cursor_ = CursorMode::kOff;
  std::size_t cursorCurve_ = 0;
  MeasureMode measure_ = MeasureMode::kOff;
  std::string timeUnit_;
  std::string leftUnit_;
  std::string rightUnit_;
  double pointerTime_ = 0;
  double pointerLeft_ = 0;
  double pointerRight_ = 0;
  double viewMin_ = 0;
  double viewMax_ = 10000;
};

}  // namespace zel::recorder
