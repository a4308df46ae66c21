#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>

#include "sim/CommandResult.h"
#include "sim/ErrorBits.h"
#include "sim/ParameterStore.h"
#include "sim/RtrChannels.h"

namespace zel::sim {

class CanBus;

// The device's CAN side: the CAN commands 56..77, which set its CAN parameters (module ID 30,
// identifiers, bit-rate registers 34/35, CAN_Config 41) and its RTR lists, read the CAN error
// word, and carry commands to the modules on the bus behind it or to itself.
//
// Not locked: it is a member of DeviceModel, used under its mutex; the parameters, the bus and
// whatever `own` reaches outlive it.
class CanGateway {
 public:
  static constexpr int kModuleId = 30;
  static constexpr int kBcr1 = 34;
  static constexpr int kBcr2 = 35;
  static constexpr int kCanConfig = 41;
  static constexpr uint16_t kCanConfigRtr0 = 0x1000;
  static constexpr uint16_t kCanConfigRtr1 = 0x2000;
  static constexpr uint16_t kCanConfigPdo = 0x4000;

  // Executes a command addressed to this device's own module ID as if it had come over the bus.
  using OwnCommand = std::function<CommandResult(uint8_t opcode, std::span<const uint16_t> words)>;

  CanGateway(ParameterStore& parameters, OwnCommand own);

  // The CAN commands; nothing for any other opcode. The CAN error word (67) came with the CAN
  // command set after software 0x1000, so `softwareVersion` decides whether it is known.
  std::optional<CommandResult> Execute(uint8_t opcode, std::span<const uint16_t> words,
                                       uint16_t softwareVersion);

  // nullptr: no bus behind this device.
  void AttachBus(CanBus* bus) { bus_ = bus; }
  // Module ID and bit-rate registers, in RAM and EEPROM.
  void SetAddress(uint16_t moduleId, uint16_t bcr1, uint16_t bcr2);
  uint16_t ModuleId() const { return parameters_.Temp(kModuleId); }
  bool ListensAt(uint16_t bcr1, uint16_t bcr2) const;
  int RtrEntryCount(int channel) const { return rtr_.Count(channel); }

  ErrorBits& Errors() { return errors_; }
  const ErrorBits& Errors() const { return errors_; }

 private:
  ParameterStore& parameters_;
  OwnCommand own_;
  RtrChannels rtr_;
  CanBus* bus_ = nullptr;
  ErrorBits errors_;
};

}  // namespace zel::sim
