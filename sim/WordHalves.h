#pragma once

#include <cstdint>

namespace zel::sim {

// The 16-bit halves of the device's 32-bit values, which travel and lie in memory as two words.
inline uint16_t LowWord(int32_t value) {
  return static_cast<uint16_t>(static_cast<uint32_t>(value) & 0xFFFF);
}

inline uint16_t HighWord(int32_t value) {
  return static_cast<uint16_t>(static_cast<uint32_t>(value) >> 16);
}

// A command packs 32-bit values low word first.
inline int32_t JoinWords(uint16_t low, uint16_t high) {
  return static_cast<int32_t>(static_cast<uint32_t>(low) | (static_cast<uint32_t>(high) << 16));
}

}  // namespace zel::sim
