#include "views/RegulationTrend.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "ui/PlotStep.h"

namespace zel::views {

namespace {

std::string Label(double value) {
  char text[32];
  // Whole numbers only: the views' values are integers, and -0 must read 0.
  std::snprintf(text, sizeof text, "%.0f", value == 0 ? 0.0 : value);
  return text;
}

}  // namespace

RegulationTrend::RegulationTrend(std::string unit, bool withLimit, Clock clock)
    : unit_(std::move(unit)),
      withLimit_(withLimit),
      clock_(clock ? std::move(clock) : Clock([] { return std::chrono::steady_clock::now(); })),
      start_(clock_()) {}

double RegulationTrend::Now() const {
  return std::chrono::duration<double>(clock_() - start_).count();
}

void RegulationTrend::Add(double setValue, double actualValue, double limit) {
  const double now = Now();
  samples_.push_back({now, setValue, actualValue, limit});
  // One sample older than the window stays, so the curves reach the left edge.
  while (samples_.size() > 2 && samples_[1].time < now - kWindowSeconds) samples_.pop_front();
}

ui::PlotScene RegulationTrend::Scene() const {
  ui::PlotScene scene;
  const double now = samples_.empty() ? 0 : samples_.back().time;
  scene.timeMin = -kWindowSeconds;
  scene.timeMax = 0;
  scene.timeTitle = "s";
  for (int t = -30; t <= 0; t += 5)
    scene.timeTicks.push_back({static_cast<double>(t), true, Label(t)});

  double low = 0;
  double high = 0;
  ui::PlotCurve set{1, kSetColour, {}};
  ui::PlotCurve actual{1, kActualColour, {}};
  ui::PlotCurve limit{1, kLimitColour, {}};
  for (const Sample& s : samples_) {
    const double t = std::max(s.time - now, -kWindowSeconds);
    set.points.emplace_back(t, s.set);
    actual.points.emplace_back(t, s.actual);
    low = std::min({low, s.set, s.actual});
    high = std::max({high, s.set, s.actual});
    if (withLimit_) {
      limit.points.emplace_back(t, s.limit);
      low = std::min(low, s.limit);
      high = std::max(high, s.limit);
    }
  }
  // Some room above and below, and a range even while everything is 0.
  const double margin = std::max((high - low) * 0.1, 10.0);
  const double step = ui::NiceStep(high - low + 2 * margin, 5);
  scene.leftMin = std::floor((low - margin) / step) * step;
  scene.leftMax = std::ceil((high + margin) / step) * step;
  for (double v = scene.leftMin; v <= scene.leftMax + step / 2; v += step)
    scene.leftTicks.push_back({v, true, Label(v) + " " + unit_});
  scene.curves.push_back(std::move(set));
  scene.curves.push_back(std::move(actual));
  if (withLimit_) scene.curves.push_back(std::move(limit));
  return scene;
}

}  // namespace zel::views
