#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "sim/DeviceModel.h"

namespace zel::sim {

// One module behind the gateway as the command line gives it.
struct CanModuleConfig {
  uint16_t moduleId = 2;
  int bitRateIndex = 2;
  DeviceConfig device;
};

// The CAN bus behind the simulated gateway: further ZEL modules, each a full DeviceModel with
// its own module ID (parameter 30) and bit-rate registers (34, 35). A module hears a carried
// command only while its registers equal the gateway's; an absent or deaf module gives nothing,
// as a real bus would.
//
// Thread rules: the module set is fixed before serving; the modules lock themselves.
class CanBus {
 public:
  // The register pair of a bit-rate index (0 1 MBit/s .. 7 10 kBit/s; outside: 500 kBit/s).
  static void BitRateRegisters(int index, uint16_t& bcr1, uint16_t& bcr2);

  DeviceModel& AddModule(const CanModuleConfig& config);
  std::size_t Size() const { return modules_.size(); }
  DeviceModel& At(std::size_t index) { return *modules_[index]; }
  // The first module whose current module ID is id, whatever its bit rate; nullptr if none.
  DeviceModel* Find(uint16_t id);

  // Carries a command to the module with the destination ID that listens at bcr1/bcr2. Nothing
  // when no such module is on the bus, or when the command gives no answer.
  std::optional<CommandResult> Deliver(uint16_t destination, uint16_t bcr1, uint16_t bcr2,
                                       uint8_t opcode, std::span<const uint16_t> words);

  void Advance(std::chrono::microseconds elapsed);

 private:
  std::vector<std::unique_ptr<DeviceModel>> modules_;
};

}  // namespace zel::sim
