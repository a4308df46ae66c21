#pragma once

#include <cstdint>

namespace zel::app {

// The identity of the connected ZEL; all 0 until the first successful read.
struct DeviceIdentity {
  std::uint16_t softwareVersion = 0;
  std::uint16_t hardwareVersion = 0;
  std::uint16_t applicationNumber = 0;
  std::uint16_t applicationVersion = 0;
};

}  // namespace zel::app
