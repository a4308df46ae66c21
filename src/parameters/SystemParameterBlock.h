#pragma once

#include <array>
#include <cstdint>

namespace zel::parameters {

// The values of system parameters 0 to 41 in number order, as the ZEL reads and writes all its
// temporary parameters in one command (84 bytes on the wire) and as the parameter pages share
// them. Each word's meaning (signed or not) comes from the parameter's definition.
struct SystemParameterBlock {
  static constexpr int kWordCount = 42;

  std::array<std::uint16_t, kWordCount> words{};

  bool operator==(const SystemParameterBlock&) const = default;
};

}  // namespace zel::parameters
