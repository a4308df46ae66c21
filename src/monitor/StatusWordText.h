#pragma once

#include <cstdint>
#include <string>

namespace zel::monitor {

// The fixed texts of the ZEL's 16-bit system status word, one per bit, as the "ReadSysStatus"
// dialog and the command-line tool show them next to a lamp.
class StatusWordText {
 public:
  static constexpr int kBits = 16;

  // Text of bit `bit` (0..15) for the given status word. Bit 15's text depends on bits 14 and
  // 15 together; every other bit's text depends only on whether it is set.
  static std::string BitText(uint16_t statusWord, int bit);
  // Whether the lamp of `bit` is on.
  static bool IsSet(uint16_t statusWord, int bit) { return (statusWord >> bit) & 1u; }
};

}  // namespace zel::monitor
