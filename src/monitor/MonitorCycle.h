#pragma once

#include <cstdint>
#include <optional>

#include "monitor/RegulationSnapshot.h"

namespace zel::monitor {

// What one cycle of the polling monitor found and handed on, for a recording of the run. The
// views receive the same values through their snapshots and messages.
struct MonitorCycle {
  enum class Mode { kSpeed, kCurrent, kNone };  // kNone: SysConfig bit 5 set

  std::uint64_t number = 0;  // 1 for the first cycle of a run
  bool online = false;
  bool identityRead = false;
  std::uint16_t softwareVersion = 0;
  std::uint16_t hardwareVersion = 0;
  std::uint16_t applicationNumber = 0;
  std::uint16_t applicationVersion = 0;
  std::uint16_t sysConfig = 0;  // 0 when it could not be read
  std::uint16_t statusWord = 0;
  Mode mode = Mode::kSpeed;
  std::optional<SpeedViewData> speed;
  std::optional<CurrentViewData> current;
  // The error words given to the status view; absent while its store switch is off. The view
  // keeps showing what it was given, so a word given is not necessarily read: an offline cycle
  // gives 0, and the CAN word stays 0 when it is not asked for.
  std::optional<std::uint16_t> errorWord;
  std::optional<std::uint16_t> canErrorWord;
  // Whether this cycle read the words from the ZEL.
  bool errorWordRead = false;
  bool canErrorWordRead = false;
};

}  // namespace zel::monitor
