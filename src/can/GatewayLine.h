#pragma once

#include <functional>

namespace zel::link {
class SerialLink;
}

namespace zel::can {

// Tells an absent module from a dead line. A module that does not answer leaves the gateway's
// GetRemoteData without a reply frame after the gateway took the command; a line that stopped
// answering leaves the gateway's own acknowledge out (or the port fails). A long transfer over
// the bus stops on the second, never on the first. Any thread; the link's last result is read
// right after the exchange, on a line the caller has claimed or uses alone.
class GatewayLine {
 public:
  // Tries of one exchange before the line counts as dead.
  static constexpr int kTries = 3;
  // How long a lost port is waited for before a try, at most kReopenWaits times kReopenWaitMs.
  static constexpr int kReopenWaits = 5;
  static constexpr int kReopenWaitMs = 100;
  static constexpr const char* kDead =
      "The serial line stopped answering: the ZEL at the serial port (the CAN gateway) took "
      "none of 3 tries of a command.";

  enum class Reach { kAnswered, kNoModule, kLineDead };

  explicit GatewayLine(link::SerialLink& link) : link_(link) {}

  // A command to the gateway itself (or one it carries without answer): up to kTries tries, a
  // port lost in between opened again. False when every try failed: the line is dead, or the
  // gateway refused it every time. Once kTries exchanges in a row found the gateway silent, a
  // command is tried once only, so that a dead line ends a sequence in a few seconds; any
  // answer of the gateway lifts that.
  bool Command(const std::function<bool()>& exchange);
  // A read carried to a module: kNoModule as soon as the gateway took it and no module replied;
  // a garbled or cut answer, or no answer from the gateway, is tried again.
  Reach Ask(const std::function<bool()>& exchange);

  // True when the last exchange failed because the gateway itself did not take it.
  bool GatewaySilent() const;
  // True once kTries exchanges in a row found the gateway silent.
  bool Dead() const { return silentInARow_ >= kTries; }

 private:
  // Opens the port again after an exchange found it gone (a pseudo-terminal hung up).
  void Recover();

  // Counts a finished exchange: true when it got through.
  bool Count(bool ok);

  link::SerialLink& link_;
  int silentInARow_ = 0;
};

}  // namespace zel::can
