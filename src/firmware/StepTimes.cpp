#include "firmware/StepTimes.h"

#include <sstream>

namespace zel::firmware {

namespace {

constexpr std::array<int, StepTimes::kCount> kSteps = {100, 1600, 500, 400, 600,
                                                       700, 1000, 200, 300};
// What a first download is predicted to take, before anything was measured.
constexpr std::array<int32_t, StepTimes::kCount> kInitial = {70, 0, 60, 60, 0, 4146, 8462, 50, 10};

}  // namespace

StepTimes::StepTimes() : values_(kInitial) {}

int StepTimes::Slot(int stepCode) {
  for (int i = 0; i < kCount; ++i)
    if (kSteps[static_cast<std::size_t>(i)] == stepCode) return i;
  return -1;
}

int32_t StepTimes::Of(int stepCode) const {
  const int slot = Slot(stepCode);
  return slot < 0 ? 0 : At(slot);
}

void StepTimes::Record(int stepCode, int32_t ms) {
  const int slot = Slot(stepCode);
  if (slot >= 0) SetAt(slot, ms);
}

std::string StepTimes::ToText() const {
  std::string text;
  for (int32_t value : values_) text += (text.empty() ? "" : " ") + std::to_string(value);
  return text;
}

bool StepTimes::FromText(const std::string& text) {
  std::istringstream in(text);
  std::array<int32_t, kCount> read{};
  for (int32_t& value : read)
    if (!(in >> value) || value < 0) return false;
  std::string rest;
  if (in >> rest) return false;
  values_ = read;
  return true;
}

}  // namespace zel::firmware
