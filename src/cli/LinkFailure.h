#pragma once

#include <cstdint>
#include <string>

namespace zel::cli {

// Why a command did not go through, told from the link's last result code in the split a
// technician acts on: nothing came back (cable, port, baud rate), the ZEL said no (service mode,
// a command the firmware does not know), the answer was garbled (noise, another device on the
// line), or the line itself failed (adapter unplugged).
struct LinkFailure {
  std::string cause;  // "timeout", "refused", "garbled" or "line": the JSON "cause"
  std::string text;

  // code is SerialLink::LastResult() after the failed command; 0x00 there means the exchange was
  // complete and the ZEL's reply code refused the command.
  static LinkFailure FromResult(uint8_t code);
  bool Refused() const { return cause == "refused"; }
};

}  // namespace zel::cli
