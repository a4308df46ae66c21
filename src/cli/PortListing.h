#pragma once

#include <string>
#include <vector>

namespace zel::cli {

// A serial device present under the device root, its stable /dev/serial/by-id names and the
// logical ports ComN that open it.
struct SerialDevice {
  std::string path;
  std::vector<std::string> byId;
  std::vector<int> ports;
};

// Where a logical port ComN points, and whether that device is there.
struct PortMapping {
  int number = 0;
  std::string path;
  bool fromEnvironment = false;  // ZEL_COM<N> names it
  bool present = false;
};

// The serial devices a technician may have plugged the ZEL into (ttyS*, ttyUSB*, ttyACM* under
// the device root of PortMap) and how Com1..Com10 map onto them. Reads the file system only.
class PortListing {
 public:
  static std::vector<SerialDevice> Devices();
  static std::vector<PortMapping> Mappings();
};

}  // namespace zel::cli
