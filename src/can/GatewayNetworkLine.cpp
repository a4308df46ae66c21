#include "can/GatewayNetworkLine.h"

#include "link/CanGateway.h"

namespace zel::can {

parameters::NetworkLine::Reach GatewayNetworkLine::AskModule(std::uint16_t moduleId) {
  link::CanGateway& gateway = module_.Gateway();
  std::uint16_t answered = 0;
  const GatewayLine::Reach reach =
      line_.Ask([&] { return gateway.ReadModuleIdOf(moduleId, answered); });
  askedDead_ = reach == GatewayLine::Reach::kLineDead;
  if (reach == GatewayLine::Reach::kAnswered) return Reach::kAnswered;
  return askedDead_ ? Reach::kLineDead : Reach::kNoModule;
}

std::string GatewayNetworkLine::DeadLine() const {
  return askedDead_ || module_.LineDead() ? GatewayLine::kDead : std::string();
}

}  // namespace zel::can
