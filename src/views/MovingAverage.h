#pragma once

#include <array>
#include <cstddef>

namespace zel::views {

// The mean of the last 20 samples of an actual value. Firmware up to 0x1000 reports a noisy
// actual value, so the regulation views show this mean there instead of the last sample.
class MovingAverage {
 public:
  static constexpr std::size_t kSize = 20;

  void Add(double sample) {
    samples_[next_] = sample;
    next_ = (next_ + 1) % kSize;
    if (count_ < kSize) ++count_;
  }
  void Clear() {
    count_ = 0;
    next_ = 0;
  }
  std::size_t Count() const { return count_; }
  // 0 while empty.
  double Mean() const {
    if (count_ == 0) return 0;
    double sum = 0;
    for (std::size_t i = 0; i < count_; ++i) sum += samples_[i];
    return sum / static_cast<double>(count_);
  }

 private:
  std::array<double, kSize> samples_{};
  std::size_t next_ = 0;
  std::size_t count_ = 0;
};

}  // namespace zel::views
