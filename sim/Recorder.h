#pragma once

#include <cstdint>
#include <vector>

namespace zel::sim {

// The device's recorder: one variable, sampled at a period in tenths of a millisecond, into a
// buffer of 256 words. A 32-bit variable takes two words per sample, low word first, so the
// buffer then holds 128 samples. Not thread-safe; DeviceModel guards it.
class Recorder {
 public:
  static constexpr int kWords = 256;

  // Period 1 (0.1 ms) and status value 128 until the first set-up.
  void Setup(uint16_t period, uint16_t variable);
  uint16_t Period() const { return period_; }
  uint16_t Variable() const { return variable_; }

  // Starts a fresh recording of samples that are `bytesPerSample` (2 or 4) wide.
  void Begin(int bytesPerSample);
  int SampleCount() const;
  bool Full() const;
  void Add(uint32_t sample);
  const std::vector<uint16_t>& Words() const { return words_; }

 private:
  uint16_t period_ = 1;
  uint16_t variable_ = 128;
  int bytesPerSample_ = 2;
  std::vector<uint16_t> words_;
};

}  // namespace zel::sim
