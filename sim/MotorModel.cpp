#include "sim/MotorModel.h"

#include <algorithm>
#include <cmath>

namespace zel::sim {

void MotorModel::Step(const Inputs& inputs, double seconds) {
  if (seconds <= 0) return;
  double before = speed_;
  double load = std::abs(speed_) > 1e-6 ? std::copysign(inputs.loadCurrent, speed_) : 0.0;
  if (!inputs.powerStage) {
    speedDemand_ = 0;
    currentDemand_ = 0;
    speed_ *= std::exp(-seconds / kCoastLagSeconds);
    currentQ_ = 0;
    currentD_ = 0;
  } else if (inputs.currentRegulation) {
    currentDemand_ = std::clamp(inputs.currentDemand, -inputs.peakCurrent, inputs.peakCurrent);
    currentQ_ += (currentDemand_ - currentQ_) * (1.0 - std::exp(-seconds / kCurrentLagSeconds));
    speed_ += (currentQ_ - load) / kMilliampPerRpmPerSecond * seconds;
    speed_ = std::clamp(speed_, -inputs.maxSpeed, inputs.maxSpeed);
    speedDemand_ = speed_;
    currentD_ = -currentQ_ / 50.0;
  } else {
    speedDemand_ = std::clamp(inputs.speedDemand, -inputs.maxSpeed, inputs.maxSpeed);
    speed_ += (speedDemand_ - speed_) * (1.0 - std::exp(-seconds / kSpeedLagSeconds));
    double acceleration = (speed_ - before) / seconds;
    currentDemand_ = std::clamp(acceleration * kMilliampPerRpmPerSecond + load, -inputs.peakCurrent,
                                inputs.peakCurrent);
    currentQ_ = currentDemand_;
    currentD_ = -currentQ_ / 50.0;
  }
  double countsPerMinute = static_cast<double>(inputs.countsPerTurn);
  position_ += (before + speed_) / 2.0 * countsPerMinute * seconds / 60.0;
  positionDemand_ += speedDemand_ * countsPerMinute * seconds / 60.0;
}

int MotorModel::RotorAngle(int countsPerTurn) const {
  if (countsPerTurn <= 0) return 0;
  int64_t angle = static_cast<int64_t>(std::floor(position_)) % countsPerTurn;
  if (angle < 0) angle += countsPerTurn;
  return static_cast<int>(std::min<int64_t>(angle, 32767));
}

}  // namespace zel::sim
