#include "sim/CanBus.h"

namespace zel::sim {
namespace {

struct Pair {
  uint16_t bcr1;
  uint16_t bcr2;
};

// What the CAN controller's bit-timing registers hold for each rate, as the device documents
// them for its users.
constexpr Pair kRates[8] = {{0x062A, 1}, {0x061A, 4},  {0x066C, 1},  {0x066C, 3},
                            {0x0673, 7}, {0x0673, 19}, {0x0673, 46}, {0x0673, 99}};

}  // namespace

void CanBus::BitRateRegisters(int index, uint16_t& bcr1, uint16_t& bcr2) {
  const Pair& pair = kRates[index >= 0 && index < 8 ? index : 2];
  bcr1 = pair.bcr1;
  bcr2 = pair.bcr2;
}

DeviceModel& CanBus::AddModule(const CanModuleConfig& config) {
  modules_.push_back(std::make_unique<DeviceModel>(config.device));
  DeviceModel& module = *modules_.back();
  uint16_t bcr1 = 0;
  uint16_t bcr2 = 0;
  BitRateRegisters(config.bitRateIndex, bcr1, bcr2);
  module.SetCanAddress(config.moduleId, bcr1, bcr2);
  return module;
}

DeviceModel* CanBus::Find(uint16_t id) {
  for (auto& module : modules_) {
    if (module->CanModuleId() == id) return module.get();
  }
  return nullptr;
}

std::optional<CommandResult> CanBus::Deliver(uint16_t destination, uint16_t bcr1, uint16_t bcr2,
                                             uint8_t opcode, std::span<const uint16_t> words) {
  for (auto& module : modules_) {
    if (module->CanModuleId() != destination || !module->ListensAt(bcr1, bcr2)) continue;
    CommandResult result = module->ExecuteCarried(opcode, words);
    if (!result.hasReply) return std::nullopt;
    return result;
  }
  return std::nullopt;
}

void CanBus::Advance(std::chrono::microseconds elapsed) {
  for (auto& module : modules_) module->Advance(elapsed);
}

}  // namespace zel::sim
