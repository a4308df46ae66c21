#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace zel::sim {

// The two RTR channels of a ZEL's CAN controller: each holds the list of values it sends when
// its identifier is requested, at most 4 entries and 4 data words (a 32-bit entry, paramSel bit
// 8, takes two). Not locked: the owning DeviceModel's mutex covers it.
class RtrChannels {
 public:
  static constexpr int kChannels = 2;
  static constexpr int kMaxEntries = 4;
  static constexpr int kMaxWords = 4;
  static constexpr uint16_t kPresent = 79;  // 'O'
  static constexpr uint16_t kAbsent = 70;   // 'F'

  struct Entry {
    uint16_t paramSel = 0;
    uint16_t param = 0;
  };

  // False when the entry's channel (paramSel bit 0) has no room for it.
  bool Add(uint16_t paramSel, uint16_t param);
  void Clear(int channel) { lists_[channel & 1].clear(); }
  // The index-th entry of the channel, or nothing.
  bool Get(int channel, int index, Entry& entry) const;
  int Count(int channel) const { return static_cast<int>(lists_[channel & 1].size()); }

 private:
  std::array<std::vector<Entry>, kChannels> lists_;
};

}  // namespace zel::sim
