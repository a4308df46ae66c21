#pragma once

#include <cstdint>
#include <string>

namespace zel::parameters {

// The serial line to the CAN gateway, as the up/download wizard's network work needs it: a
// module asked by its ID, with a line that stopped answering told apart from a module that is
// not there. The CAN side implements it over the gateway; the wizard only reads the verdicts.
// UI thread.
class NetworkLine {
 public:
  enum class Reach { kAnswered, kNoModule, kLineDead };

  virtual ~NetworkLine() = default;

  // Whether a module with this ID answers through the gateway.
  virtual Reach AskModule(std::uint16_t moduleId) = 0;
  // Empty while the line answers, else the sentence naming the line as the cause. Asked after a
  // module's sequence failed, since a dead line fails every module after it.
  virtual std::string DeadLine() const = 0;
};

}  // namespace zel::parameters
