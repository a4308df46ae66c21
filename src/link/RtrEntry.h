#pragma once

#include <cstdint>

namespace zel::link {

// One entry of an RTR channel's parameter list: what the module sends when the channel's
// identifier is requested. paramSel packs the channel (bit 0), address mode (bit 4) and a 32-bit
// value (bit 8); param is a parameter number (status values from 128) or a ZEL address.
struct RtrEntry {
  static constexpr uint16_t kChannelBit = 0x0001;
  static constexpr uint16_t kAddressModeBit = 0x0010;
  static constexpr uint16_t kLongWordBit = 0x0100;
  // The state word the module gives for a present entry ('O').
  static constexpr uint16_t kPresent = 79;

  uint16_t paramSel = 0;
  uint16_t param = 0;

  static RtrEntry Make(int channel, bool addressMode, bool longWord, uint16_t param) {
    RtrEntry entry;
    entry.paramSel = static_cast<uint16_t>((channel & 1) | (addressMode ? kAddressModeBit : 0) |
                                           (longWord ? kLongWordBit : 0));
    entry.param = param;
    return entry;
  }

  int Channel() const { return paramSel & kChannelBit; }
  bool AddressMode() const { return (paramSel & kAddressModeBit) != 0; }
  bool LongWord() const { return (paramSel & kLongWordBit) != 0; }
  // Data words the entry takes of the channel's four.
  int Words() const { return LongWord() ? 2 : 1; }

  bool operator==(const RtrEntry&) const = default;
};

}  // namespace zel::link
