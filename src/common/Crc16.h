#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace zel::common {

// CRC-16 with polynomial 0x1021, initial value 0, no reflection, no final XOR (CRC-16/XMODEM).
// Both the tool and the simulated ZEL use this one function, and nothing else of each other.
class Crc16 {
 public:
  static constexpr uint16_t kPolynomial = 0x1021;

  static uint16_t Compute(std::span<const uint8_t> bytes, uint16_t crc = 0);
  static uint16_t Update(uint16_t crc, uint8_t byte);
};

}  // namespace zel::common
