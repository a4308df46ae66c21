#pragma once

#include <chrono>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "ui/PlotSource.h"

namespace zel::views {

// The live trend of a regulation view: its set value, its actual value and, where the view has
// one, a limit, over the last 30 s of the monitor's data. Tuning a gain shows its effect here at
// once. Drawn by the same plot renderer as the recorder's graph; the time axis reads seconds
// before now. UI thread only.
class RegulationTrend final : public ui::PlotSource {
 public:
  using Clock = std::function<std::chrono::steady_clock::time_point()>;
  static constexpr double kWindowSeconds = 30;

  // unit: of the value axis labels; withLimit: the third curve is drawn.
  RegulationTrend(std::string unit, bool withLimit, Clock clock = {});

  void Add(double setValue, double actualValue, double limit);
  void Clear() { samples_.clear(); }
  std::size_t SampleCount() const { return samples_.size(); }

  ui::PlotScene Scene() const override;
  // A live trend always shows the last 30 s: the pointer, wheel and drag change nothing.
  void PointerMoved(double, double, double) override {}
  void Zoom(double, double) override {}
  void Pan(double) override {}
  void ResetView() override {}

  static constexpr std::uint32_t kSetColour = 0x0000C0;
  static constexpr std::uint32_t kActualColour = 0xC00000;
  static constexpr std::uint32_t kLimitColour = 0x008000;

 private:
  struct Sample {
    double time;  // seconds since the trend was built
    double set;
    double actual;
    double limit;
  };

  double Now() const;

  std::string unit_;
  bool withLimit_;
  Clock clock_;
  std::chrono::steady_clock::time_point start_;
  std::deque<Sample> samples_;
};

}  // namespace zel::views
