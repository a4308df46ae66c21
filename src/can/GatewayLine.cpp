#include "can/GatewayLine.h"

#include <chrono>
#include <thread>

#include "link/ResultCodes.h"
#include "link/SerialLink.h"

namespace zel::can {

namespace r = link::result;

bool GatewayLine::GatewaySilent() const {
  switch (link_.LastResult()) {
    case r::kOk:              // complete exchange, the reply code refused it: the ZEL answered
    case r::kNoByte:          // command taken, no reply frame: the module on the bus is silent
    case r::kReplyShort:      // a reply came, cut short
    case r::kReplyChecksum:   // a reply came, garbled
    case r::kOpcodeRejected:  // 'F': the ZEL answered
    case r::kFrameRejected:
      return false;
    default:
      return true;
  }
}

void GatewayLine::Recover() {
  const std::uint8_t code = link_.LastResult();
  if (code != r::kReadFailed && code != r::kWriteFailed && code != r::kNotOpen) return;
  // A port that hung up comes back at its path a moment later (a USB adapter re-enumerating, a
  // pseudo-terminal linked afresh): give it that moment before the next try.
  for (int wait = 0; wait < kReopenWaits; ++wait) {
    if (link_.ReopenAfterLoss()) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(kReopenWaitMs));
  }
}

bool GatewayLine::Count(bool ok) {
  if (ok || !GatewaySilent())
    silentInARow_ = 0;
  else
    ++silentInARow_;
  return ok;
}

bool GatewayLine::Command(const std::function<bool()>& exchange) {
  for (int attempt = 0; attempt < kTries; ++attempt) {
    if (Count(exchange())) return true;
    if (Dead()) return false;
    Recover();
  }
  return false;
}

GatewayLine::Reach GatewayLine::Ask(const std::function<bool()>& exchange) {
  for (int attempt = 0; attempt < kTries; ++attempt) {
    if (Count(exchange())) return Reach::kAnswered;
    if (Dead()) return Reach::kLineDead;
    const std::uint8_t code = link_.LastResult();
    // The gateway took the request and passed it on: nobody with that ID listens at this rate.
    if (code == r::kNoByte) return Reach::kNoModule;
    // The gateway answered, refusing the request: it is alive, the module did not answer.
    if (code == r::kOk) return Reach::kNoModule;
    Recover();
  }
  return Reach::kLineDead;
}

}  // namespace zel::can
