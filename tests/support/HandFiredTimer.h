#pragma once

#include <atomic>
#include <chrono>
#include <utility>

#include "ui/PeriodicWorker.h"

namespace zel::test {

// A periodic timer that ticks when the test says so: arming publishes the tick callback in
// `slot`, and the test calls (*slot.load())() to fire one period.
class HandFiredTimer final : public ui::PeriodicTimer {
 public:
  explicit HandFiredTimer(std::atomic<Callback*>& slot) : slot_(slot) {}
  ~HandFiredTimer() override { Disarm(); }
  bool Arm(std::chrono::milliseconds, Callback tick) override {
    tick_ = std::move(tick);
    slot_.store(&tick_);
    return true;
  }
  void Disarm() override { slot_.store(nullptr); }

 private:
  std::atomic<Callback*>& slot_;
  Callback tick_;
};

}  // namespace zel::test
