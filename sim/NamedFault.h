#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "sim/FaultInjector.h"

namespace zel::sim {

// One named fault as a person or a script writes it, the same on the command line (--fault)
// and on the control channel (fault ...):
//
//   NAME[=COUNT][,after=N][,bytes=HEX][,skip=N]
//
// COUNT is how many of the next exchanges show the fault (1 when left out, 0 disarms it);
// `after` belongs to stop-reply, `bytes` to noise. never-answer without a count lasts until
// cleared. `skip` lets that many further opcodes pass before the fault shows, so it can be
// armed at a known point inside a transfer.
struct NamedFault {
  using Kind = LineFault;

  Kind kind = Kind::kNeverAnswer;
  int count = 1;
  bool untilCleared = false;
  std::size_t after = 0;
  std::vector<uint8_t> bytes{0x00};
  uint64_t skip = 0;

  // False with a message naming what is wrong; `fault` is then unchanged.
  static bool Parse(std::string_view text, NamedFault& fault, std::string& error);
  void ArmOn(FaultInjector& faults) const;

  // The armed faults in the same spelling, separated by spaces; "none" when nothing is armed.
  static std::string Describe(const ArmedFaults& armed);
  // The table of fault names for --help.
  static const char* Help();

 private:
  void Arm(FaultInjector& faults) const;
};

}  // namespace zel::sim
