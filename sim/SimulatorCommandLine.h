#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sim/NamedFault.h"
#include "sim/Simulator.h"

namespace zel::sim {

// zelsim's command line, read once for every program that runs a simulated ZEL: zelsim itself
// and the desktop program's --simulate. The options keep one meaning wherever they are given.
struct SimulatorCommandLine {
  enum class Outcome { kRun, kHelp, kVersion, kUsageError };

  SimulatorOptions options;
  std::vector<NamedFault> faults;
  std::vector<std::string> bootFaults;
  std::optional<uint16_t> errorWord;
  std::optional<uint16_t> canErrorWord;
  std::string controlPath;

  // Reads the options; on kUsageError `error` says what is wrong. --link is not required here:
  // whoever runs the device decides whether it needs one.
  Outcome Parse(const std::vector<std::string>& arguments, std::string& error);
  // Arms the faults and error words on a simulator that has not started yet, so the very first
  // exchange already shows them.
  void ArmOn(Simulator& simulator) const;

  // The lines that explain the device options (all but --link), for a usage text.
  static const char* DeviceOptionsHelp();
  static const char* DeviceOptionsSynopsis();
};

}  // namespace zel::sim
