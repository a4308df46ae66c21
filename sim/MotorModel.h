#pragma once

#include <cstdint>

namespace zel::sim {

// A brushless motor with its regulators reduced to first-order lags. In speed regulation the
// speed follows the demand with kSpeedLagSeconds and the Q-axis current is what the acceleration
// and the load take; in current regulation the current follows its demand and the speed
// integrates the torque. With the power stage off the motor coasts down and draws no current.
// Not thread-safe; DeviceModel guards it.
class MotorModel {
 public:
  static constexpr double kSpeedLagSeconds = 0.05;
  static constexpr double kCoastLagSeconds = 0.5;
  static constexpr double kCurrentLagSeconds = 0.002;
  // Q-axis current needed per rpm/s of acceleration.
  static constexpr double kMilliampPerRpmPerSecond = 0.2;

  struct Inputs {
    bool powerStage = false;
    bool currentRegulation = false;
    double speedDemand = 0;    // rpm, already limited to the maximum speed
    double currentDemand = 0;  // mA, already limited to the peak current
    double maxSpeed = 25000;
    double peakCurrent = 15000;
    double loadCurrent = 100;
    int countsPerTurn = 2000;  // quadrature counts
  };

  void Step(const Inputs& inputs, double seconds);

  double SpeedRpm() const { return speed_; }
  double SpeedDemandRpm() const { return speedDemand_; }
  double CurrentD() const { return currentD_; }
  double CurrentQ() const { return currentQ_; }
  double CurrentDemand() const { return currentDemand_; }
  int64_t Position() const { return static_cast<int64_t>(position_); }
  int64_t PositionDemand() const { return static_cast<int64_t>(positionDemand_); }
  void SetPositionDemand(int64_t counts) { positionDemand_ = static_cast<double>(counts); }
  // Rotor angle within one turn, in quadrature counts.
  int RotorAngle(int countsPerTurn) const;

 private:
  double speed_ = 0;
  double speedDemand_ = 0;
  double currentD_ = 0;
  double currentQ_ = 0;
  double currentDemand_ = 0;
  double position_ = 0;
  double positionDemand_ = 0;
};

}  // namespace zel::sim
