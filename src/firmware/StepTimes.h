#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace zel::firmware {

// The measured duration of each download step's last successful run, in ms, from which the
// expected duration of the next download is predicted. The order is the stored order.
class StepTimes {
 public:
  static constexpr int kCount = 9;

  StepTimes();

  // The slot of a step code (100, 1600, 500, 400, 600, 700, 1000, 200, 300); -1 for others.
  static int Slot(int stepCode);
  int32_t Of(int stepCode) const;
  void Record(int stepCode, int32_t ms);

  int32_t At(int slot) const { return values_.at(static_cast<std::size_t>(slot)); }
  void SetAt(int slot, int32_t ms) { values_.at(static_cast<std::size_t>(slot)) = ms; }

  // Nine decimal numbers separated by spaces, in the stored order; FromText accepts exactly that
  // and leaves the values alone otherwise.
  std::string ToText() const;
  bool FromText(const std::string& text);

 private:
  std::array<int32_t, kCount> values_;
};

}  // namespace zel::firmware
