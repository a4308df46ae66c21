#pragma once

#include <cstdint>

namespace zel::sim {

// One of the device's error words (the standard one and the CAN one): bits 0..14, and bit 15
// summarising them, set whenever any of them is. The summary is derived, never stored, so a word
// set with it does not keep it. Not locked: it is used only under DeviceModel's mutex.
class ErrorBits {
 public:
  static constexpr uint16_t kSummary = 0x8000;

  // Bits outside 0..14 change nothing.
  void Raise(int bit) {
    if (bit >= 0 && bit < 15) bits_ |= static_cast<uint16_t>(1u << bit);
  }
  void Clear(int bit) {
    if (bit >= 0 && bit < 15) bits_ &= static_cast<uint16_t>(~(1u << bit));
  }
  void Set(uint16_t bits) { bits_ = bits & static_cast<uint16_t>(~kSummary); }
  void ClearAll() { bits_ = 0; }

  bool Any() const { return bits_ != 0; }
  uint16_t Word() const { return bits_ != 0 ? static_cast<uint16_t>(bits_ | kSummary) : 0; }

 private:
  uint16_t bits_ = 0;
};

}  // namespace zel::sim
