#include "sim/CanGateway.h"

#include <algorithm>
#include <utility>

#include "sim/CanBus.h"

namespace zel::sim {

CanGateway::CanGateway(ParameterStore& parameters, OwnCommand own)
    : parameters_(parameters), own_(std::move(own)) {}

std::optional<CommandResult> CanGateway::Execute(uint8_t opcode, std::span<const uint16_t> words,
                                                 uint16_t softwareVersion) {
  auto arg = [&](std::size_t i) -> uint16_t { return i < words.size() ? words[i] : 0; };
  // The CAN commands write the CAN parameters in RAM, like a parameter write would.
  auto set = [&](int number, uint16_t word) {
    parameters_.Write(number, ParameterStore::AsValue(number, word));
  };
  auto configBit = [&](uint16_t bit, bool on) { parameters_.SetBit(kCanConfig, bit, on); };
  switch (opcode) {
    case 56:  // NMT start: the bus is running already.
    case 66:  // RTR request: goes out on the bus, nobody answers the tool.
      return CommandResult{};
    case 57:
      set(kModuleId, arg(0));
      return CommandResult{};
    case 58:
      set(31, arg(0));
      return CommandResult{};
    case 59:
      set(33, arg(0));
      return CommandResult{};
    case 60:
      set(32, arg(0));
      return CommandResult{};
    case 61:
      // Data word A carries the opcode in its high byte; B, C, D are the command's words. A
      // message to the device's own module ID never reaches the bus: the device takes it.
      if (words.size() >= 2 && arg(0) == ModuleId()) {
        own_(static_cast<uint8_t>(arg(1) >> 8),
             words.subspan(2, std::min<std::size_t>(words.size() - 2, 3)));
      } else if (bus_ != nullptr && words.size() >= 2) {
        bus_->Deliver(arg(0), parameters_.Temp(kBcr1), parameters_.Temp(kBcr2),
                      static_cast<uint8_t>(arg(1) >> 8),
                      words.subspan(2, std::min<std::size_t>(words.size() - 2, 3)));
      }
      return CommandResult{};
    case 62:
      return CommandResult::Reply({ModuleId()});
    case 63:
      // Older firmware takes BCR1 alone; from 0x1040 the pair arrives in one frame.
      set(kBcr1, arg(0));
      if (words.size() >= 2) set(kBcr2, arg(1));
      return CommandResult{};
    case 64:
      set(kBcr2, arg(0));
      return CommandResult{};
    case 65:
      set(36, arg(0));
      return CommandResult{};
    case 67:
      // The CAN error word came with the CAN command set after 0x1000; older firmware does not
      // know the opcode.
      if (softwareVersion <= 0x1000) return CommandResult::Rejected();
      return CommandResult::Reply({errors_.Word()});
    case 68: {
      if (words.size() < 2) return CommandResult{};
      if (arg(0) == ModuleId() && (arg(1) >> 8) != 68) {
        CommandResult own = own_(static_cast<uint8_t>(arg(1) >> 8),
                                 words.subspan(2, std::min<std::size_t>(words.size() - 2, 2)));
        if (!own.hasReply) return CommandResult{};
        if (own.words.size() > 3) own.words.resize(3);
        return own;
      }
      if (bus_ == nullptr) return CommandResult{};
      std::optional<CommandResult> answer =
          bus_->Deliver(arg(0), parameters_.Temp(kBcr1), parameters_.Temp(kBcr2),
                        static_cast<uint8_t>(arg(1) >> 8),
                        words.subspan(2, std::min<std::size_t>(words.size() - 2, 2)));
      // Nobody answered on the bus: the gateway has nothing to send back.
      if (!answer) return CommandResult{};
      return answer;
    }
    case 69:
      configBit(kCanConfigPdo, arg(0) == 1);
      return CommandResult{};
    case 70:
      if (arg(0) <= 1) set(39 + arg(0), arg(1));
      return CommandResult{};
    case 71:
      if (arg(0) > 1) return CommandResult{};
      if (arg(1) == 2) {
        rtr_.Clear(arg(0));
      } else if (arg(1) <= 1) {
        configBit(arg(0) == 0 ? kCanConfigRtr0 : kCanConfigRtr1, arg(1) == 1);
      }
      return CommandResult{};
    case 74:
      return CommandResult::Reply(
          {rtr_.Add(arg(0), arg(1)) ? RtrChannels::kPresent : RtrChannels::kAbsent});
    case 75: {
      RtrChannels::Entry entry;
      if (!rtr_.Get(arg(0), arg(1), entry)) {
        return CommandResult::Reply({RtrChannels::kAbsent, 0, 0});
      }
      return CommandResult::Reply({RtrChannels::kPresent, entry.paramSel, entry.param});
    }
    case 76:
      errors_.ClearAll();
      return CommandResult{};
    case 77:
      // The controller restarts: its error counters and the error word start afresh.
      errors_.ClearAll();
      return CommandResult{};
    default:
      return std::nullopt;
  }
}

void CanGateway::SetAddress(uint16_t moduleId, uint16_t bcr1, uint16_t bcr2) {
  parameters_.Preset(kModuleId, moduleId);
  parameters_.Preset(kBcr1, bcr1);
  parameters_.Preset(kBcr2, bcr2);
}

bool CanGateway::ListensAt(uint16_t bcr1, uint16_t bcr2) const {
  return parameters_.Temp(kBcr1) == bcr1 && parameters_.Temp(kBcr2) == bcr2;
}

}  // namespace zel::sim
