#include "monitor/StatusWordText.h"

#include <array>

namespace zel::monitor {

namespace {

struct BitTexts {
  const char* set;
  const char* clear;
};

constexpr std::array<BitTexts, 15> kTexts = {{
    {"Encoder index found", "Encoder index not found yet"},
    {"Hall sensor signal found", "Hall sensor signal not found yet"},
    {"Rotor position found", "Rotor position not found yet"},
    {"Saving parameters in EEPROM", "Not saving parameters in EEPROM"},
    {"not used", "not used"},
    {"not used", "not used"},
    {"not used", "not used"},
    {"not used", "not used"},
    {"Regulation in large current region", "Regulation in small current region"},
    {"not used", "not used"},
    {"Enabled by software", "Disabled by software"},
    {"Debouncing the input 'Enable'", "Not debouncing the input 'Enable'"},
    {"Offsets in current circuit detected", "No offsets in current circuit"},
    {"Braking with max. current", "Not braking"},
    {"see Bit15", "see Bit15"},
}};

}  // namespace

std::string StatusWordText::BitText(uint16_t statusWord, int bit) {
  if (bit < 0 || bit >= kBits) return std::string();
  if (bit == 15) {
    // The power stage state is a pair: bit 15 wins, bit 14 alone means it is being refreshed.
    if (IsSet(statusWord, 15)) return "Power stage is enabled";
    if (IsSet(statusWord, 14)) return "Refreshing the power stage";
    return "Power stage is disabled";
  }
  const BitTexts& t = kTexts[static_cast<size_t>(bit)];
  return IsSet(statusWord, bit) ? t.set : t.clear;
}

}  // namespace zel::monitor
