#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace zel::parameters {

// Every field of all 256 definition slots of a table, field by field. The Parameter Properties
// dialog edits such a copy and hands it back only on OK, so Cancel leaves the table untouched.
struct ParameterSlots {
  static constexpr int kSlotCount = 256;

  std::array<std::int16_t, kSlotCount> numbers{};
  std::array<std::string, kSlotCount> names;
  std::array<std::string, kSlotCount> units;
  std::array<int, kSlotCount> widths{};
  std::array<int, kSlotCount> accesses{};
  std::array<int, kSlotCount> signs{};
  std::array<int, kSlotCount> services{};
  std::array<std::int32_t, kSlotCount> defaults{};
  std::array<std::int32_t, kSlotCount> mins{};
  std::array<std::int32_t, kSlotCount> maxima{};
};

}  // namespace zel::parameters
