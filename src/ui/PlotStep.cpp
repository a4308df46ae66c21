#include "ui/PlotStep.h"

#include <cmath>
#include <initializer_list>

namespace zel::ui {

double NiceStep(double span, double count) {
  if (!(span > 0) || !std::isfinite(span)) return 1;
  const double raw = span / count;
  const double power = std::pow(10.0, std::floor(std::log10(raw)));
  for (double factor : {1.0, 2.0, 5.0, 10.0}) {
    if (factor * power >= raw) return factor * power;
  }
  return 10 * power;
}

}  // namespace zel::ui
