#pragma once

#include <cstdint>
#include <map>
#include <span>

#include "sim/CommandResult.h"
#include "sim/NumberedValues.h"

namespace zel::sim {

// The address variables: the firmware's memory as SetAddrVariable (17) and ReadAddrVariable (18)
// reach it. The addresses where the firmware keeps its parameters and status values reach those
// values themselves; every other address is plain RAM, 0 until written. A 32-bit value lies low
// word first in memory.
//
// Not locked: it is a member of DeviceModel, used under its mutex. `values` outlives it.
class AddressMemory {
 public:
  explicit AddressMemory(NumberedValues& values) : values_(values) {}

  // Written only in service mode, `inServiceMode` being the device's; outside it the exchange
  // succeeds and its answer word says the value was not set.
  CommandResult SetAddrVariable(std::span<const uint16_t> words, bool inServiceMode);
  CommandResult ReadAddrVariable(std::span<const uint16_t> words) const;

  bool ReadAddress(uint16_t address, uint16_t& word) const;
  bool WriteAddress(uint16_t address, uint16_t word);

 private:
  NumberedValues& values_;
  std::map<uint16_t, uint16_t> ram_;
};

}  // namespace zel::sim
