#include "sim/Recorder.h"

namespace zel::sim {

void Recorder::Setup(uint16_t period, uint16_t variable) {
  period_ = period;
  variable_ = variable;
  words_.clear();
}

void Recorder::Begin(int bytesPerSample) {
  bytesPerSample_ = bytesPerSample == 4 ? 4 : 2;
  words_.clear();
  words_.reserve(kWords);
}

int Recorder::SampleCount() const {
  return static_cast<int>(words_.size()) / (bytesPerSample_ / 2);
}

bool Recorder::Full() const {
  return words_.size() >= static_cast<std::size_t>(kWords);
}

void Recorder::Add(uint32_t sample) {
  if (Full()) return;
  words_.push_back(static_cast<uint16_t>(sample & 0xFFFF));
  if (bytesPerSample_ == 4) words_.push_back(static_cast<uint16_t>(sample >> 16));
}

}  // namespace zel::sim
