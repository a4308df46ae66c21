#include "link/CanBitRateTable.h"

namespace zel::link {
namespace {

struct Rate {
  const char* text;
  uint16_t bcr1;
  uint16_t bcr2;
};

constexpr Rate kRates[CanBitRateTable::kCount] = {
    {"1MBit/s", 0x062A, 1},   {"800kBit/s", 0x061A, 4}, {"500kBit/s", 0x066C, 1},
    {"250kBit/s", 0x066C, 3}, {"125kBit/s", 0x0673, 7}, {"50kBit/s", 0x0673, 19},
    {"20kBit/s", 0x0673, 46}, {"10kBit/s", 0x0673, 99},
};

bool InTable(int index) {
  return index >= 0 && index < CanBitRateTable::kCount;
}

}  // namespace

CanBitRateTable::Registers CanBitRateTable::RegistersOf(int index) {
  const Rate& rate = kRates[InTable(index) ? index : kDefaultIndex];
  return {rate.bcr1, rate.bcr2};
}

int CanBitRateTable::IndexOf(uint16_t bcr1, uint16_t bcr2) {
  // The first register tells the prescaler group; only within a group does the second count.
  for (int index = 0; index < kCount; ++index) {
    if (kRates[index].bcr1 == bcr1 && kRates[index].bcr2 == bcr2) return index;
  }
  return kUnknownIndex;
}

std::string CanBitRateTable::Text(int index) {
  return InTable(index) ? kRates[index].text : "Bitrate unknown!";
}

int CanBitRateTable::IndexOfText(const std::string& text) {
  for (int index = 0; index < kCount; ++index) {
    if (text == kRates[index].text) return index;
  }
  return -1;
}

}  // namespace zel::link
