#pragma once

#include <cstdint>
#include <vector>

namespace zel::test {

// The five command frames whose checksums the protocol documents; the tool's checksum and the
// simulated ZEL's acceptance are both pinned to them.
struct WorkedExample {
  uint8_t opcode;
  std::vector<uint16_t> words;
  uint16_t checksum;
};

inline const std::vector<WorkedExample>& WorkedExamples() {
  static const std::vector<WorkedExample> examples = {
      {1, {0}, 0x76B4}, {26, {0}, 0x730C},    {20, {12, 0}, 0xC315},
      {5, {1}, 0xAC64}, {33, {1000}, 0x688F},
  };
  return examples;
}

}  // namespace zel::test
