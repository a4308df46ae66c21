#include "recorder/GraphModel.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <limits>

#include "ui/PlotStep.h"

namespace zel::recorder {

namespace {

constexpr std::uint32_t kCurveColours[] = {0x0000C0, 0xC00000, 0x008000,
                                           0x808000, 0x800080, 0x008080};
// A zoom ends at this many µs across, so the axis keeps distinct tick labels.
constexpr double kSmallestSpan = 10.0;

std::string Format(const char* format, double value) {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

std::string Format(const char* format, double first, double second) {
  char text[96];
  std::snprintf(text, sizeof text, format, first, second);
  return text;
}

bool Large(double value) {
  return std::fabs(value) >= 100000.0;
}

// The value range of one axis: the data's extremes, widened as the manual or automatic scale
// says.
void ValueRange(bool any, double low, double high, double& minimum, double& maximum) {
  if (!any) {
    maximum = 10 + 2;
    minimum = -10 - 2;
  } else if (high != low) {
    const double margin = 0.1 * (high - low);
    maximum = high + margin;
    minimum = low - margin;
  } else {
    maximum = high + 1;
    minimum = low - 1;
  }
}

std::vector<ui::PlotTick> ValueTicks(double minimum, double maximum) {
  std::vector<ui::PlotTick> ticks;
  const double step = ui::NiceStep(maximum - minimum, 8);
  const int decimals = std::max(0, static_cast<int>(-std::floor(std::log10(step))));
  for (double k = std::ceil(minimum / step); k * step <= maximum + step * 1e-9; ++k) {
    // ceil() of a small negative ratio is -0.0, which would be labelled "-0".
    const double exact = k * step;
    const double at = std::fabs(exact) < step * 1e-9 ? 0.0 : exact;
    char text[48];
    if (Large(at)) {
      std::snprintf(text, sizeof text, "%.1e", at);
    } else {
      std::snprintf(text, sizeof text, "%.*f", decimals, at);
    }
    ticks.push_back({at, true, text});
  }
  return ticks;
}

}  // namespace

GraphModel::GraphModel() {
  Recompute();
  ResetView();
}

void GraphModel::SetData(RecordedData data) {
  data_ = std::move(data);
  if (cursorCurve_ >= data_.channels.size()) cursorCurve_ = 0;
  if (!HasCurves()) {
    if (cursor_ == CursorMode::kAttached) cursor_ = CursorMode::kOff;
    measure_ = MeasureMode::kOff;
  }
  const bool zoomed = viewMin_ > ranges_.timeMin || viewMax_ < ranges_.timeMax;
  Recompute();
  if (!zoomed || viewMin_ < ranges_.timeMin || viewMax_ > ranges_.timeMax) ResetView();
}

void GraphModel::SetAutoScale(bool on) {
  autoScale_ = on;
  Recompute();
}

void GraphModel::SetManualRange(float maximum, float minimum) {
  manualMax_ = maximum;
  manualMin_ = minimum;
  manualChosen_ = true;
  Recompute();
}

void GraphModel::RestoreScale(float maximum, float minimum) {
  scaleMax_ = maximum;
  scaleMin_ = minimum;
  if (std::isfinite(maximum) && std::isfinite(minimum) && maximum > minimum) {
    manualMax_ = maximum;
    manualMin_ = minimum;
    manualChosen_ = false;
  }
  Recompute();
}

void GraphModel::SetUnits(std::string timeUnit, std::string leftUnit, std::string rightUnit) {
  timeUnit_ = std::move(timeUnit);
  leftUnit_ = std::move(leftUnit);
  rightUnit_ = std::move(rightUnit);
}

bool GraphModel::HasCurves() const {
  return !data_.channels.empty();
}

void GraphModel::Recompute() {
  bool anyTime = false;
  double timeLow = 0, timeHigh = 0, period = 0;
  bool anyLeft = false, anyRight = false;
  double leftLow = 0, leftHigh = 0, rightLow = 0, rightHigh = 0;
  ranges_.hasRight = false;
  for (const Channel& channel : data_.channels) {
    period = std::max(period, static_cast<double>(channel.period));
    const bool right = channel.axis == 2;
    if (right) ranges_.hasRight = true;
    for (const Sample& sample : channel.samples) {
      const double t = sample.time;
      timeLow = anyTime ? std::min(timeLow, t) : t;
      timeHigh = anyTime ? std::max(timeHigh, t) : t;
      anyTime = true;
      const double v = sample.value.number;
      // A float taken bit for bit from the ZEL may be no number at all; it cannot be scaled.
      if (!sample.value.HasNumber() || !std::isfinite(v)) continue;
      bool& any = right ? anyRight : anyLeft;
      double& low = right ? rightLow : leftLow;
      double& high = right ? rightHigh : leftHigh;
      low = any ? std::min(low, v) : v;
      high = any ? std::max(high, v) : v;
      any = true;
    }
  }
  if (anyTime) {
    ranges_.timeMin = timeLow;
    ranges_.timeMax = timeHigh + (period > 0 ? period : 10);
  } else {
    ranges_.timeMin = 0;
    ranges_.timeMax = 10000;
  }
  if (autoScale_) {
    ValueRange(anyLeft, leftLow, leftHigh, ranges_.leftMin, ranges_.leftMax);
    ValueRange(anyRight, rightLow, rightHigh, ranges_.rightMin, ranges_.rightMax);
  } else {
    if (!manualChosen_) WidenManualRange(anyLeft, leftLow, leftHigh, anyRight, rightLow, rightHigh);
    ranges_.leftMax = ranges_.rightMax = manualMax_;
    ranges_.leftMin = ranges_.rightMin = manualMin_;
  }
  // Only a range a recording was shown in is worth keeping: the window's Exit empties the graph,
  // and the empty graph's range would otherwise replace the one the settings file should keep.
  if (anyLeft || anyRight) {
    scaleMax_ = static_cast<float>(ranges_.leftMax);
    scaleMin_ = static_cast<float>(ranges_.leftMin);
  }
}

void GraphModel::WidenManualRange(bool anyLeft, double leftLow, double leftHigh, bool anyRight,
                                  double rightLow, double rightHigh) {
  // The manual range serves both axes, so it has to take in the values of both.
  const bool any = anyLeft || anyRight;
  const double low = anyLeft && anyRight ? std::min(leftLow, rightLow)
                     : anyLeft           ? leftLow
                                         : rightLow;
  const double high = anyLeft && anyRight ? std::max(leftHigh, rightHigh)
                      : anyLeft           ? leftHigh
                                          : rightHigh;
  if (!any || (low >= manualMin_ && high <= manualMax_)) return;
  // Widened as Auto Scale would, so the curve does not run along the frame; the side the
  // recording stays within keeps its value.
  double minimum = 0, maximum = 0;
  ValueRange(true, low, high, minimum, maximum);
  manualMax_ = std::max(manualMax_, static_cast<float>(maximum));
  manualMin_ = std::min(manualMin_, static_cast<float>(minimum));
}

void GraphModel::CycleCursor() {
  switch (cursor_) {
    case CursorMode::kOff:
      cursor_ = CursorMode::kFree;
      break;
    case CursorMode::kFree:
      cursor_ = HasCurves() ? CursorMode::kAttached : CursorMode::kOff;
      cursorCurve_ = 0;
      break;
    case CursorMode::kAttached:
      cursor_ = CursorMode::kOff;
      break;
  }
}

void GraphModel::NextCurve() {
  if (cursor_ != CursorMode::kAttached || !HasCurves()) return;
  cursorCurve_ = (cursorCurve_ + 1) % data_.channels.size();
}

void GraphModel::CycleMeasure() {
  if (!HasCurves()) return;
  switch (measure_) {
    case MeasureMode::kOff:
      measure_ = MeasureMode::kMaximum;
      cursor_ = CursorMode::kOff;
      break;
    case MeasureMode::kMaximum:
      measure_ = MeasureMode::kMinimum;
      break;
    case MeasureMode::kMinimum:
      measure_ = MeasureMode::kMean;
      break;
    case MeasureMode::kMean:
      measure_ = MeasureMode::kOff;
      break;
  }
}

std::string GraphModel::TimeTitle() const {
  return timeUnit_ == "ms" ? "TimeBase: [s]" : "TimeBase: [ms]";
}

std::string GraphModel::TimeValueText(double time, double value) const {
  const bool seconds = timeUnit_ == "ms";
  const char* format = seconds ? (Large(value) ? "%.1f s; %.1e" : "%.3f s; %.3f")
                               : (Large(value) ? "%.1f ms; %.1e" : "%.3f ms; %.3f");
  return Format(format, time * 0.001, value);
}

bool GraphModel::NearestSample(const Channel& channel, double time, const Sample*& sample) const {
  if (channel.samples.empty()) return false;
  auto after = std::lower_bound(channel.samples.begin(), channel.samples.end(), time,
                                [](const Sample& s, double t) { return s.time < t; });
  if (after == channel.samples.end()) {
    sample = &channel.samples.back();
  } else if (after == channel.samples.begin()) {
    sample = &*after;
  } else {
    auto before = after - 1;
    sample = (time - before->time) <= (after->time - time) ? &*before : &*after;
  }
  return true;
}

bool GraphModel::CurveValueAt(int axis, double time, double& value) const {
  for (const Channel& channel : data_.channels) {
    if ((channel.axis == 2 ? 2 : 1) != axis) continue;
    const Sample* before = nullptr;
    const Sample* after = nullptr;
    // The curve is drawn through the samples that carry a number; the others are gaps.
    for (const Sample& sample : channel.samples) {
      if (!sample.value.HasNumber() || !std::isfinite(sample.value.number)) continue;
      if (sample.time <= time) {
        before = &sample;
      } else {
        after = &sample;
        break;
      }
    }
    if (before == nullptr && after == nullptr) continue;
    if (before == nullptr || after == nullptr || after->time == before->time) {
      value = (before != nullptr ? before : after)->value.number;
    } else {
      const double share = (time - before->time) / (after->time - before->time);
      value = before->value.number + share * (after->value.number - before->value.number);
    }
    return true;
  }
  return false;
}

std::string GraphModel::CursorText() const {
  if (cursor_ == CursorMode::kOff) return {};
  if (cursor_ == CursorMode::kAttached && cursorCurve_ < data_.channels.size()) {
    const Channel& channel = data_.channels[cursorCurve_];
    const std::string& unit = channel.axis == 2 ? rightUnit_ : leftUnit_;
    const Sample* sample = nullptr;
    if (!NearestSample(channel, pointerTime_, sample))
      return kAttachedCursor + TimeValueText(pointerTime_, 0) + " " + unit;
    return kAttachedCursor + TimeValueText(sample->time, sample->value.number) + " " + unit;
  }
  // The free cursor reads what the curves show at its time; only over an axis without a curve
  // does it read the pointer's height there.
  double left = pointerLeft_;
  double right = pointerRight_;
  CurveValueAt(1, pointerTime_, left);
  CurveValueAt(2, pointerTime_, right);
  std::string text = kFreeCursor + TimeValueText(pointerTime_, left) + " " + leftUnit_;
  if (ranges_.hasRight)
    text += Format(Large(right) ? " ; %.1e" : " ; %.3f", right) + " " + rightUnit_;
  return text;
}

double GraphModel::MeasureValue() const {
  if (measure_ == MeasureMode::kOff || !HasCurves()) return 0;
  const Channel& channel = data_.channels.front();
  bool any = false;
  double result = 0, sum = 0;
  std::size_t count = 0;
  for (const Sample& sample : channel.samples) {
    const double v = sample.value.number;
    if (!sample.value.HasNumber() || !std::isfinite(v)) continue;
    if (measure_ == MeasureMode::kMaximum) result = any ? std::max(result, v) : v;
    if (measure_ == MeasureMode::kMinimum) result = any ? std::min(result, v) : v;
    sum += v;
    ++count;
    any = true;
  }
  if (measure_ == MeasureMode::kMean) return count ? sum / static_cast<double>(count) : 0;
  return result;
}

std::string GraphModel::MeasureText() const {
  if (measure_ == MeasureMode::kOff || !HasCurves()) return {};
  const char* which = measure_ == MeasureMode::kMaximum   ? "Max. "
                      : measure_ == MeasureMode::kMinimum ? "Min. "
                                                          : "Mean. ";
  const double value = MeasureValue();
  const Channel& channel = data_.channels.front();
  return std::string("Measure: ") + which + Format(Large(value) ? "%.1e" : "%.3f", value) + " " +
         (channel.axis == 2 ? rightUnit_ : leftUnit_);
}

ui::PlotScene GraphModel::Scene() const {
  ui::PlotScene scene;
  scene.timeMin = viewMin_;
  scene.timeMax = viewMax_;
  scene.leftMin = ranges_.leftMin;
  scene.leftMax = ranges_.leftMax;
  scene.hasRight = ranges_.hasRight;
  scene.rightMin = ranges_.rightMin;
  scene.rightMax = ranges_.rightMax;
  scene.grid = grid_;
  scene.timeTitle = TimeTitle();
  scene.zoomed = viewMin_ > ranges_.timeMin || viewMax_ < ranges_.timeMax;

  // Small ticks every step, a long labelled one every fifth; steps are counted from time 0 so
  // the labels are round numbers.
  const double step = ui::NiceStep(viewMax_ - viewMin_, 50);
  for (double k = std::ceil(viewMin_ / step); k * step <= viewMax_ + step * 1e-9; ++k) {
    const double at = k * step;
    const bool major = std::fmod(std::fabs(k), 5.0) == 0;
    scene.timeTicks.push_back({at, major, major ? Format("%.3f", at * 0.001) : std::string()});
  }
  scene.leftTicks = ValueTicks(scene.leftMin, scene.leftMax);
  if (scene.hasRight) scene.rightTicks = ValueTicks(scene.rightMin, scene.rightMax);

  std::size_t index = 0;
  for (const Channel& channel : data_.channels) {
    ui::PlotCurve curve;
    curve.axis = channel.axis == 2 ? 2 : 1;
    curve.colour = kCurveColours[index++ % std::size(kCurveColours)];
    curve.points.reserve(channel.samples.size());
    for (const Sample& sample : channel.samples) {
      if (!sample.value.HasNumber() || !std::isfinite(sample.value.number)) continue;
      curve.points.emplace_back(sample.time, sample.value.number);
    }
    scene.curves.push_back(std::move(curve));
  }

  if (cursor_ != CursorMode::kOff) {
    scene.cursorShown = true;
    scene.cursorTime = pointerTime_;
    const Sample* sample = nullptr;
    if (cursor_ == CursorMode::kAttached && cursorCurve_ < data_.channels.size() &&
        NearestSample(data_.channels[cursorCurve_], pointerTime_, sample))
      scene.cursorTime = sample->time;
    scene.cursorText = CursorText();
  }
  if (measure_ != MeasureMode::kOff && HasCurves()) {
    scene.measureShown = true;
    scene.measureAxis = data_.channels.front().axis == 2 ? 2 : 1;
    scene.measureValue = MeasureValue();
    scene.measureText = MeasureText();
  }
  return scene;
}

void GraphModel::PointerMoved(double time, double leftValue, double rightValue) {
  pointerTime_ = time;
  pointerLeft_ = leftValue;
  pointerRight_ = rightValue;
}

void GraphModel::Zoom(double anchorTime, double factor) {
  if (!(factor > 0) || !std::isfinite(factor) || !std::isfinite(anchorTime)) return;
  const double full = ranges_.timeMax - ranges_.timeMin;
  double span = std::clamp((viewMax_ - viewMin_) * factor, std::min(kSmallestSpan, full), full);
  anchorTime = std::clamp(anchorTime, viewMin_, viewMax_);
  // The anchor keeps its place on the axis.
  const double share = viewMax_ > viewMin_ ? (anchorTime - viewMin_) / (viewMax_ - viewMin_) : 0.5;
  viewMin_ = anchorTime - share * span;
  viewMax_ = viewMin_ + span;
  Pan(0);
}

void GraphModel::Pan(double deltaTime) {
  if (!std::isfinite(deltaTime)) return;
  const double span = viewMax_ - viewMin_;
  viewMin_ = std::clamp(viewMin_ + deltaTime, ranges_.timeMin, ranges_.timeMax - span);
  viewMax_ = viewMin_ + span;
}

void GraphModel::ResetView() {
  viewMin_ = ranges_.timeMin;
  viewMax_ = ranges_.timeMax;
}

}  // namespace zel::recorder
