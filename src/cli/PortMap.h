#pragma once

#include <string>

namespace zel::cli {

// Which device a logical port ComN opens: $ZEL_COM<N> when set, else <root>/ttyS<N-1>, where the
// root is $ZEL_DEV_ROOT when set and /dev otherwise. The root lets a test or a container show
// zelctl a device tree of its own; the link's own mapping is the same with the root at /dev.
class PortMap {
 public:
  static constexpr int kPorts = 10;

  static std::string DevRoot();
  // The device of port number 1..kPorts.
  static std::string PathFor(int number);
  // The device of a logical name ("Com1".."Com10", "COM1".."COM10"); "" for any other name.
  static std::string PathFor(const std::string& portName);
  // True when $ZEL_COM<number> names the device.
  static bool FromEnvironment(int number);
};

}  // namespace zel::cli
