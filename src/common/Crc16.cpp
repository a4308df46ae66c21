#include "common/Crc16.h"

#include <array>

namespace zel::common {

namespace {

constexpr std::array<uint16_t, 256> MakeTable() {
  std::array<uint16_t, 256> table{};
  for (unsigned i = 0; i < 256; ++i) {
    uint16_t crc = static_cast<uint16_t>(i << 8);
    for (int bit = 0; bit < 8; ++bit) {
      crc = (crc & 0x8000) ? static_cast<uint16_t>((crc << 1) ^ Crc16::kPolynomial)
                           : static_cast<uint16_t>(crc << 1);
    }
    table[i] = crc;
  }
  return table;
}

constexpr std::array<uint16_t, 256> kTable = MakeTable();

}  // namespace

uint16_t Crc16::Update(uint16_t crc, uint8_t byte) {
  return static_cast<uint16_t>((crc << 8) ^ kTable[((crc >> 8) ^ byte) & 0xFF]);
}

uint16_t Crc16::Compute(std::span<const uint8_t> bytes, uint16_t crc) {
  for (uint8_t b : bytes) crc = Update(crc, b);
  return crc;
}

}  // namespace zel::common
