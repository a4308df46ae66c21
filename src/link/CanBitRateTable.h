#pragma once

#include <cstdint>
#include <string>

namespace zel::link {

// The CAN bit rates a ZEL module can run at, each given to the CAN controller as the register
// pair CAN_BCR1 / CAN_BCR2. The rate is chosen by its index 0..7.
class CanBitRateTable {
 public:
  static constexpr int kCount = 8;
  // What the reverse mapping gives for a register pair outside the table.
  static constexpr int kUnknownIndex = 11;
  // The fallback for an index outside the table: 500 kBit/s.
  static constexpr int kDefaultIndex = 2;
  // The system parameters that hold a ZEL's own register pair.
  static constexpr int16_t kBcr1Parameter = 34;
  static constexpr int16_t kBcr2Parameter = 35;

  struct Registers {
    uint16_t bcr1 = 0;
    uint16_t bcr2 = 0;
    bool operator==(const Registers&) const = default;
  };

  // The register pair of index; an index outside 0..7 gives the 500 kBit/s pair.
  static Registers RegistersOf(int index);
  // The index of a register pair, kUnknownIndex when the pair is not in the table.
  static int IndexOf(uint16_t bcr1, uint16_t bcr2);
  // "1MBit/s" .. "10kBit/s"; "Bitrate unknown!" for every index outside 0..7.
  static std::string Text(int index);
  // The index whose text is text, -1 when none is.
  static int IndexOfText(const std::string& text);
};

}  // namespace zel::link
