#pragma once

#include <string>
#include <vector>

namespace zel::cli {

// A serial device node under the device root, its stable /dev/serial/by-id names and the
// logical ports ComN that open it.
struct SerialDevice {
  std::string path;
  std::vector<std::string> byId;
  std::vector<int> ports;
};

// Every serial device node a technician may meet (ttyS*, ttyUSB*, ttyACM* under the device root
// of link::SerialDeviceTree), placeholders included, and which ComN opens each. Reads the file
// system only.
class PortListing {
 public:
  static std::vector<SerialDevice> Devices();
};

}  // namespace zel::cli
