#pragma once

#include "can/CanModule.h"
#include "can/GatewayLine.h"
#include "parameters/NetworkLine.h"

namespace zel::link {
class SerialLink;
}

namespace zel::can {

// The up/download wizard's view of the line to the gateway: a module is asked through
// GatewayLine, so a gateway that stopped answering ends a search as a dead line, never as a row
// of absent modules; after a failed module sequence the module operations tell whether their
// last exchanges found the gateway itself silent.
class GatewayNetworkLine final : public parameters::NetworkLine {
 public:
  GatewayNetworkLine(link::SerialLink& link, CanModule& module) : line_(link), module_(module) {}

  Reach AskModule(std::uint16_t moduleId) override;
  std::string DeadLine() const override;

 private:
  GatewayLine line_;
  CanModule& module_;
  // The last module asked found the line dead (every try of it failed).
  bool askedDead_ = false;
};

}  // namespace zel::can
